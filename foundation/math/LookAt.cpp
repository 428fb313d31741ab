#include "foundation/math/LookAt.h"

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
