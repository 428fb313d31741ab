#include "engines/vell/FieldMath.h"

#include "foundation/math/DetMath.h"

#include <algorithm>

namespace vell {

LMat43 quatToMat43(const LQuat& q) {
  const float x = q.x, y = q.y, z = q.z, w = q.w;
  LMat43 out{};
  out.m[0][0] = 1.0f - 2.0f * y * y - 2.0f * z * z;
  out.m[0][1] = 2.0f * x * y + 2.0f * z * w;
  out.m[0][2] = 2.0f * x * z - 2.0f * y * w;
  out.m[1][0] = 2.0f * x * y - 2.0f * z * w;
  out.m[1][1] = 1.0f - 2.0f * x * x - 2.0f * z * z;
  out.m[1][2] = 2.0f * y * z + 2.0f * x * w;
  out.m[2][0] = 2.0f * x * z + 2.0f * y * w;
  out.m[2][1] = 2.0f * y * z - 2.0f * x * w;
  out.m[2][2] = 1.0f - 2.0f * x * x - 2.0f * y * y;
  return out;
}

LMat43 mat43TransRotScale(const LVec3& t, const LQuat& q, const LVec3& s) {
  const LMat43 r = quatToMat43(q);
  const float scale[3] = {s.x, s.y, s.z};
  LMat43 out{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      out.m[i][j] = r.m[i][j] * scale[j];
    }
  }
  for (int j = 0; j < 3; ++j) {
    const float rotated = t.x * r.m[0][j] + t.y * r.m[1][j] + t.z * r.m[2][j];
    out.m[3][j] = rotated * scale[j];
  }
  return out;
}

void mat43Multiply(const LMat43& a, const LMat43& b, LMat43& out) {
  LMat43 r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 3; ++j) {
      r.m[i][j] = b.m[i][0] * a.m[0][j] + b.m[i][1] * a.m[1][j] + b.m[i][2] * a.m[2][j];
    }
  }
  for (int j = 0; j < 3; ++j) {
    r.m[3][j] = r.m[3][j] + a.m[3][j];
  }
  out = r;
}

Mat33 mat33RotationY(float angle) {
  const float c = detmath::cos(angle);
  const float s = detmath::sin(angle);
  return Mat33{{{c, 0.0f, -s}, {0.0f, 1.0f, 0.0f}, {s, 0.0f, c}}};
}

LMat43 mat43RotationY(float angle) {
  const Mat33 r = mat33RotationY(angle);
  LMat43 out{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      out.m[i][j] = r.m[i][j];
    }
  }
  return out;
}

LVec3 mat43Transform(const LMat43& m, const LVec3& p) {
  return LVec3{p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
               p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
               p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

void segmentBoxPadded(int32_t margin, const FixedVec3& p, const FixedVec3& q, FixedVec3& boxMin,
                      FixedVec3& boxMax) {
  boxMin = {std::min(p.x, q.x) - margin, std::min(p.y, q.y) - margin, std::min(p.z, q.z) - margin};
  boxMax = {std::max(p.x, q.x) + margin, std::max(p.y, q.y) + margin, std::max(p.z, q.z) + margin};
}

}  // namespace vell
