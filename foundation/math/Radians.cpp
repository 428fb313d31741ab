#include "foundation/math/Radians.h"

#include <cmath>

float wrapRadians(float angle) {
  if (!std::isfinite(angle)) return 0.0f;
  // Far-off values first lose their whole turns at once: subtracting one turn at a time would
  // never end once a turn is below the value's precision.
  if (std::fabs(angle) > 64.0f * kTwoPi) angle = float(std::fmod(double(angle), double(kTwoPi)));
  while (angle > kTwoPi) angle -= kTwoPi;
  while (angle < 0.0f) angle += kTwoPi;
  return angle;
}
