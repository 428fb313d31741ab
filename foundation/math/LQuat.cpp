#include "foundation/math/LQuat.h"

#include "foundation/math/DetMath.h"

LQuat quatFromYaw(int32_t a) {
  const float half = static_cast<float>(a) * 0.00048828125f;
  // Evaluated in double precision and rounded once to float, as the engines have it.
  float s = 0.0f;
  float c = 0.0f;
  detmath::sincos(half, &s, &c);
  // 0 * s rather than 0: a negative sine gives -0.0 there, as it always has.
  return {0.0f * s, s, 0.0f * s, c};
}

void quatMultiply(LQuat& out, const LQuat& p, const LQuat& q) {
  const LQuat r{
      p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y,
      p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x,
      p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w,
      p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z,
  };
  out = r;
}

void quatToMatrix(LMat& out, const LQuat& q) {
  const float x2 = q.x + q.x;
  const float y2 = q.y + q.y;
  const float z2 = q.z + q.z;
  const float xx = x2 * q.x;
  const float yy = y2 * q.y;
  const float zz = z2 * q.z;
  const float xy = y2 * q.x;
  const float xz = z2 * q.x;
  const float yz = z2 * q.y;
  const float xw = x2 * q.w;
  const float yw = y2 * q.w;
  const float zw = z2 * q.w;
  auto& m = out.m;
  m[0][0] = 1.0f - yy - zz;
  m[0][1] = xy + zw;
  m[0][2] = xz - yw;
  m[0][3] = 0.0f;
  m[1][0] = xy - zw;
  m[1][1] = 1.0f - xx - zz;
  m[1][2] = yz + xw;
  m[1][3] = 0.0f;
  m[2][0] = xz + yw;
  m[2][1] = yz - xw;
  m[2][2] = 1.0f - xx - yy;
  m[2][3] = 0.0f;
  m[3][0] = 0.0f;
  m[3][1] = 0.0f;
  m[3][2] = 0.0f;
  m[3][3] = 1.0f;
}

LQuat quatFromAxisAngle(const LVec3& axis, float angle) {
  LVec3 n;
  vec3Normalize(n, axis);
  float s, c;
  detmath::sincos(angle * 0.5f, &s, &c);
  return {n.x * s, n.y * s, n.z * s, c};
}
