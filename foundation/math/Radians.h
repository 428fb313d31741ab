#pragma once

// Angles in radians, single precision.

inline constexpr float kPi = 3.1415927f;
inline constexpr float kTwoPi = 6.2831855f;

// Into [0, 2 pi] by whole turns; a value that is not finite gives 0.
float wrapRadians(float angle);
