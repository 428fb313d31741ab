// The attack part shared by bullets and dynamic attacks (set-up, tear-down, the refresh of its
// spheres in the collision space), the dynamic attacks of the objects, and the notices through
// which the hit pass reports to the bullet manager.

#include "engines/vell/bullet/BulletManager.h"

#include "engines/vell/Engine.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/bullet/ScriptValues.h"
#include "foundation/math/DetMath.h"
#include "model/object/L3DObjectInstance.h"
#include "script/ScriptManager.h"

#include <cmath>
#include <memory>
#include <utility>

namespace vell {

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kRadiansToDegrees = 57.29578f;

}  // namespace

void BulletManager::setupAttack(Attack& attack, const AttackDef& definition, Object* owner,
                                uint32_t mask) {
  attack.def = &definition;
  attack.serial = nextSerial_;
  nextSerial_ = nextSerial_ == 0xFFFFFFFFu ? 1u : nextSerial_ + 1u;
  attack.lastMove = {0.0f, 0.0f, 0.0f};
  attack.flags = 0;
  attack.hitObject = nullptr;
  attack.hitValue = 0.0f;
  attack.hitSlot = 0;
  attack.owner = owner;
  if (owner != nullptr) owner->references += 1;
  attack.item.link.mask = 0;
  if (mask != 0) {
    attack.item.link.mask = mask;
    attack.flags |= kAttackActive;
  }
  if (definition.flags & kDefEveryHit) attack.flags |= kAttackEveryHit;
  if (definition.flags & kDefSwept) attack.flags |= kAttackSwept;
  if (definition.flags & kDefLeftOut) attack.flags |= kAttackLeftOut;
}

void BulletManager::dropOwner(Attack& attack) {
  if (attack.owner != nullptr) std::exchange(attack.owner, nullptr)->releaseHandle();
}

void BulletManager::teardownAttack(Attack& attack) {
  if (attack.flags & kAttackActive) engine_->space().remove(&attack.item);
  attack.flags &= ~kAttackActive;
  dropOwner(attack);
}

void BulletManager::refreshAttack(Attack& attack, const L3DObjectInstance* geometry) {
  if (!(attack.flags & kAttackActive)) return;
  SphereSet& set = attack.spheres;
  if (geometry == nullptr) {
    set.itemCount = 0;
    set.boundRadius = 0.0f;
  } else if (attack.flags & kAttackSwept) {
    sphereSetBuild(set, *geometry, 4, {0, 0, 0});
  } else {
    sphereSetBuildStatic(set, *geometry, {0, 0, 0});
  }
  if (set.boundRadius > 0.0f) {
    engine_->space().insert(set.boxMin, set.boxMax, &attack.item);
  } else {
    engine_->space().remove(&attack.item);
  }
}

Attack* BulletManager::attachDynamic(const DynamicDefinition& definition, Object& owner,
                                     uint32_t mask) {
  if (freeDynamic_.count == 0) {
    dynamicAttacks_.push_back(std::make_unique<Attack>());
    Attack& made = *dynamicAttacks_.back();
    made.manager = this;
    made.item.owner = &made;
    ombListAppend(&freeDynamic_, &made.link);
  }
  auto& a = *static_cast<Attack*>(ombListGetFirst(&freeDynamic_));
  ombListRemove(&freeDynamic_, &a.link);
  setupAttack(a, definition.attack, &owner, mask);
  a.activeFrames = 0;
  ombListAppend(&activeDynamic_, &a.link);
  return &a;
}

// The attack leaves the collision space and lets its object go at once, so that neither a
// cleared attack nor an object being deleted is still reached through it; the record itself is
// not reused before the second update.
void BulletManager::releaseDynamic(Attack& attack) {
  teardownAttack(attack);
  ombListRemove(&activeDynamic_, &attack.link);
  ombListAppend(&released_[releaseTarget_], &attack.link);
}

void BulletManager::tickDynamic(Attack& attack, const L3DObjectInstance* geometry) {
  if (attack.owner != nullptr && attack.owner->status != kObjectLive) dropOwner(attack);
  const int32_t timeout = attack.def != nullptr ? attack.def->timeout : 0;
  if ((timeout == 0 || attack.activeFrames < uint32_t(timeout)) && !attack.hasHit()) {
    attack.activeFrames += 1;
    refreshAttack(attack, geometry);
  } else if (attack.flags & kAttackActive) {
    engine_->space().remove(&attack.item);
  }
}

void BulletManager::notifyDamage(Attack& attack, Object& object, uint32_t slot) {
  const HSQUIRRELVM vm = engine_->scriptManager()->vm.vm;
  const ScriptKeys& keys = engine_->scriptKeys();
  const ScriptObject notice = ScriptObject::newTable(vm);
  notice.setIntegerSlotByKey(keys.values[kKeyMarker].getObject(), int32_t(attack.serial));
  const ScriptObject& notifies = attack.def->notifies;
  setSlotByKey(notice, keys.values[kKeyNotifies],
               notifies.getVm() != nullptr ? notifies : ScriptObject::newNull(vm));
  float x = 0.0f, z = 0.0f;
  if (attack.flags & kAttackBullet) {
    x = attack.lastMove.x;
    z = attack.lastMove.z;
  } else if (attack.owner != nullptr) {
    x = fixedToFloat(object.position.x - attack.owner->position.x);
    z = fixedToFloat(object.position.z - attack.owner->position.z);
  }
  float angle = std::fabs(x) > 0.00001f || std::fabs(z) > 0.00001f
                    ? detmath::atan2(x, z)
                    : -static_cast<float>(object.angle) / 1024.0f;
  while (angle > kTwoPi) angle -= kTwoPi;
  while (angle < 0.0f) angle += kTwoPi;
  notice.setFloatSlotByKey(keys.values[kKeyRotXZ].getObject(), angle * kRadiansToDegrees);
  object.deliverNotice(slot, notice);
}

// Of the hits one pass records for an attack, the nearest (the smallest squared distance or
// time of contact) is the one notified.
void BulletManager::recordHit(uint32_t slot, Object& object, Attack& attack, float value) {
  if (!attack.hasHit()) {
    attack.hitObject = &object;
    attack.hitValue = value;
    attack.hitSlot = slot;
    ombListAppend(&hitAttacks_, &attack.hitLink);
  } else if (value < attack.hitValue) {
    attack.hitObject = &object;
    attack.hitValue = value;
    attack.hitSlot = slot;
  }
}

void BulletManager::sendHitNotifies() {
  for (OMB_LIST_LINK* link = hitAttacks_.head.next; link != &hitAttacks_.head; link = link->next) {
    Attack& a = *static_cast<Attack*>(ombListElement(&hitAttacks_, link));
    notifyDamage(a, *a.hitObject, a.hitSlot);
  }
  ombListClear(&hitAttacks_);
}

void Object::setAttackDynamic(const DynamicDefinition* definition, int32_t on) {
  BulletManager* bullets = engine != nullptr ? engine->bullets() : nullptr;
  if (dynamicAttack != nullptr && bullets != nullptr) bullets->releaseDynamic(*dynamicAttack);
  dynamicAttack = nullptr;
  const uint32_t mask = uint32_t(on) & 0xFFu;
  if (definition != nullptr && mask != 0 && bullets != nullptr) {
    dynamicAttack = bullets->attachDynamic(*definition, *this, mask);
  }
}

}  // namespace vell
