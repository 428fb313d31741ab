#pragma once

#include "foundation/math/LVec3.h"
#include "model/math/FixedPoint.h"

#include <cstdint>
#include <vector>

class L3DObjectInstance;

// The moving hit volumes of objects and bullets: the collision spheres of one collision-group
// type of a model instance, swept from where they were in the previous frame to where they are
// now, with a fixed-point box (one world unit of margin on every side) and a bounding sphere
// around it.
namespace vell {

struct SphereItem {
  LVec3 start;
  LVec3 end;
  float radius = 0.0f;
};

struct SphereSet {
  LVec3 boundCentre{0.0f, 0.0f, 0.0f};
  float boundRadius = 0.0f;  // 0: the set is empty
  uint32_t itemCount = 0;
  std::vector<SphereItem> items;  // grown as needed, never shrunk
  LVec3 sweepStart{0.0f, 0.0f, 0.0f};
  LVec3 sweepEnd{0.0f, 0.0f, 0.0f};
  float sweepRadius = 0.0f;
  FixedVec3 boxMin{0, 0, 0};
  FixedVec3 boxMax{0, 0, 0};
};

// The enabled groups of that type, in list order, each sphere from its previous to its current
// world centre; the box from the instance's bounding spheres of the type in both frames (only
// the current one when the previous had no radius). position is the owner's, in fixed point.
void sphereSetBuild(SphereSet& set, const L3DObjectInstance& instance, uint32_t type,
                    const FixedVec3& position);
// The type-4 spheres where they are now, without a sweep.
void sphereSetBuildStatic(SphereSet& set, const L3DObjectInstance& instance,
                          const FixedVec3& position);

}  // namespace vell
