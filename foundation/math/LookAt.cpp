#include "foundation/math/LookAt.h"

#include "foundation/math/DetMath.h"

LMat43 calcLookAtView(const LVec3& up, const LVec3& target, const LVec3& eye) {
  LViewFrame frame;
  vec3Normalize(frame.z, vec3Subtract(eye, target));
  LVec3 upUnit;
  vec3Normalize(upUnit, up);
  vec3Normalize(frame.x, vec3Cross(upUnit, frame.z));
  frame.y = vec3Cross(frame.z, frame.x);
  frame.origin = eye;
  return viewFromFrame(frame);
}

LMat43 viewFromFrame(const LViewFrame& frame) {
  const LVec3& x = frame.x;
  const LVec3& y = frame.y;
  const LVec3& z = frame.z;
  const LVec3& o = frame.origin;
  return LMat43{{
      {x.x, y.x, z.x},
      {x.y, y.y, z.y},
      {x.z, y.z, z.z},
      {-vec3Dot(x, o), -vec3Dot(y, o), -vec3Dot(z, o)},
  }};
}

LMat matFromView(const LMat43& view) {
  LMat out{};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 3; ++c) out.m[r][c] = view.m[r][c];
    out.m[r][3] = r == 3 ? 1.0f : 0.0f;
  }
  return out;
}

LMat perspectiveFovRH(float fovY, float aspect, float nearZ, float farZ) {
  const float yScale = 1.0f / detmath::tan(fovY * 0.5f);
  const float xScale = yScale / aspect;
  LMat m{};
  m.m[0][0] = xScale;
  m.m[1][1] = yScale;
  m.m[2][2] = farZ / (nearZ - farZ);
  m.m[2][3] = -1.0f;
  m.m[3][2] = nearZ * farZ / (nearZ - farZ);
  return m;
}
