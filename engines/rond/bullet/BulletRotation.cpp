#include "engines/rond/bullet/BulletRotation.h"

#include "foundation/math/DetMath.h"
#include "foundation/math/LMat.h"

#include <cmath>

namespace rond {

bool isTinyAxis(const LVec3& axis) {
  return std::fabs(axis.x) + std::fabs(axis.y) + std::fabs(axis.z) < kRotationEpsilon;
}

float angleBetween(const LVec3& a, const LVec3& b) {
  LVec3 na, nb;
  vec3Normalize(na, a);
  vec3Normalize(nb, b);
  if ((na.x == 0 && na.y == 0 && na.z == 0) || (nb.x == 0 && nb.y == 0 && nb.z == 0)) return 0.0f;
  const float dot = vec3Dot(na, nb);
  if (dot < -1.0f) return kPi;
  if (dot > 1.0f) return 0.0f;
  return detmath::acos(dot);
}

LVec3 quatRow(const LQuat& q, int r) {
  LMat m;
  quatToMatrix(m, q);
  return {m.m[r][0], m.m[r][1], m.m[r][2]};
}

}  // namespace rond
