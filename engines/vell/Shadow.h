#pragma once

#include "engines/vell/Decal.h"
#include "foundation/math/LookAt.h"
#include "foundation/math/LVec3.h"
#include "model/math/FixedPoint.h"

#include <cstdint>
#include <vector>

// Object shadows: a decal that follows an object over the land, drawn by the map's decal pass.
// An object keeps a Shadow record and feeds its caster fields every frame; the shadow list
// holds the records of the objects that have a shadow, in the order they got one.
namespace vell {

struct CollTriangle;

// Where the object stands this frame: its position and angle (radians x 1024), the land
// triangle below it and that land's height, all fixed point. No ground: no shadow is drawn.
struct ShadowCaster {
  FixedVec3 position{};
  int32_t angle = 0;
  CollTriangle* ground = nullptr;
  int32_t groundHeight = 0;
};

struct Shadow {
  const DecalHandle* handle = nullptr;  // null while the object has no shadow
  LMat43 base{};                        // the footprint: rotation and inverse size
  float alpha = 0.0f;                   // the handle's factor times the object's
  float heightScale = 0.0f;
  float minimum = 0.0f;
  float maximum = 0.0f;
  ShadowCaster caster;
};

class ShadowList {
 public:
  // Gives the record a shadow (appending it to the list the first time) of that size, turned
  // by `angle` radians, with an opacity and the footprint's growth with height: per unit of
  // height above the ground the footprint grows by heightScale, held within [minimum, maximum].
  void set(Shadow& shadow, const DecalHandle* handle, const LVec3& size, float angle, float alpha,
           float heightScale, float minimum, float maximum);
  // Takes the shadow away; nothing when the record has none.
  void clear(Shadow& shadow);
  const std::vector<Shadow*>& shadows() const { return shadows_; }

 private:
  std::vector<Shadow*> shadows_;
};

// The shadow's projection for the caster's current place: a world point goes to the caster's
// frame (at ground height, turned by its angle, scaled by the height factor), then through the
// footprint.
LMat43 shadowMatrix(const Shadow& shadow);

}  // namespace vell
