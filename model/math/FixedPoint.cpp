#include "model/math/FixedPoint.h"

#include <cmath>
#include <limits>

namespace {

// Truncation toward zero that stays defined outside the 32-bit range.
int32_t truncateSaturated(float value) {
  if (std::isnan(value)) {
    return 0;
  }
  // 2^31 is exactly representable; every float below it truncates into range.
  if (value >= 2147483648.0f) {
    return std::numeric_limits<int32_t>::max();
  }
  if (value <= -2147483648.0f) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(value);
}

}  // namespace

int32_t roundFixed(float p) {
  if (p >= 0.0f) {
    return truncateSaturated(p + 0.5f);
  }
  return truncateSaturated(p - 0.5f);
}

int32_t floatToFixed(float f) { return roundFixed(f * 1024.0f); }

FixedVec2 vec2ToFixed(float x, float y) { return {floatToFixed(x), floatToFixed(y)}; }

FixedVec3 vec3ToFixed(float x, float y, float z) {
  return {floatToFixed(x), floatToFixed(y), floatToFixed(z)};
}

int32_t wrapAngle(int32_t a) {
  // The same results as the two stepping loops, without their run time for far-off values.
  if (a > kAngleFullTurn) {
    a = (a - 1) % kAngleFullTurn + 1;
  }
  if (a < 0) {
    a %= kAngleFullTurn;
    if (a < 0) {
      a += kAngleFullTurn;
    }
  }
  return a;
}

int32_t degreesToAngle(float degrees) {
  // floatToFixed scales by 1024 after this first product, as the conversion is defined.
  return floatToFixed(degrees * kDegreesToRadians);
}

float angleToDegrees(int32_t angle) { return static_cast<float>(angle) * kAngleToDegrees; }
