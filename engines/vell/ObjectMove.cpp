#include "engines/vell/ObjectMove.h"

#include "engines/vell/CollMap.h"
#include "engines/vell/Engine.h"
#include "engines/vell/Map.h"
#include "foundation/math/DetMath.h"

#include <cmath>

namespace vell {

namespace {

FixedVec3 startPoint(const Object& o) {
  return {o.position.x, o.position.y + o.entry.bottom, o.position.z};
}

// The unit direction from one position to another in units; (0, 0, 0) without a move.
Vec3f directionBetween(const FixedVec3& from, const FixedVec3& to) {
  const float x = fixedToFloat(to.x - from.x);
  const float y = fixedToFloat(to.y - from.y);
  const float z = fixedToFloat(to.z - from.z);
  const float len = std::sqrt(x * x + y * y + z * z);
  if (len == 0.0f) return {0.0f, 0.0f, 0.0f};
  return {x / len, y / len, z / len};
}

int32_t roundHalfAway(float v) {
  return static_cast<int32_t>(v < 0.0f ? v - 0.5f : v + 0.5f);
}

}  // namespace

bool pushApart(Map& map, ObjectSpace& space, PushApart& record) {
  const FixedVec3& p = record.position;
  const OMB_ARRAY& found = space.query({p.x - record.radius, p.y, p.z - record.radius},
                                       {p.x + record.radius, p.y + record.height,
                                        p.z + record.radius},
                                       kSpaceMaskOnLand);
  for (uint32_t i = 0; i < found.count; ++i) {
    const auto* item = static_cast<const SpaceItem* const*>(found.items)[i];
    if (item == record.self) continue;
    const float dx = fixedToFloat(item->position.x - p.x);
    const float dz = fixedToFloat(item->position.z - p.z);
    if (dx == 0.0f && dz == 0.0f) continue;
    const float rsum = fixedToFloat(record.radius + item->radius);
    if (dx * dx + dz * dz > rsum * rsum + 0.00001f) continue;
    if (item->position.y + item->bottom > p.y + record.height) continue;
    if (p.y > item->position.y + item->top) continue;

    float a = detmath::atan2(-dx, -dz);
    while (a > 6.2831855f) a -= 6.2831855f;
    while (a < 0.0f) a += 6.2831855f;
    LandMove move;
    move.self = record.self;
    move.startTriangle = record.landTriangle;
    move.radius = record.radius;
    move.height = record.height;
    move.startPosition = p;
    move.distance = kPushDistance;
    move.options = kLandOptionSlide;
    move.slideAngle = 0;
    move.angle = roundHalfAway(a * 57.29578f * 0.017453292f * 1024.0f);
    moveObjectLand(map, &space, move);
    record.resultTriangle = move.endTriangle;
    record.resultPosition = move.endPosition;
    return true;
  }
  return false;
}

void Object::move() {
  Map* m = map();
  if (m == nullptr) return;
  ObjectSpace& space = engine->space();
  if (collMap != nullptr) {
    entry.position = {0, 0, 0};
    entry.radius = 0;
    entry.radiusSquared = 0;
    entry.top = 0;
    entry.bottom = 0;
    space.setMask(0, &entry);
    space.remove(&entry);
    moveStatus = 0;
    if (moveMode == kMoveMap) {
      CollMapMove cmd;
      cmd.rise = request.rise;
      cmd.distance = request.distance;
      cmd.angle = request.angle;
      cmd.flags = static_cast<uint32_t>(request.flags);
      collMapUpdate(*m, space, *collMap, cmd);
      position = cmd.result;
      attachLand(nullptr);
    }
    const std::optional<GroundHit> ground = m->findGround(position);
    groundTriangle = ground ? ground->triangle : nullptr;
    groundHeight = ground ? ground->height : 0;
    if (turnAngle != 0) collMapRotateRiders(*m, *collMap, turnPivot, turnAngle);
  } else {
    if (entry.radius == 0 && currentGeometry != nullptr &&
        (currentGeometry->flags & kGeometryBody)) {
      computeCylinder(*currentGeometry);
      const int32_t height = entry.top - entry.bottom;
      push.radius = land.radius = air.radius = entry.radius;
      push.height = land.height = air.height = height;
    }
    moveStatus = 0;
    const FixedVec3 old = position;
    const FixedVec3 from = startPoint(*this);
    switch (moveMode) {
      case kMoveNone:
        if (landTriangle != nullptr) {
          if (flags & kObjectPushApart) {
            push.landTriangle = landTriangle;
            push.position = from;
            if (pushApart(*m, space, push)) {
              attachLand(push.resultTriangle);
              groundTriangle = push.resultTriangle;
              position = {push.resultPosition.x, push.resultPosition.y - entry.bottom,
                          push.resultPosition.z};
              moveDirection = directionBetween(old, position);
              groundHeight = position.y;
            } else {
              flags &= ~kObjectPushApart;
            }
          }
        } else {
          const std::optional<GroundHit> ground = m->findGround(position);
          groundTriangle = ground ? ground->triangle : nullptr;
          groundHeight = ground ? ground->height : 0;
        }
        break;
      case kMoveLand: {
        int32_t a = request.angle;
        if (!(flags & kObjectLandAngleAbsolute)) a += angle;
        land.startTriangle = landTriangle;
        land.startPosition = from;
        land.distance = request.distance;
        land.angle = wrapAngle(a);
        moveObjectLand(*m, &space, land);
        attachLand(land.endTriangle);
        groundTriangle = land.endTriangle;
        if (land.resultFlags & kWalkStopped) moveStatus |= kMoveStopped;
        if (land.resultFlags & kWalkBlocked) moveStatus |= kMoveBlocked;
        if (land.resultFlags & kWalkOnSlip) moveStatus |= kMoveOnSlip;
        position = {land.endPosition.x, land.endPosition.y - entry.bottom, land.endPosition.z};
        moveDirection = directionBetween(old, position);
        reflect = land.reflect;
        groundHeight = position.y;
        break;
      }
      case kMoveAir: {
        int32_t a = request.angle;
        if (!(flags & kObjectAirAngleAbsolute)) a += angle;
        air.startPosition = from;
        air.rise = request.rise;
        air.distance = request.distance;
        air.angle = wrapAngle(a);
        air.landHint = (flags & kObjectAirFromLand) ? landTriangle : nullptr;
        moveObjectAir(*m, air);
        flags &= ~kObjectAirFromLand;
        flags |= kObjectPushApart;
        attachLand(air.resultTriangle);
        if (air.resultFlags & kAirWall) moveStatus |= kMoveBlocked;
        if (air.resultFlags & kAirCeiling) moveStatus |= kMoveCeiling;
        position = {air.endPosition.x, air.endPosition.y - entry.bottom, air.endPosition.z};
        moveDirection = directionBetween(old, position);
        reflect = air.reflect;
        if (landTriangle != nullptr) {
          groundTriangle = landTriangle;
          groundHeight = position.y;
        } else {
          const std::optional<GroundHit> ground = m->findGround(position);
          groundTriangle = ground ? ground->triangle : nullptr;
          groundHeight = ground ? ground->height : 0;
        }
        break;
      }
      default:
        break;
    }
    entry.position = position;
    if (flags & kObjectOutOfSpace) {
      space.remove(&entry);
      space.setMask(0, &entry);
    } else {
      space.insert({position.x - entry.radius, position.y + entry.bottom,
                    position.z - entry.radius},
                   {position.x + entry.radius, position.y + entry.top,
                    position.z + entry.radius},
                   &entry);
      space.setMask(landTriangle != nullptr ? kSpaceMaskOnLand : kSpaceMaskInAir, &entry);
    }
  }
  if (groundTriangle != nullptr && groundTriangle->group != nullptr &&
      (groundTriangle->groupFlags & kGroupHasEnabledEvent)) {
    moveStatus |= kMoveOnEvent;
  }
}

}  // namespace vell
