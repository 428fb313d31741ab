#include "engines/vell/LandMove.h"

#include "engines/vell/FieldMath.h"
#include "engines/vell/Map.h"
#include "foundation/math/DetMath.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace vell {

namespace {

constexpr float kEpsilon = 0.00001f;

Vec3f add(const Vec3f& a, const Vec3f& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3f sub(const Vec3f& a, const Vec3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3f scale(const Vec3f& a, float k) { return {a.x * k, a.y * k, a.z * k}; }
float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(const Vec3f& a) { return std::sqrt(dot(a, a)); }
Vec3f toFloat(const FixedVec3& p) {
  return {fixedToFloat(p.x), fixedToFloat(p.y), fixedToFloat(p.z)};
}
FixedVec3 toFixed(const Vec3f& p) { return ::vec3ToFixed(p.x, p.y, p.z); }

// The outcome of one step inside a triangle.
struct Step {
  bool moved = false;
  CollTriangle* next = nullptr;
  FixedVec3 position{};
  int32_t consumed = 0;
};

bool wasVisited(const WalkStrategy& strategy, const CollTriangle* t) {
  for (uint32_t i = 0; i < strategy.visitedCount; ++i) {
    if (strategy.visited[i] == t) return true;
  }
  return false;
}

// The corner list's triangle that the requested direction leads into best: one it enters
// through two edges at once is taken outright; otherwise the last of the best rank.
CollTriangle* pickCorner(WalkStrategy& strategy, CollTriangle* const* corner,
                         const Vec3f& requested) {
  CollTriangle* strong = nullptr;
  CollTriangle* weak = nullptr;
  CollTriangle* last = nullptr;
  for (uint32_t i = 0; i < kCornerCapacity && corner[i] != nullptr; ++i) {
    CollTriangle* t = corner[i];
    if (wasVisited(strategy, t)) continue;
    const Vec3f u = strategy.direction(strategy, *t, requested);
    const float c[3] = {dot(t->en0, u), dot(t->en1, u), dot(t->en2, u)};
    int negative = 0;
    int small = 0;
    for (float v : c) {
      if (v < 0.0f) {
        ++negative;
      } else if (v <= kEpsilon) {
        ++small;
      }
    }
    if (negative >= 2) return t;
    if (negative == 1 && small >= 1) {
      strong = t;
    } else if (negative == 0 && small >= 2) {
      weak = t;
    } else {
      last = t;
    }
  }
  return strong ? strong : weak ? weak : last;
}

// The end point E leaves the triangle across the edge from a to b (outward normal n, the end's
// distance dE, the start's dS).
Step edgeCase(WalkStrategy& strategy, const Vec3f& s, const Vec3f& e, const Vec3f& a,
              const Vec3f& b, const Vec3f& n, float dE, float dS, CollTriangle* neighbour) {
  Step out;
  if (dS > -kEpsilon && dE > dS + kEpsilon) {
    out.next = neighbour;  // on the edge and heading further out: cross without moving
    return out;
  }
  const Vec3f p = sub(e, scale(n, dE));
  const Vec3f ab = sub(b, a);
  const float ax = std::fabs(ab.x), ay = std::fabs(ab.y), az = std::fabs(ab.z);
  float t = 0.0f;
  if (ax > ay && ax > az) {
    t = (p.x - a.x) / ab.x;
  } else if (ay > az) {
    t = (p.y - a.y) / ab.y;
  } else {
    t = (p.z - a.z) / ab.z;
  }
  Vec3f clipped{};
  if (t <= kEpsilon) {
    clipped = a;
  } else if (t >= 0.99999f) {
    clipped = b;
  } else {
    clipped = add(a, scale(ab, t));
  }
  out.moved = true;
  out.position = toFixed(clipped);
  out.consumed = strategy.distance(strategy, s, clipped);
  out.next = dS > -kEpsilon ? nullptr : neighbour;
  return out;
}

// The end point lies beyond both edges that meet at vertex v (fixed vp); dX, dY are the end's
// distances from them and hX, hY the start's.
Step cornerCase(WalkStrategy& strategy, const Vec3f& requested, const Vec3f& s, const Vec3f& e,
                const Vec3f& v, const FixedVec3& vp, float dX, float hX, float dY, float hY,
                CollTriangle* const* corner) {
  Step out;
  const bool beyondX = hX > -kEpsilon;
  const bool beyondY = hY > -kEpsilon;
  bool toVertex = false;
  bool pick = false;
  if (!beyondX && !beyondY) {
    toVertex = true;
    pick = true;
  } else if (beyondX && !beyondY) {
    toVertex = dX <= hX;
    pick = !toVertex;
  } else if (beyondY && !beyondX) {
    toVertex = dY <= hY;
    pick = !toVertex;
  } else {
    const Vec3f ev = sub(e, v), sv = sub(s, v);
    toVertex = dot(ev, ev) <= dot(sv, sv);
    pick = !toVertex;
  }
  if (toVertex) {
    out.moved = true;
    out.position = vp;
    out.consumed = strategy.distance(strategy, s, v);
  }
  if (pick) {
    out.next = pickCorner(strategy, corner, requested);
  }
  return out;
}

Step stepInTriangle(WalkStrategy& strategy, CollTriangle& t, const WalkState& state,
                    const Vec3f& u) {
  const Vec3f s = toFloat(state.position);
  const Vec3f e = add(s, strategy.step(strategy, u, state.remaining));
  const float d0 = dot(t.en0, sub(e, t.f0));
  const float d1 = dot(t.en1, sub(e, t.f1));
  const float d2 = dot(t.en2, sub(e, t.f0));
  const float s0 = dot(t.en0, sub(s, t.f0));
  const float s1 = dot(t.en1, sub(s, t.f1));
  const float s2 = dot(t.en2, sub(s, t.f0));
  const bool out0 = d0 > -kEpsilon, out1 = d1 > -kEpsilon, out2 = d2 > -kEpsilon;
  const Vec3f& requested = state.dir;
  if (out0 && out1) {
    return cornerCase(strategy, requested, s, e, t.f1, t.p1, d0, s0, d1, s1, t.corner1);
  }
  if (out0 && out2) {
    return cornerCase(strategy, requested, s, e, t.f0, t.p0, d2, s2, d0, s0, t.corner0);
  }
  if (out0) {
    return edgeCase(strategy, s, e, t.f0, t.f1, t.en0, d0, s0, t.link0);
  }
  if (out1 && out2) {
    return cornerCase(strategy, requested, s, e, t.f2, t.p2, d1, s1, d2, s2, t.corner2);
  }
  if (out1) {
    return edgeCase(strategy, s, e, t.f1, t.f2, t.en1, d1, s1, t.link1);
  }
  if (out2) {
    return edgeCase(strategy, s, e, t.f2, t.f0, t.en2, d2, s2, t.link2);
  }
  Step inside;
  inside.moved = true;
  inside.position = toFixed(e);
  inside.consumed = strategy.distance(strategy, s, e);
  return inside;
}

// The share of the distance still to go that `consumed` takes, for scaling the fall budget.
float keptShare(int32_t consumed, int32_t remaining) {
  if (remaining == 0) return 0.0f;
  return 1.0f - static_cast<float>(consumed) / static_cast<float>(remaining);
}

bool onSlip(const LandQuery& query, const CollTriangle& t) { return t.slope >= query.slipLimit; }

}  // namespace

void LandQuery::init(LandQuery& query, const LandMove& move, ObjectSpace* engine,
                     const FixedVec3& boundsMin, const FixedVec3& boundsMax, CollTree* tree,
                     int32_t* pushCounter) {
  query.engine = engine;
  query.self = move.self;
  query.radius = move.radius;
  query.height = move.height;
  query.slideLimit = (move.options & kLandOptionSlide) ? move.slideAngle : 0x7FFFFFFF;
  query.slipLimit = (move.options & kLandOptionSlip) ? move.slipAngle : 0x7FFFFFFF;
  query.startsOnSlip = move.startTriangle != nullptr && onSlip(query, *move.startTriangle);
  query.boundsMin = &boundsMin;
  query.boundsMax = &boundsMax;
  query.tree = tree;
  query.pushCounter = pushCounter;
}

void WalkStrategy::useWalk() {
  direction = walkDirection;
  step = walkStep;
  distance = walkDistance;
}

void WalkStrategy::useSlip() {
  direction = slipDirection;
  step = slipStep;
  distance = slipDistance;
}

Vec3f walkDirection(WalkStrategy&, const CollTriangle& triangle, const Vec3f& requested) {
  const Vec3f& n = triangle.normal;
  if (std::fabs(n.y) < kEpsilon) return requested;
  Vec3f d{requested.x, requested.y - dot(n, requested) / n.y, requested.z};
  const float len = length(d);
  if (len > 0.0f) d = scale(d, 1.0f / len);
  return d;
}

Vec3f walkStep(WalkStrategy&, const Vec3f& direction, int32_t remaining) {
  return scale(direction, fixedToFloat(remaining));
}

int32_t walkDistance(WalkStrategy&, const Vec3f& from, const Vec3f& to) {
  return floatToFixed(length(sub(to, from)));
}

Vec3f slipDirection(WalkStrategy&, const CollTriangle& triangle, const Vec3f&) {
  const Vec3f& n = triangle.normal;
  const float q = n.x * n.x + n.z * n.z;
  if (q == 0.0f) return {0.0f, -1.0f, 0.0f};
  const Vec3f d{n.x * n.y / q, -1.0f, n.z * n.y / q};
  return scale(d, 1.0f / length(d));
}

Vec3f slipStep(WalkStrategy& strategy, const Vec3f& u, int32_t remaining) {
  strategy.stepLength = fixedToFloat(remaining);
  const float h2 = u.x * u.x + u.z * u.z;
  if (h2 > kEpsilon) {
    const float s = strategy.stepLength / std::sqrt(h2);
    if (strategy.fall >= -u.y * s) return scale(u, s);
  }
  if (u.y * u.y > kEpsilon) return scale(u, strategy.fall / std::fabs(u.y));
  return scale(u, 1.0f / 1024.0f);
}

int32_t slipDistance(WalkStrategy& strategy, const Vec3f& from, const Vec3f& to) {
  if (strategy.fall < kEpsilon) return floatToFixed(strategy.stepLength);
  const Vec3f d = sub(to, from);
  const float h2 = d.x * d.x + d.z * d.z;
  const float v2 = d.y * d.y;
  // stepLength is above 0 here: a step of no length never reaches a second triangle.
  const float across = h2 > kEpsilon && strategy.stepLength > 0.0f
                           ? std::sqrt(h2) / strategy.stepLength
                           : 0.0f;
  const float down = v2 > kEpsilon ? std::sqrt(v2) / strategy.fall : 0.0f;
  return floatToFixed(std::max(across, down) * strategy.stepLength);
}

bool walkLand(const LandQuery& query, WalkState& state, WalkStrategy& strategy, int depth) {
  for (;;) {
    CollTriangle* current = state.triangle;
    // The walk never crosses between ordinary and slippery ground.
    if (onSlip(query, *current) != query.startsOnSlip) return false;
    strategy.fall = state.fall;
    const Vec3f u = strategy.direction(strategy, *current, state.dir);
    const Step step = stepInTriangle(strategy, *current, state, u);
    if (!step.moved) {
      if (step.next == nullptr) {
        state.flags |= kWalkStopped;
        return false;
      }
      if (wasVisited(strategy, step.next) || strategy.visitedCount >= kWalkVisitedCapacity) {
        return false;
      }
      strategy.visited[strategy.visitedCount++] = step.next;
      state.triangle = step.next;
      continue;
    }
    if (step.consumed == 0) {
      state.flags |= kWalkStopped;
      return false;
    }

    // Walls, with the sphere resting 0.03 above the ground, then the other objects up to the
    // wall contact.
    FixedVec3 wallPosition{}, wallMove{};
    float wallAngle = 0.0f;
    const int wall = query.tree->sweepSphere(*query.boundsMin, *query.boundsMax,
                                             *query.pushCounter, state.position, step.position,
                                             query.radius, u, query.radius + 31, wallPosition,
                                             wallMove, wallAngle, state.reflect);
    FixedVec3 objectPosition{}, objectMove{};
    const bool object =
        sweepObjects(objectPosition, objectMove, state.position,
                     wall != 0 ? wallPosition : step.position, query.radius, query.height,
                     query.engine, query.self);

    if (wall == 0 && !object) {
      const bool changed = step.next != nullptr && step.next != current;
      if (step.next != nullptr) state.triangle = step.next;
      state.position = step.position;
      state.fall *= keptShare(step.consumed, state.remaining);
      state.remaining -= step.consumed;
      strategy.resetVisited(state.triangle);
      if (changed && state.remaining > 0) continue;
      return step.consumed > 1;
    }

    const FixedVec3 contact = object ? objectPosition : wallPosition;
    const FixedVec3 m = object ? objectMove : wallMove;
    const float angle = object ? 0.0f : wallAngle;
    if (floatToFixed(angle) < query.slideLimit) {
      state.position = contact;
      state.flags |= kWalkBlocked;
      state.remaining = 0;
      state.fall = 0.0f;
      strategy.resetVisited(state.triangle);
      return false;
    }
    if (depth < 1) return false;

    const Vec3f mf = toFloat(m);
    const float mLength = length(mf);
    const int32_t mFixed = floatToFixed(mLength);
    Vec3f h{0.0f, 0.0f, 0.0f};
    if (mFixed > 1) h = {mf.x / mLength, 0.0f, mf.z / mLength};
    const float vLength = length(walkDirection(strategy, *current, h));
    // A push straight up or down gives no slide direction: the mover stops at the contact as
    // for a push too short to slide.
    if (mFixed <= 1 || !(vLength > 0.0f)) {
      state.position = contact;
      state.fall *= keptShare(step.consumed, state.remaining);
      state.remaining -= step.consumed;
      strategy.resetVisited(state.triangle);
      return step.consumed > 1;
    }
    const float slide = mLength * mLength / (vLength * fixedToFloat(mFixed));

    const Vec3f startF = toFloat(state.position);
    const Vec3f contactF = toFloat(contact);
    const float before = static_cast<float>(strategy.distance(strategy, startF, contactF));
    const float k0 = state.remaining != 0
                         ? std::clamp(1.0f - before / static_cast<float>(state.remaining), 0.0f,
                                      1.0f)
                         : 0.0f;
    WalkState along;
    along.triangle = current;
    along.position = contact;
    along.flags = 0;
    along.remaining = floatToFixed(slide);
    along.dir = h;
    along.reflect = state.reflect;
    along.fall = state.fall * k0;
    strategy.resetVisited(current);
    strategy.useWalk();
    const bool more = walkLand(query, along, strategy, depth - 1);

    const float path = length(sub(toFloat(step.position), startF));
    const float s = path > 0.0f ? length(sub(contactF, startF)) / path : 1.0f;
    const float g = length(sub(toFloat(along.position), contactF)) / slide;
    const float f = std::clamp(g * (1.0f - s) + s, 0.0f, 1.0f);
    state.triangle = along.triangle;
    state.position = along.position;
    state.reflect = along.reflect;
    const int32_t k = floatToFixed(fixedToFloat(step.consumed) * f);
    state.remaining -= k;
    state.flags |= along.flags;
    state.fall *= 1.0f - f;
    strategy.resetVisited(state.triangle);
    return more && k > 1;
  }
}

bool sweepObjects(FixedVec3& outPosition, FixedVec3& outMove, const FixedVec3& start,
                  const FixedVec3& end, int32_t radius, int32_t height, ObjectSpace* engine,
                  const SpaceItem* self) {
  const FixedVec3 move{end.x - start.x, end.y - start.y, end.z - start.z};
  if ((move.x == 0 && move.z == 0) || engine == nullptr) return false;
  FixedVec3 lo{}, hi{};
  segmentBoxPadded(0, start, end, lo, hi);
  lo.x -= radius;
  hi.x += radius;
  lo.z -= radius;
  hi.z += radius;
  hi.y += height;
  const OMB_ARRAY& found = engine->query(lo, hi, kSpaceMaskOnLand);
  const Vec3f d = toFloat(move);
  const Vec3f s = toFloat(start);
  const float dd = d.x * d.x + d.z * d.z;
  const SpaceItem* winner = nullptr;
  float best = 0.0f;
  for (uint32_t i = 0; i < found.count; ++i) {
    const auto* item = static_cast<const SpaceItem* const*>(found.items)[i];
    if (item == self) continue;
    const Vec3f at = toFloat(item->position);
    const float ox = at.x - s.x, oz = at.z - s.z;
    const float ahead = ox * d.x + oz * d.z;
    if (ahead <= 0.0f) continue;  // behind the start
    const float r = fixedToFloat(radius + item->radius);
    const float o2 = ox * ox + oz * oz;
    float t = 0.0f;
    if (o2 > r * r + kEpsilon) {
      // |o - tD|² = r²: the first root, where the circles first touch.
      const float c = o2 - r * r;
      const float disc = ahead * ahead - dd * c;
      if (disc < 0.0f) continue;
      t = (ahead - std::sqrt(disc)) / dd;
      if (t < 0.0f || t > 1.0f) continue;
    }
    if (winner != nullptr && !(t < best)) continue;
    const float low = s.y + t * d.y;
    const float high = low + fixedToFloat(height);
    const float itemLow = at.y + fixedToFloat(item->bottom);
    const float itemHigh = at.y + fixedToFloat(item->top);
    if (low > itemHigh || itemLow > high) continue;
    winner = item;
    best = t;
  }
  if (winner == nullptr) return false;
  outPosition = ::vec3ToFixed(s.x + best * d.x, s.y + best * d.y, s.z + best * d.z);
  outMove = {end.x - outPosition.x, end.y - outPosition.y, end.z - outPosition.z};
  // Out of the other cylinder: along the horizontal line from its axis to the contact.
  const Vec3f at = toFloat(winner->position);
  const Vec3f p = toFloat(outPosition);
  Vec3f away{p.x - at.x, 0.0f, p.z - at.z};
  const float len = length(away);
  if (len > 0.0f) {
    away = scale(away, 1.0f / len);
    const float push = std::fabs(dot(toFloat(outMove), away)) + 0.03f;
    const FixedVec3 pushFixed = toFixed(scale(away, push));
    outMove = {outMove.x + pushFixed.x, outMove.y + pushFixed.y, outMove.z + pushFixed.z};
  }
  return true;
}

CollTriangle* landAtPoint(Map& map, const FixedVec3& p) {
  const std::optional<LandHit> hit = map.findLand(p);
  return hit && vec3iEqual(hit->point, p) ? hit->triangle : nullptr;
}

LandHit landPlacement(Map& map, const FixedVec3& p) {
  const std::optional<LandHit> hit = map.findLand(p);
  return hit ? *hit : LandHit{nullptr, p};
}

void moveObjectLand(Map& map, ObjectSpace* engine, LandMove& move) {
  move.endTriangle = move.startTriangle;
  move.endPosition = move.startPosition;
  move.resultFlags = 0;
  if (move.distance <= 0) return;
  // Without a land triangle there is nothing to walk on: the mover stays, as at an edge.
  if (move.startTriangle == nullptr) {
    move.resultFlags = kWalkStopped;
    return;
  }
  LandQuery query;
  LandQuery::init(query, move, engine, map.boundsMin(), map.boundsMax(), &map.tree(),
                  &map.tree().pushCounter);
  WalkState state;
  state.triangle = move.startTriangle;
  state.position = move.startPosition;
  state.remaining = move.distance;
  const float a = static_cast<float>(move.angle) / 1024.0f;
  state.dir = {detmath::sin(a), 0.0f, detmath::cos(a)};
  state.fall = fixedToFloat(move.slipFall);
  // Without a contact this move keeps the reflection of the last one.
  state.reflect = move.reflect;
  WalkStrategy strategy;
  strategy.resetVisited(state.triangle);
  bool more = true;
  while (more && state.remaining > 1) {
    if (query.startsOnSlip) {
      strategy.useSlip();
    } else {
      strategy.useWalk();
    }
    more = walkLand(query, state, strategy, 3);
  }
  move.endTriangle = state.triangle;
  move.endPosition = state.position;
  move.resultFlags = state.flags;
  move.reflect = state.reflect;
  if (onSlip(query, *state.triangle)) move.resultFlags |= kWalkOnSlip;
}

}  // namespace vell
