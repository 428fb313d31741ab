#pragma once

#include "engines/rond/Contact.h"
#include "model/load/Da3dObject.h"
#include "model/math/FixedPoint.h"

#include <cstdint>

struct ScriptThread;

namespace rond {

class Engine;

// The arena as far as the frame needs it: the start places of both slots, the move and bullet
// boxes, the light the players are drawn with, the stage model (when the stage directory has
// one) with its animation, and the stage script. The frame counter counts the frames the stage
// advanced, which quiescence holds.
// FIXME: the stage script table (boxes, start places, light, fog and shadow set by script) and
// the stage's drop shadow are not here yet; the defaults below stay until they are.
class Stage {
 public:
  ~Stage();
  void reset(Engine* engine, const char16_t* directory);
  // The stage script, then one frame of the stage animation.
  void step();
  void draw();

  FixedVec3 startPosition[2] = {{0, 0, 1024}, {0, 0, -1024}};
  int32_t startAngle[2] = {3217, 0};
  Box moveBox{{-5120, -5120, -5120}, {5120, 5120, 5120}};
  Box bulletBox{{-5120, -5120, -5120}, {5120, 5120, 5120}};
  float lightDirection[3] = {0.0f, -1.0f, 0.0f};
  float lightColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float ambientColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  uint32_t frame = 0;

 private:
  Engine* engine_ = nullptr;
  const char16_t* directory_ = nullptr;
  Da3dObject model_;
  ScriptThread* thread_ = nullptr;
};

}  // namespace rond
