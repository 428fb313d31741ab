// The five direction sets of the pattern generator, as rotations that turn +Z onto each
// direction.

#include "engines/rond/bullet/BulletManager.h"

#include "engines/rond/bullet/BulletRotation.h"
#include "foundation/math/DetMath.h"

#include <iterator>

namespace rond {

namespace {

// The rotation that turns +Z onto the direction.
LQuat directionQuat(float x, float y, float z) {
  LVec3 d;
  vec3Normalize(d, LVec3{x, y, z});
  if (d.x == 0.0f && d.y == 0.0f && d.z >= 0.999f) return kQuatIdentity;
  if (d.x == 0.0f && d.y == 0.0f && d.z <= -0.999f) {
    float s, c;
    detmath::sincos(kPi * 0.5f, &s, &c);
    return {0.0f, s, 0.0f, c};
  }
  const LVec3 zAxis{0.0f, 0.0f, 1.0f};
  return quatFromAxisAngle(vec3Cross(zAxis, d), angleBetween(zAxis, d));
}

}  // namespace

BulletDirectionSets makeBulletDirectionSets() {
  struct D {
    float x, y, z;
  };
  static const D set0[] = {{0.816497f, -0.471405f, -0.333333f},
                           {-0.816497f, -0.471405f, -0.333333f},
                           {0, 0, 1},
                           {0, 0.609476f, 0}};
  static const D set1[] = {{0, -1, 0}, {-1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {0, 0, 1}};
  static const D set2[] = {{-0.816497f, -0.472938f, 0.331154f}, {-0.816497f, 0.472938f, -0.331155f},
                           {0, 0.941261f, 0.337680f},           {0, 0, 1},
                           {0, -0.941261f, -0.337680f},         {0, 0, -1},
                           {0.816497f, 0.472938f, -0.331154f},  {0.816497f, -0.472938f, 0.331155f}};
  static const D set3[] = {
      {-0.356822f, -0.872678f, 0.333333f}, {0.356822f, -0.872678f, 0.333333f},
      {0.577350f, -0.745356f, -0.333333f}, {0, -0.666667f, -0.745356f},
      {-0.577350f, -0.745356f, -0.333333f}, {-0.577350f, -0.333333f, 0.745356f},
      {0.577350f, -0.333333f, 0.745356f},  {0.934172f, -0.127322f, -0.333333f},
      {0, 0, -1},                          {-0.934172f, -0.127322f, -0.333333f},
      {-0.934172f, 0.127322f, 0.333333f},  {0, 0, 1},
      {0.934172f, 0.127322f, 0.333333f},   {0.577350f, 0.333333f, -0.745356f},
      {-0.577350f, 0.333333f, -0.745356f}, {-0.577350f, 0.745356f, 0.333333f},
      {0, 0.666667f, 0.745356f},           {0.577350f, 0.745356f, 0.333333f},
      {0.356822f, 0.872678f, -0.333333f},  {-0.356822f, 0.872678f, -0.333333f}};
  static const D set4[] = {
      {-0.525731f, -0.723607f, 0.447214f}, {-0.850651f, 0.276393f, 0.447214f},
      {0, 0.894427f, 0.447214f},           {0.850651f, 0.276393f, 0.447214f},
      {0.525731f, -0.723607f, 0.447214f},  {0, -0.894427f, -0.447214f},
      {-0.850651f, -0.276393f, -0.447214f}, {-0.525731f, 0.723607f, -0.447214f},
      {0.525731f, 0.723607f, -0.447214f},  {0.850651f, -0.276393f, -0.447214f},
      {0, 0, 1},                           {0, 0, -1}};
  BulletDirectionSets sets;
  auto fill = [](std::vector<LQuat>& out, const D* d, size_t n) {
    for (size_t i = 0; i < n; ++i) out.push_back(directionQuat(d[i].x, d[i].y, d[i].z));
  };
  fill(sets[0], set0, std::size(set0));
  fill(sets[1], set1, std::size(set1));
  fill(sets[2], set2, std::size(set2));
  fill(sets[3], set3, std::size(set3));
  fill(sets[4], set4, std::size(set4));
  return sets;
}

}  // namespace rond
