#pragma once

#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"
#include "foundation/math/Radians.h"

// Rotation helpers of the bullet programs: angles in radians, single precision, the project's
// own trigonometry.
namespace rond {

// Below this a rotation angle, or the sum of an axis' magnitudes, counts as none.
inline constexpr float kRotationEpsilon = 0.000001f;

// |x| + |y| + |z| below kRotationEpsilon.
bool isTinyAxis(const LVec3& axis);
// The angle between two directions: acos of the normalised dot product, 0 when either is zero,
// pi below -1 (and 0 above 1, where rounding takes it).
float angleBetween(const LVec3& a, const LVec3& b);
// Row r of quatToMatrix(q).
LVec3 quatRow(const LQuat& q, int r);

}  // namespace rond
