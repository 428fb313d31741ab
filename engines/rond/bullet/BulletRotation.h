#pragma once

#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"

// Rotation helpers of the bullet programs: angles in radians, single precision, the project's
// own trigonometry.
namespace rond {

inline constexpr float kTwoPi = 6.2831855f;
inline constexpr float kPi = 3.1415927f;
// Below this a rotation angle, or the sum of an axis' magnitudes, counts as none.
inline constexpr float kRotationEpsilon = 0.000001f;

// Into [0, 2 pi] by whole turns; a value that is not finite gives 0.
float wrapRadians(float angle);
// (normalised axis * sin(angle / 2), cos(angle / 2)).
LQuat quatFromAxisAngle(const LVec3& axis, float angle);
// |x| + |y| + |z| below kRotationEpsilon.
bool isTinyAxis(const LVec3& axis);
// The angle between two directions: acos of the normalised dot product, 0 when either is zero,
// pi below -1 (and 0 above 1, where rounding takes it).
float angleBetween(const LVec3& a, const LVec3& b);
// Row r of quatToMatrix(q).
LVec3 quatRow(const LQuat& q, int r);

}  // namespace rond
