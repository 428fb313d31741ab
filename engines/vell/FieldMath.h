#pragma once

#include "foundation/math/LMat.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/LookAt.h"
#include "model/math/FixedPoint.h"

// The field engine's small matrix and box helpers. Row vectors throughout: a point p becomes
// p . M, the translation is the fourth row of a 4x3 matrix.
namespace vell {

struct Mat33 {
  float m[3][3];
};

LMat43 quatToMat43(const LQuat& q);
// Translate by t, rotate by q, then scale by s along the rotated axes.
LMat43 mat43TransRotScale(const LVec3& t, const LQuat& q, const LVec3& s);
// out = b . a: a point transformed by out goes through b first, then a. out may alias a or b.
void mat43Multiply(const LMat43& a, const LMat43& b, LMat43& out);
Mat33 mat33RotationY(float angle);
LMat43 mat43RotationY(float angle);
LVec3 mat43Transform(const LMat43& m, const LVec3& p);

// The shared rounding of model/math (half away from zero in single precision).
inline FixedVec3 vec3ToFixed(const LVec3& v) { return ::vec3ToFixed(v.x, v.y, v.z); }
inline bool vec3iEqual(const FixedVec3& a, const FixedVec3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}
// Per axis min(p, q) - margin and max(p, q) + margin.
void segmentBoxPadded(int32_t margin, const FixedVec3& p, const FixedVec3& q, FixedVec3& boxMin,
                      FixedVec3& boxMax);

}  // namespace vell
