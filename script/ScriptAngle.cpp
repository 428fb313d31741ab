#include "script/ScriptAngle.h"

#include <cmath>
#include <limits>

namespace {

// Stepping rounds a little at every turn and, far enough out, stops moving the value at all;
// fmod is exact. Values within this many turns keep the stepping rule.
constexpr float kSteppedTurns = 64.0f;

}  // namespace

float scriptWrapAngle(float value, float low, float high, float turn) {
  if (!std::isfinite(value)) {
    return std::numeric_limits<float>::quiet_NaN();
  }
  if (std::fabs(value) > turn * kSteppedTurns) {
    value = std::fmod(value, turn);
  }
  while (value > high) {
    value -= turn;
  }
  while (value < low) {
    value += turn;
  }
  return value;
}
