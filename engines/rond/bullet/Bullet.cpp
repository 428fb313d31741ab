// One bullet's frame: end events and timeouts, its program, its move (free or tracking a
// player), its speed, its attack spheres and its generator.

#include "engines/rond/bullet/Bullet.h"

#include "engines/rond/RondEngine.h"
#include "engines/rond/bullet/BulletManager.h"
#include "engines/rond/bullet/BulletRotation.h"
#include "foundation/math/LMat.h"
#include "model/object/L3DObjectInstance.h"

namespace rond {

namespace {

// Hands the generator's children to the manager as free requests with the parent's target and
// bias. A bind whose program has gone since (its side was restarted) spawns nothing.
class ChildSpawner : public BulletSpawner {
 public:
  ChildSpawner(BulletManager& manager, const Bullet& parent) : manager_(manager), parent_(parent) {}
  void spawn(const BulletSpawnRequest& request) override {
    auto* program = static_cast<BulletMotion*>(
        manager_.engine()->handles().find(request.program, kBulletMotionHandle));
    if (program == nullptr) return;
    manager_.requestSpawn(request.rotation, program, kSpawnFree, request.position,
                          parent_.targetObject, request.targetOffset, parent_.state.lockonBias);
  }

 private:
  BulletManager& manager_;
  const Bullet& parent_;
};

// The aim of the homing turn: a bullet's position or a player's centre, while the target is
// linked.
BulletAim aimOf(const Bullet& bullet) {
  BulletAim aim;
  aim.position = bullet.position;
  aim.targetOffset = bullet.targetOffset;
  const Object* t = bullet.targetObject;
  if (t != nullptr && (t->flags & kObjectOwnerLinked) != 0) {
    aim.targetBase = t->kind == 0 ? static_cast<const Player*>(t)->centre : t->position;
  }
  return aim;
}

int32_t clampAxis(int32_t move, int32_t from, int32_t min, int32_t max) {
  const int64_t to = int64_t(from) + move;
  if (move > 0 && to > max) return int32_t(int64_t(max) - from);
  if (move < 0 && to < min) return int32_t(int64_t(min) - from);
  return move;
}

}  // namespace

FixedVec3 trackedPosition(const Player& player, const FixedVec3& offset, LQuat* rotation,
                          const LQuat& local) {
  const LQuat y = quatFromYaw(wrapAngle(player.rotationTrack));
  LMat m;
  quatToMatrix(m, y);
  const float p[3] = {fixedToFloat(offset.x), fixedToFloat(offset.y), fixedToFloat(offset.z)};
  float turned[3];
  vec3TransformCoord(m, p, turned);
  if (rotation != nullptr) quatMultiply(*rotation, y, local);
  return {int32_t(uint32_t(player.position.x) + uint32_t(roundFixed(turned[0] * 1024.0f))),
          int32_t(uint32_t(player.position.y) + uint32_t(roundFixed(turned[1] * 1024.0f))),
          int32_t(uint32_t(player.position.z) + uint32_t(roundFixed(turned[2] * 1024.0f)))};
}

void Bullet::setupGeometry(Engine* engine, const char16_t* directory, const char16_t* name,
                           const Bullet* source) {
  init(engine, directory, 1, FixedVec3{0, 0, 0}, kQuatIdentity);
  for (AnimEntry*& entry : entries) entry = nullptr;
  if (name == nullptr || name[0] == 0) return;
  Geometry* geometry = source != nullptr && source->currentGeometry() != nullptr
                           ? cloneGeometry(source->currentGeometry()->model)
                           : loadGeometry(name);
  static const char16_t* const kNames[4] = {u"normal", u"fadeout", u"hit", u"erase"};
  for (int i = 0; i < 4; ++i) {
    AnimEntry* entry = geometry->findAnimation(kNames[i]);
    // An end animation the model lacks falls back to the default entry: it counts as none.
    entries[i] = i > 0 && entry == geometry->defaultEntry ? nullptr : entry;
  }
  setAnimation(entries[kSlotNormal]);
}

bool Bullet::setSlot(int32_t newSlot) {
  // The local rotation and the lock-on bias outlive the program that ends here.
  const LQuat local = state.rotation;
  const float lockonBias = state.lockonBias;
  state = BulletProgramState{};
  state.rotation = local;
  state.lockonBias = lockonBias;
  slot = newSlot;
  frame = 0;
  AnimEntry* entry = entries[newSlot];
  if (entry == nullptr) return false;
  setAnimation(entry);
  return true;
}

bool Bullet::update(BulletManager& manager) {
  Engine* engine = engine_;
  if (pendingEnd != 0) {
    const int32_t end = (pendingEnd & kBulletHit) != 0       ? kSlotHit
                        : (pendingEnd & kBulletLeftBox) != 0 ? kSlotFadeout
                                                             : kSlotErase;
    if (!setSlot(end)) {
      unlink();
      return false;
    }
    canHit = 0;
    pendingEnd = 0;
    leaveGroups(*this);
  }
  if (slot == kSlotNormal && program->timeout != 0 && frame >= uint32_t(program->timeout)) {
    if (!setSlot(kSlotFadeout)) {
      unlink();
      return false;
    }
    canHit = 0;
    leaveGroups(*this);
  }
  if (slot == kSlotNormal) {
    runBulletProgram(state, program->ops, frame, aimOf(*this), engine->seededRandom());
  } else if (uint32_t(entries[slot]->lastFrame()) < frame) {
    unlink();
    return false;
  }

  if (mode == kBulletFree) {
    velocity.z = target.z = state.speed;
    acceleration.z = 0;
    bias.z = kFixedOne;
    rotation = state.rotation;
  } else if (const Player* p = engine->player(mode)) {
    const LVec3 forward = quatRow(state.rotation, 2);
    const float s = float(state.speed);
    trackOffset.x = int32_t(uint32_t(trackOffset.x) + uint32_t(roundFixed(s * forward.x)));
    trackOffset.y = int32_t(uint32_t(trackOffset.y) + uint32_t(roundFixed(s * forward.y)));
    trackOffset.z = int32_t(uint32_t(trackOffset.z) + uint32_t(roundFixed(s * forward.z)));
    LQuat turned;
    const FixedVec3 to = trackedPosition(*p, trackOffset, &turned, state.rotation);
    setMotion({int32_t(uint32_t(to.x) - uint32_t(position.x)),
               int32_t(uint32_t(to.y) - uint32_t(position.y)),
               int32_t(uint32_t(to.z) - uint32_t(position.z))});
    rotation = turned;
  }

  const FixedVec3 before = position;
  motionToWorld();
  if (state.generator == BulletOpKind::GenColl) {
    const Box& box = engine->stage().bulletBox;
    appliedMove.x = clampAxis(appliedMove.x, position.x, box.min.x, box.max.x);
    appliedMove.y = clampAxis(appliedMove.y, position.y, box.min.y, box.max.y);
    appliedMove.z = clampAxis(appliedMove.z, position.z, box.min.z, box.max.z);
  }
  applyMotion();
  lastMove = {int32_t(uint32_t(position.x) - uint32_t(before.x)),
              int32_t(uint32_t(position.y) - uint32_t(before.y)),
              int32_t(uint32_t(position.z) - uint32_t(before.z))};

  int32_t& speed = state.speed;
  if (state.speedStep <= 0 && state.targetSpeed < speed) {
    speed = int32_t(uint32_t(speed) + uint32_t(state.speedStep));
    if (speed < state.targetSpeed) speed = state.targetSpeed;
  } else if (state.speedStep > 0 && speed < state.targetSpeed) {
    speed = int32_t(uint32_t(speed) + uint32_t(state.speedStep));
    if (speed > state.targetSpeed) speed = state.targetSpeed;
  }

  Geometry* g = currentGeometry();
  attackSpheres.collect(g != nullptr ? g->model.instance.Get() : nullptr, 4, position);
  ++frame;
  if (slot != kSlotNormal) return true;
  ChildSpawner spawner(manager, *this);
  if (runBulletGenerator(state, moveResult, position, manager.directionSets(), spawner,
                         engine->seededRandom())) {
    return true;
  }
  unlink();
  return false;
}

const std::vector<AttackPair>* BulletMotion::notifyPlayers() const {
  if (attack.notifyPlayers) return &*attack.notifyPlayers;
  return type->attack.notifyPlayers ? &*type->attack.notifyPlayers : nullptr;
}

const std::vector<AttackPair>* BulletMotion::eraseScoretips() const {
  if (attack.eraseScoretips) return &*attack.eraseScoretips;
  return type->attack.eraseScoretips ? &*type->attack.eraseScoretips : nullptr;
}

}  // namespace rond
