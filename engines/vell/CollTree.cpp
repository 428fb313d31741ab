#include "engines/vell/CollTriangle.h"
#include "engines/vell/FieldMath.h"
#include "engines/vell/ObjectSpace.h"
#include "foundation/math/DetMath.h"

#include <algorithm>
#include <cmath>

namespace vell {

namespace {

constexpr float kPi = 3.14159265f;

float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3f moveOf(const FixedVec3& from, const FixedVec3& to) {
  return {fixedToFloat(to.x - from.x), fixedToFloat(to.y - from.y), fixedToFloat(to.z - from.z)};
}

FixedVec3 lifted(const FixedVec3& p, int32_t lift) { return {p.x, p.y + lift, p.z}; }

int64_t distanceSquared(const FixedVec3& a, const FixedVec3& b) {
  const int64_t dx = int64_t{a.x} - b.x;
  const int64_t dy = int64_t{a.y} - b.y;
  const int64_t dz = int64_t{a.z} - b.z;
  return dx * dx + dy * dy + dz * dz;
}

uint32_t clampedQuery(CollTree& tree, const FixedVec3& boundsMin, const FixedVec3& boundsMax,
                      FixedVec3 lo, FixedVec3 hi, uint32_t mask) {
  clampBox(lo, hi, boundsMin, boundsMax);
  return tree.query(lo, hi, mask);
}

// The segment cast shared by the land and ceiling casts: the hit nearest to start, the first
// found on a tie.
CollTriangle* castSegment(const CollQuery& query, const FixedVec3& start, const FixedVec3& end,
                          uint32_t mask, FixedVec3& outPoint) {
  Vec3f dir = moveOf(start, end);
  const float len = std::sqrt(dir.x * dir.x + dir.y * dir.y + dir.z * dir.z);
  if (len > 0.0f) {
    dir = {dir.x / len, dir.y / len, dir.z / len};
  }
  FixedVec3 lo{}, hi{};
  segmentBoxPadded(0, start, end, lo, hi);
  CollTree& tree = *query.tree;
  const uint32_t found = clampedQuery(tree, *query.boundsMin, *query.boundsMax, lo, hi, mask);
  CollTriangle* best = nullptr;
  int64_t bestDistance = 0;
  FixedVec3 bestPoint = end;
  for (uint32_t i = 0; i < found; ++i) {
    CollTriangle* t = tree.result(i);
    if (!(dot(t->normal, dir) < 0.00001f)) {
      continue;
    }
    FixedVec3 hit{};
    if (!t->intersectSegment(start, end, hit)) {
      continue;
    }
    const int64_t d = distanceSquared(hit, start);
    if (best == nullptr || d < bestDistance) {
      best = t;
      bestDistance = d;
      bestPoint = hit;
    }
  }
  outPoint = bestPoint;
  return best;
}

}  // namespace

void CollTree::insert(CollTriangle* t) {
  if (t->state & kTriangleFlagInTree) {
    return;
  }
  t->state |= kTriangleFlagInTree;
  const int32_t minX = std::min({t->p0.x, t->p1.x, t->p2.x});
  const int32_t minY = std::min({t->p0.y, t->p1.y, t->p2.y});
  const int32_t minZ = std::min({t->p0.z, t->p1.z, t->p2.z});
  const int32_t maxX = std::max({t->p0.x, t->p1.x, t->p2.x});
  const int32_t maxY = std::max({t->p0.y, t->p1.y, t->p2.y});
  const int32_t maxZ = std::max({t->p0.z, t->p1.z, t->p2.z});
  if (kind == kTreeOct) {
    ombOctreeInsert(octree, t, {minX, minY, minZ}, {maxX, maxY, maxZ});
  } else {
    ombQuadTreeInsert(quadtree, t, {minX, minZ}, {maxX, maxZ});
  }
}

void CollTree::remove(CollTriangle* t) {
  if (!(t->state & kTriangleFlagInTree)) {
    return;
  }
  t->state &= ~kTriangleFlagInTree;
  if (kind == kTreeOct) {
    ombTreeRemoveEntry(octree, t);
  } else {
    ombTreeRemoveEntry(quadtree, t);
  }
}

uint32_t CollTree::query(const FixedVec3& boxMin, const FixedVec3& boxMax, uint32_t mask) {
  if (kind == kTreeOct && octree != nullptr) {
    ombOctreeQueryOverlap({boxMin.x, boxMin.y, boxMin.z}, results, octree,
                      {boxMax.x, boxMax.y, boxMax.z}, mask);
  } else if (kind != kTreeOct && quadtree != nullptr) {
    ombQuadTreeQueryOverlap({boxMin.x, boxMin.z}, results, quadtree, {boxMax.x, boxMax.z}, mask);
  } else {
    ombArrayResize(results, 0);
  }
  return results->count;
}

int CollTree::sweepSphere(const FixedVec3& boundsMin, const FixedVec3& boundsMax,
                          int32_t& counter, const FixedVec3& start, const FixedVec3& end,
                          int32_t radius, const Vec3f& facing, int32_t lift,
                          FixedVec3& outPosition, FixedVec3& outMove, float& outAngle,
                          Vec3f& outReflect) {
  const FixedVec3 s = lifted(start, lift);
  const FixedVec3 e = lifted(end, lift);
  const Vec3f delta = moveOf(s, e);
  const float r = fixedToFloat(radius);
  const float reach = r + 0.00001f;
  const float reach2 = r * r + 0.00001f;
  FixedVec3 lo{}, hi{};
  segmentBoxPadded(radius, s, e, lo, hi);
  const uint32_t found = clampedQuery(*this, boundsMin, boundsMax, lo, hi, kMaskWall);
  outPosition = end;
  SweepBest best;
  const Vec3f sf{fixedToFloat(s.x), fixedToFloat(s.y), fixedToFloat(s.z)};
  for (uint32_t i = 0; i < found; ++i) {
    sweepSphereCandidate(*result(i), sf, delta, reach, reach2, start, best);
  }
  if (best.triangle == nullptr) {
    return 0;
  }
  const Vec3f n = best.triangle->normal;
  int code = 0;
  if (best.value >= 0.0f) {
    outPosition = {best.position.x, best.position.y - lift, best.position.z};
    const FixedVec3 rem{end.x - outPosition.x, end.y - outPosition.y, end.z - outPosition.z};
    const Vec3f remf{fixedToFloat(rem.x), fixedToFloat(rem.y), fixedToFloat(rem.z)};
    const float push =
        std::fabs(dot(n, remf)) + 0.03f + 0.006f * static_cast<float>(counter);
    const FixedVec3 pushFixed = ::vec3ToFixed(n.x * push, n.y * push, n.z * push);
    outMove = {rem.x + pushFixed.x, rem.y + pushFixed.y, rem.z + pushFixed.z};
    counter = counter >= 3 ? 0 : counter + 1;
    code = 1;
  } else {
    outPosition = start;
    const float count = static_cast<float>(best.touches);
    const float length = std::sqrt(dot(delta, delta));
    outMove = ::vec3ToFixed(best.normalSum.x / count * length, best.normalSum.y / count * length,
                            best.normalSum.z / count * length);
    code = 2;
  }
  float q = 0.0f;
  const float flat = std::sqrt(facing.x * facing.x + facing.z * facing.z);
  if (flat > 0.0f) {
    const Vec3f level{facing.x / flat, 0.0f, facing.z / flat};
    q = dot(n, level);
  }
  const float angle = q >= 1.0f ? 0.0f : (q <= -1.0f ? kPi : detmath::acos(q));
  outAngle = kPi - angle;
  const Vec3f d = moveOf(start, end);
  const float dn = 2.0f * dot(d, n);
  outReflect = {d.x - dn * n.x, d.y - dn * n.y, d.z - dn * n.z};
  return code;
}

CollTriangle* castLand(const CollQuery& query, FixedVec3& outPoint, const FixedVec3& start,
                       const FixedVec3& end) {
  return castSegment(query, start, end, kMaskLand, outPoint);
}

CollTriangle* castCeiling(const FixedVec3& end, const FixedVec3& start, const CollQuery& query,
                          FixedVec3& outPoint) {
  FixedVec3 hit{};
  CollTriangle* t =
      castSegment(query, lifted(start, query.height), lifted(end, query.height), kMaskCeiling, hit);
  outPoint = t != nullptr ? FixedVec3{hit.x, hit.y - query.height, hit.z} : end;
  return t;
}

}  // namespace vell
