#include "engines/vell/CollTriangle.h"

#include <cmath>

namespace vell {

namespace {

// 1.05^2 - 1 in single precision: the edge windows reach 10.25 % past each end.
constexpr float kWindow = 0.10249990f;

Vec3f toFloat(const FixedVec3& p) {
  return {fixedToFloat(p.x), fixedToFloat(p.y), fixedToFloat(p.z)};
}
Vec3f sub(const Vec3f& a, const Vec3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3f cross(const Vec3f& a, const Vec3f& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// A zero vector (a degenerate triangle) stays zero instead of dividing by zero.
Vec3f normalized(const Vec3f& v) {
  const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (len > 0.0f) {
    return {v.x / len, v.y / len, v.z / len};
  }
  return v;
}

}  // namespace

uint32_t CollTriangle::computeMask() const {
  if (set < kSetLand || set > kSetCeiling) {
    return 0;
  }
  const uint32_t own = (groupFlags & 1u) ? 0u : (1u << set);
  const uint32_t bullet = (groupFlags & 2u) ? 0u : kMaskBullet;
  return own | bullet;
}

void CollTriangle::setup() {
  f0 = toFloat(p0);
  f1 = toFloat(p1);
  f2 = toFloat(p2);
  e0 = sub(f1, f0);
  e1 = sub(f2, f1);
  e2 = sub(f0, f2);
  normal = normalized(cross(e0, e1));
  en0 = normalized(cross(e0, normal));
  en1 = normalized(cross(e1, normal));
  en2 = normalized(cross(e2, normal));
  axis = normalized(e0);
  len0 = dot(axis, e0);
  const Vec3f toVertex2{-e2.x, -e2.y, -e2.z};
  x2 = dot(axis, toVertex2);
  y2 = dot(en0, toVertex2);
  x21 = x2 - len0;
  y21 = y2;
  const float sq0 = len0 * len0;
  lo0 = -kWindow * sq0;
  hi0 = sq0 + kWindow * sq0;
  const float sq1 = x21 * x21 + y21 * y21;
  lo1 = -kWindow * sq1;
  hi1 = sq1 + kWindow * sq1;
  const float sq2 = x2 * x2 + y2 * y2;
  lo2 = -kWindow * sq2;
  hi2 = sq2 + kWindow * sq2;
  m1x = -y21;
  m1y = x21;
  const float l1 = std::sqrt(sq1);
  if (l1 > 0.0f) {
    m1x /= l1;
    m1y /= l1;
  }
  m2x = y2;
  m2y = -x2;
  const float l2 = std::sqrt(sq2);
  if (l2 > 0.0f) {
    m2x /= l2;
    m2y /= l2;
  }
  groupFlags = group != nullptr ? group->flags : 0u;
  entry.cell = nullptr;
  entry.mask = computeMask();
  ombListInit(&riders, kRiderLinkOffset);
}

void CollTriangle::setVertices(const FixedVec3& a, const FixedVec3& b, const FixedVec3& c) {
  p0 = a;
  p1 = b;
  p2 = c;
  f0 = toFloat(a);
  f1 = toFloat(b);
  f2 = toFloat(c);
}

bool CollTriangle::intersectPlane(const FixedVec3& start, const FixedVec3& end, Vec3f& outPoint,
                                  float& outT) const {
  const Vec3f s = toFloat(start);
  const Vec3f d{fixedToFloat(end.x - start.x), fixedToFloat(end.y - start.y),
                fixedToFloat(end.z - start.z)};
  const Vec3f w{fixedToFloat(start.x - p0.x), fixedToFloat(start.y - p0.y),
                fixedToFloat(start.z - p0.z)};
  const float den = dot(normal, d);
  if (den == 0.0f) {
    return false;
  }
  const float t = -dot(normal, w) / den;
  outT = t;
  outPoint = {s.x + t * d.x, s.y + t * d.y, s.z + t * d.z};
  return true;
}

bool CollTriangle::contains(const Vec3f& p) const {
  constexpr float kEdge = 0.00001f;
  return dot(en0, sub(p, f0)) <= kEdge && dot(en1, sub(p, f1)) <= kEdge &&
         dot(en2, sub(p, f0)) <= kEdge;
}

bool CollTriangle::touchesSphere(const Vec3f& p, float reach, float reach2) const {
  const Vec3f rel = sub(p, f0);
  const float x = dot(axis, rel);
  const float y = dot(en0, rel);
  const float along0 = len0 * x;
  const float along1 = x21 * (x - len0) + y21 * y;
  const float along2 = x2 * x + y2 * y;
  if (along0 >= lo0 && along0 <= hi0 && along1 >= lo1 && along1 <= hi1 && along2 >= lo2 &&
      along2 <= hi2) {
    return y <= reach && m1x * (x - len0) + m1y * y <= reach && m2x * x + m2y * y <= reach;
  }
  const float dx1 = x - len0;
  const float dx2 = x - x2;
  const float dy2 = y - y2;
  return x * x + y * y <= reach2 || dx1 * dx1 + y * y <= reach2 || dx2 * dx2 + dy2 * dy2 <= reach2;
}

bool CollTriangle::intersectSegment(const FixedVec3& start, const FixedVec3& end,
                                    FixedVec3& outPoint) const {
  Vec3f hit{};
  float t = 0.0f;
  if (!intersectPlane(start, end, hit, t) || t < 0.0f || t > 1.0f || !contains(hit)) {
    return false;
  }
  outPoint = vec3ToFixed(hit.x, hit.y, hit.z);
  return true;
}

void sweepSphereCandidate(const CollTriangle& t, const Vec3f& s, const Vec3f& delta, float reach,
                          float reach2, const FixedVec3& start, SweepBest& best) {
  const float den = dot(t.normal, delta);
  // Only a wall approached from its front blocks.
  if (den >= 0.0f) {
    return;
  }
  const float r = dot(t.normal, sub(s, t.f0));
  const float dist = std::fabs(r);
  if (reach > dist && t.touchesSphere(s, reach, reach2)) {
    best.touches += 1;
    best.normalSum = {best.normalSum.x + t.normal.x, best.normalSum.y + t.normal.y,
                      best.normalSum.z + t.normal.z};
    // Among the walls touched at the start, the one whose plane is nearest the centre wins.
    if (!(best.value < 0.0f) || best.value < -dist) {
      best.triangle = &t;
      best.value = -dist;
      best.position = start;
    }
    return;
  }
  const float when = (reach - r) / den;
  if (!(when >= 0.0f && when <= 1.0f && when < best.value)) {
    return;
  }
  const Vec3f p{s.x + when * delta.x, s.y + when * delta.y, s.z + when * delta.z};
  if (t.touchesSphere(p, reach, reach2)) {
    best.triangle = &t;
    best.value = when;
    best.position = vec3ToFixed(p.x, p.y, p.z);
  }
}

}  // namespace vell
