#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Rounds a single-precision value to the nearest integer, an exact half to the even one, without
// depending on the floating-point rounding mode. Values beyond the int64 range saturate and NaN
// gives 0, so a clip that divides by a zero ratio stays defined (it yields an empty rectangle).
inline int64_t DimgRoundHalfEven(float v) {
  if (std::isnan(v)) {
    return 0;
  }
  if (v >= 9.2e18f) {
    return std::numeric_limits<int64_t>::max();
  }
  if (v <= -9.2e18f) {
    return std::numeric_limits<int64_t>::min();
  }
  const float whole = std::floor(v);
  const double fraction = double{v} - double{whole};  // exact in double
  auto result = static_cast<int64_t>(whole);
  if (fraction > 0.5 || (fraction == 0.5 && (result & 1) != 0)) {
    ++result;
  }
  return result;
}
