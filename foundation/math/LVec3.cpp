#include "foundation/math/LVec3.h"

#include <cmath>

void vec3Normalize(LVec3& dst, const LVec3& src) {
  const float len = std::sqrt(src.x * src.x + src.y * src.y + src.z * src.z);
  // Multiplying by the reciprocal (not dividing) is part of the bit-exact contract.
  const float factor = len > 0.0f ? 1.0f / len : len;
  dst = {src.x * factor, src.y * factor, src.z * factor};
}

LVec3 vec3Subtract(const LVec3& a, const LVec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

float vec3Dot(const LVec3& a, const LVec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

LVec3 vec3Cross(const LVec3& a, const LVec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
