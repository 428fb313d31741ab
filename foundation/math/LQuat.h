#pragma once

#include "foundation/math/LMat.h"
#include "foundation/math/LVec3.h"

#include <cstdint>

// A rotation as (x, y, z, w), the one quaternion of the model data, the 3D library and the
// engines; all zero unless given (kQuatIdentity is the identity). Nothing here renormalises: a
// product of unit quaternions drifts with rounding exactly as it did where the values were
// recorded.
struct LQuat {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 0.0f;
};

inline constexpr LQuat kQuatIdentity{0.0f, 0.0f, 0.0f, 1.0f};

// The rotation about +Y by a / 1024 radian. Half the angle is a float; its sine and cosine are
// taken in double precision and stored as floats. The caller wraps `a` first.
LQuat quatFromYaw(int32_t a);

// (normalised axis * sin(angle / 2), cos(angle / 2)), with the project's own sine and cosine.
LQuat quatFromAxisAngle(const LVec3& axis, float angle);

// out = p (x) q, the Hamilton product; both inputs are read before out is written, so out may
// be p or q. As matrices (quatToMatrix, row vectors) the product rotates by q, then by p.
void quatMultiply(LQuat& out, const LQuat& p, const LQuat& q);

// The rotation matrix in the row-vector convention; the fourth row and column are those of the
// identity.
void quatToMatrix(LMat& out, const LQuat& q);
