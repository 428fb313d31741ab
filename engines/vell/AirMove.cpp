#include "engines/vell/AirMove.h"

#include "engines/vell/FieldMath.h"
#include "engines/vell/Map.h"
#include "foundation/math/DetMath.h"

#include <cmath>

namespace vell {

namespace {

constexpr float kEpsilon = 0.00001f;

float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3f toFloat(const FixedVec3& p) {
  return {fixedToFloat(p.x), fixedToFloat(p.y), fixedToFloat(p.z)};
}
Vec3f reflected(const Vec3f& d, const Vec3f& n) {
  const float k = 2.0f * dot(d, n);
  return {d.x - k * n.x, d.y - k * n.y, d.z - k * n.z};
}

}  // namespace

void moveAir(AirState& state, const CollQuery& query, int budget) {
  CollTree& tree = *query.tree;
  for (;;) {
    const FixedVec3 target{
        state.position.x + floatToFixed(state.dir.x * fixedToFloat(state.distance)),
        state.position.y + state.rise,
        state.position.z + floatToFixed(state.dir.z * fixedToFloat(state.distance))};
    FixedVec3 ceilingPoint{}, landPoint{};
    CollTriangle* ceiling = castCeiling(target, state.position, query, ceilingPoint);
    CollTriangle* land = castLand(query, landPoint, state.position, ceilingPoint);

    if (state.distance > 0) {
      FixedVec3 contact{}, move{};
      float angle = 0.0f;
      Vec3f reflect{};
      const int wall =
          tree.sweepSphere(*query.boundsMin, *query.boundsMax, *query.pushCounter,
                           state.position, landPoint, query.radius, state.dir, 0, contact, move,
                           angle, reflect);
      if (wall == 2) {
        // Touching at the start: pushed out first, then the step again.
        if (budget <= 0) return;
        const FixedVec3 pushed{state.position.x + move.x, state.position.y + move.y,
                               state.position.z + move.z};
        FixedVec3 out{}, outMove{};
        float outAngle = 0.0f;
        Vec3f outReflect{};
        tree.sweepSphere(*query.boundsMin, *query.boundsMax, *query.pushCounter,
                         state.position, pushed, query.radius, {0.0f, 0.0f, 1.0f}, 0, out,
                         outMove, outAngle, outReflect);
        if (vec3iEqual(out, state.position)) state.distance = 0;
        state.position = out;
        --budget;
        continue;
      }
      if (wall == 1) {
        if (floatToFixed(angle) < query.slideLimit) {
          state.position = contact;
          state.flags |= kAirWall;
          state.reflect = reflect;
          return;
        }
        if (budget <= 0) return;
        state.position = contact;
        const Vec3f m = toFloat(move);
        const float mLength = std::sqrt(dot(m, m));
        if (mLength <= kEpsilon) return;
        const Vec3f rest = toFloat(
            {target.x - contact.x, target.y - contact.y, target.z - contact.z});
        const float k = std::sqrt(dot(rest, rest));
        const Vec3f slide{m.x * k / mLength, m.y * k / mLength, m.z * k / mLength};
        state.rise = floatToFixed(slide.y);
        const float flat = std::sqrt(slide.x * slide.x + slide.z * slide.z);
        if (flat <= kEpsilon) {
          state.dir = {0.0f, 0.0f, 1.0f};
          state.distance = 0;
        } else {
          state.dir = {slide.x / flat, 0.0f, slide.z / flat};
          state.distance = floatToFixed(flat);
        }
        if (state.rise == 0 && state.distance == 0) return;
        --budget;
        continue;
      }
    }

    // Finish: the step ends where the casts stopped it.
    const FixedVec3 from = state.position;
    state.position = landPoint;
    if (ceiling != nullptr) {
      state.flags |= kAirCeiling;
      state.reflect = reflected(
          toFloat({target.x - from.x, target.y - from.y, target.z - from.z}), ceiling->normal);
    } else if (land != nullptr) {
      state.landTriangle = land;
    } else {
      state.position = target;
    }
    return;
  }
}

void moveObjectAir(Map& map, AirMove& move) {
  CollQuery query = map.makeQuery(move.radius, move.height);
  query.slideLimit = (move.options & kAirOptionSlide) ? move.slideAngle : 0x7FFFFFFF;
  move.resultTriangle = nullptr;
  move.resultFlags = 0;
  move.endPosition = move.startPosition;
  FixedVec3 p = move.startPosition;

  // Leaving land: the move starts 5/1024 above the hint's plane, unless a ceiling is in the way.
  if (move.landHint != nullptr && move.rise > 0) {
    Vec3f hit{};
    float t = 0.0f;
    if (!move.landHint->intersectPlane({p.x, 0, p.z}, {p.x, 1024, p.z}, hit, t)) {
      move.resultTriangle = move.landHint;
      return;
    }
    const FixedVec3 lifted{p.x, floatToFixed(hit.y) + 5, p.z};
    FixedVec3 out{};
    if (castCeiling(lifted, p, query, out) != nullptr) {
      move.resultTriangle = move.landHint;
      return;
    }
    p = lifted;
  }

  const float a = static_cast<float>(move.angle) / 1024.0f;
  if (move.rise != 0) {
    const FixedVec3 to{p.x, p.y + move.rise, p.z};
    FixedVec3 out{};
    if (move.rise > 0) {
      CollTriangle* ceiling = castCeiling(to, p, query, out);
      if (ceiling != nullptr) {
        move.endPosition = out;
        move.resultFlags = kAirCeiling;
        // The whole frame's motion, reflected off the ceiling.
        const Mat33 r = mat33RotationY(a);
        const float forward = fixedToFloat(move.distance);
        Vec3f d{forward * r.m[2][0], fixedToFloat(move.rise) + forward * r.m[2][1],
                forward * r.m[2][2]};
        const float len = std::sqrt(dot(d, d));
        if (len > 0.0f) d = {d.x / len, d.y / len, d.z / len};
        move.reflect = reflected(d, ceiling->normal);
        return;
      }
    } else {
      CollTriangle* land = castLand(query, out, p, to);
      if (land != nullptr) {
        move.endPosition = out;
        move.resultTriangle = land;
        return;
      }
    }
    p = out;
  }

  if (move.distance == 0) {
    move.endPosition = p;
    return;
  }
  AirState state;
  state.position = p;
  state.distance = move.distance;
  state.dir = {detmath::sin(a), 0.0f, detmath::cos(a)};
  state.reflect = move.reflect;
  moveAir(state, query, 3);
  move.resultTriangle = state.landTriangle;
  move.endPosition = state.position;
  move.resultFlags = state.flags;
  move.reflect = state.reflect;
}

}  // namespace vell
