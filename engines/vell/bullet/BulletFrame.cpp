// One bullet's life in the bullet manager's update: its start from a launch request, and its
// frame (owner and target checks, the hit and end phases, the motion program, owner tracking,
// the map hit test, the generator, the instance and the attack spheres).

#include "engines/vell/bullet/BulletManager.h"

#include "engines/vell/CollTriangle.h"
#include "engines/vell/Engine.h"
#include "engines/vell/FieldMath.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/Map.h"
#include "engines/vell/ObjectSpace.h"
#include "foundation/math/DetMath.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"
#include "model/math/FixedPoint.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vell {

namespace {

constexpr int32_t kHalfTurn = 3217;

LQuat yaw(int32_t angle) {
  const float half = static_cast<float>(angle) / 2048.0f;
  return {0.0f, detmath::sin(half), 0.0f, detmath::cos(half)};
}

LVec3 worldOf(const FixedVec3& p) { return {fixedToFloat(p.x), fixedToFloat(p.y), fixedToFloat(p.z)}; }

LVec3 sum(const LVec3& a, const LVec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

// Where a bullet aims at an object: the centre of its first damage record (the middle of its
// cylinder when the record has no spheres), as the object's update left it.
LVec3 lockonPoint(const Object& target) { return worldOf(target.damage[0].centre); }

}  // namespace

// The generator's children: launches with the parent's owner, mask, track angle, target and
// lock-on bias.
class BulletManager::Children final : public ChildSpawner {
 public:
  Children(BulletManager& manager, const Bullet& parent) : manager_(manager), parent_(parent) {}
  bool add(const ChildLaunch& child) override {
    Launch launch;
    // Bind motions were checked when the motion was defined; they live as long as it does.
    launch.motion =
        static_cast<BulletMotion*>(scriptHandles().find(child.motion, kBulletMotionHandleKind));
    if (launch.motion == nullptr) return false;
    launch.mode = uint32_t(child.mode);
    launch.position = child.position;
    launch.rotation = child.rotation;
    launch.owner = parent_.owner;
    launch.collAttackMask = parent_.collAttackMask;
    launch.trackRotLimit = child.trackRotLimit;
    launch.ownerTrackAngle = parent_.trackAngle;
    launch.target = parent_.target;
    launch.targetOffset = child.targetOffset;
    launch.lockonBias = parent_.state.lockonBias;
    launch.timeout = child.timeout;
    return manager_.add(launch);
  }

 private:
  BulletManager& manager_;
  const Bullet& parent_;
};

bool mapHitTest(Map& map, const LVec3& p0, const LVec3& p1, LVec3& hit, int32_t& set) {
  const LVec3 move = vec3Subtract(p1, p0);
  LVec3 u;
  vec3Normalize(u, move);
  // The whole move is searched, not only its first unit: a bullet faster than one unit a frame
  // still stops at a thin wall in its way.
  const float reach = std::sqrt(vec3Dot(move, move));
  FixedVec3 boxMin, boxMax;
  segmentBoxPadded(1, vec3ToFixed(p0), vec3ToFixed(p1), boxMin, boxMax);
  clampBox(boxMin, boxMax, map.boundsMin(), map.boundsMax());
  CollTree& tree = map.tree();
  const uint32_t found = tree.query(boxMin, boxMax, kMaskBullet);
  bool any = false;
  float best = 0.0f;
  for (uint32_t i = 0; i < found; ++i) {
    const CollTriangle& t = *tree.result(i);
    const LVec3 n{t.normal.x, t.normal.y, t.normal.z};
    const float facing = vec3Dot(n, u);
    if (!(facing < 0.0f)) continue;
    const LVec3 f0{t.f0.x, t.f0.y, t.f0.z};
    const float distance = -vec3Dot(n, vec3Subtract(p0, f0)) / facing;
    if (distance < 0.0f || distance > reach) continue;
    const Vec3f p{p0.x + u.x * distance, p0.y + u.y * distance, p0.z + u.z * distance};
    if (!t.contains(p)) continue;
    if (!any || distance < best) {
      any = true;
      best = distance;
      hit = {p.x, p.y, p.z};
      set = t.set;
    }
  }
  return any;
}

void BulletManager::start(Request& request) {
  const Launch& r = request.launch;
  BulletType& type = *r.motion->type;
  type.pending -= 1;
  if (type.freeBullets.count == 0) return;
  auto& b = static_cast<Bullet&>(*static_cast<Attack*>(ombListGetFirst(&type.freeBullets)));
  ombListRemove(&type.freeBullets, &b.link);
  ombListAppend(&live_, &b.link);

  LVec3 position = r.position;
  LQuat rotation = r.rotation;
  // A relative launch without an owner (a script that is not an object's) keeps its pose as
  // given.
  if ((r.mode & kLaunchRelative) && !(r.mode & kLaunchTrackOwner) && r.owner != nullptr) {
    const LQuat q = yaw(r.ownerTrackAngle);
    position = sum(worldOf(r.owner->position), rotateVector(q, r.position));
    quatMultiply(rotation, q, r.rotation);
  }

  b.bulletFlags &= kBulletHasSpheres;
  b.motion = r.motion;
  b.life = r.timeout != -1 ? r.timeout : r.motion->attack.timeout;
  b.collAttackMask = r.collAttackMask;
  setupAttack(b, r.motion->attack, r.owner,
              (b.bulletFlags & kBulletHasSpheres) ? uint32_t(r.collAttackMask) : 0u);
  b.flags |= kAttackBullet;
  b.phase = kPhaseNormal;
  if (b.geometry.instance) {
    b.geometry.instance->SetAnim(b.anims[kAnimNormal], L3DObjectInstance::Restart::Yes);
  }
  b.target = r.target;
  if (b.target != nullptr) b.target->references += 1;
  BulletMotionState& s = b.state;
  s = BulletMotionState{};
  s.position = position;
  s.rotation = rotation;
  if ((r.mode & kLaunchTrackOwner) && r.owner != nullptr) {
    b.bulletFlags |= kBulletTracksOwner;
    b.trackRotLimit = r.trackRotLimit;
    b.trackAngle = r.ownerTrackAngle;
    const LQuat q = yaw(b.trackAngle);
    b.worldPosition = sum(worldOf(r.owner->position), rotateVector(q, position));
    quatMultiply(b.worldRotation, q, rotation);
  } else {
    b.worldPosition = position;
    b.worldRotation = rotation;
    b.trackRotLimit = 0;
    b.trackAngle = 0;
  }
  s.targetOffset = r.targetOffset;
  if (r.mode & kLaunchOffsetFix) {
    b.bulletFlags |= kBulletOffsetFix;
    s.targetOffsetFix = true;
  }
  s.lockonBias = r.lockonBias;
  if (!frame(b)) removeBullet(b);
}

bool BulletManager::frame(Bullet& b) {
  if (b.owner != nullptr && b.owner->status != kObjectLive) dropOwner(b);
  // A target that left is not locked on any more; its reference goes at once so that it can be
  // deleted.
  if (b.target != nullptr && b.target->status != kObjectLive) {
    std::exchange(b.target, nullptr)->releaseHandle();
  }
  if ((b.bulletFlags & kBulletTracksOwner) && b.owner == nullptr) {
    b.bulletFlags |= kBulletEndRequested;
  }
  OMB_RANDOM* random = engine_->seededRandom();
  // The change of phase happens once, from the normal phase: a bullet in its hit or fade-out
  // phase keeps its record and its request and only plays its animation out.
  if (b.phase == kPhaseNormal) {
    BulletMotionState& s = b.state;
    if (b.hasHit()) {
      if (s.generator == MotionEventKind::GenColl &&
          s.interval == static_cast<int32_t>(GenReaction::Hit)) {
        GeneratorFrame g{b.worldPosition, b.worldRotation, b.owner != nullptr, kContactHit, false};
        Children children(*this, b);
        runGenerator(s, g, random, children);
      }
      releaseBullet(b);
      b.phase = kPhaseHit;
      s.frame = 0;
      if (!b.anims[kAnimHit]) return false;
      b.geometry.instance->SetAnim(b.anims[kAnimHit], L3DObjectInstance::Restart::Yes);
    } else if (b.bulletFlags & kBulletEndRequested) {
      if ((b.bulletFlags & kBulletTimedOut) && s.generator == MotionEventKind::GenTimeout) {
        GeneratorFrame g{b.worldPosition, b.worldRotation, b.owner != nullptr, 0, true};
        Children children(*this, b);
        runGenerator(s, g, random, children);
      }
      releaseBullet(b);
      b.phase = kPhaseFadeout;
      s.frame = 0;
      if (!b.anims[kAnimFadeout]) return false;
      b.geometry.instance->SetAnim(b.anims[kAnimFadeout], L3DObjectInstance::Restart::Yes);
    }
  }
  if (b.phase != kPhaseNormal) {
    const dbtl::rcptr<L3DAnimData>& anim =
        b.type->anims[b.phase == kPhaseFadeout ? kAnimFadeout : kAnimHit];
    if (uint32_t(b.state.frame) > anim->endFrame) return false;
    b.state.frame += 1;
    b.geometry.instance->ForwardAnimFrame();
    if (b.geometry.instance->materialFlags & 1) engine_->addFrameFlags(Engine::kBulletSortBit);
    return true;
  }

  BulletMotionState& s = b.state;
  if (b.life != 0 && s.frame + 1 >= b.life) b.bulletFlags |= kBulletEndRequested | kBulletTimedOut;
  LockonTarget aim;
  if (b.target != nullptr) {
    aim.point = lockonPoint(*b.target);
    aim.destroying = b.target->status != kObjectLive;
  }
  if (runMotionEvents(s, b.motion->events, b.target != nullptr ? &aim : nullptr, random) &&
      b.target != nullptr) {
    std::exchange(b.target, nullptr)->releaseHandle();
  }
  s.frame += 1;
  moveBullet(s);

  const LVec3 previous = b.worldPosition;
  if ((b.bulletFlags & kBulletTracksOwner) && b.owner != nullptr) {
    int32_t d = b.owner->trackAngle - b.trackAngle;
    while (d > kHalfTurn) d -= kAngleFullTurn;
    while (d < -kHalfTurn) d += kAngleFullTurn;
    d = std::clamp(d, -b.trackRotLimit, b.trackRotLimit);
    b.trackAngle = wrapAngle(b.trackAngle + d);
    const LQuat q = yaw(b.trackAngle);
    b.worldPosition = sum(worldOf(b.owner->position), rotateVector(q, s.position));
    quatMultiply(b.worldRotation, q, s.rotation);
  } else {
    b.worldPosition = s.position;
    b.worldRotation = s.rotation;
  }

  b.bulletFlags &= ~kBulletContactBits;
  uint32_t contacts = 0;
  Map* map = engine_->map();
  if ((b.motion->attack.flags & kDefMapCollision) && map != nullptr) {
    LVec3 hit;
    int32_t set = kSetSpare;
    if (mapHitTest(*map, previous, b.worldPosition, hit, set)) {
      b.worldPosition = hit;
      b.bulletFlags |= kBulletEndRequested;
      if (set == kSetLand) {
        b.bulletFlags |= kBulletHitLand;
        contacts |= kContactLand;
      } else if (set == kSetWall) {
        b.bulletFlags |= kBulletHitWall;
        contacts |= kContactWall;
      } else if (set == kSetCeiling) {
        b.bulletFlags |= kBulletHitCeiling;
        contacts |= kContactCeil;
      }
    }
  }
  b.lastMove = vec3Subtract(b.worldPosition, previous);

  GeneratorFrame g{b.worldPosition, b.worldRotation, b.owner != nullptr, contacts,
                   (b.bulletFlags & kBulletTimedOut) != 0};
  Children children(*this, b);
  if (!runGenerator(s, g, random, children)) return false;
  approachSpeed(s);

  if (b.geometry.instance) {
    L3D_OBJINST_TRANSFORM& t = b.geometry.instance->transform;
    std::copy(t.position, t.position + 3, t.previousPosition);
    std::copy(t.rotation, t.rotation + 4, t.previousRotation);
    t.position[0] = b.worldPosition.x;
    t.position[1] = b.worldPosition.y;
    t.position[2] = b.worldPosition.z;
    t.deltaPosition[0] = b.lastMove.x;
    t.deltaPosition[1] = b.lastMove.y;
    t.deltaPosition[2] = b.lastMove.z;
    t.rotation[0] = b.worldRotation.x;
    t.rotation[1] = b.worldRotation.y;
    t.rotation[2] = b.worldRotation.z;
    t.rotation[3] = b.worldRotation.w;
    b.geometry.instance->ForwardAnimFrame();
    if (b.geometry.instance->materialFlags & 1) engine_->addFrameFlags(Engine::kBulletSortBit);
  }
  refreshAttack(b, b.geometry.instance.Get());
  return true;
}

}  // namespace vell
