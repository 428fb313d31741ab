#include "engines/rond/Player.h"

#include "engines/rond/RondEngine.h"
#include "model/object/L3DObjectInstance.h"
#include "net/controller/Controller.h"
#include "script/ScriptThread.h"

namespace rond {

Player::~Player() { release(); }

void Player::init(int32_t startAngle, Engine* engine, int32_t slot, const char16_t* directory,
                  std::unique_ptr<Controller> controller, const FixedVec3& startPosition) {
  const int32_t angle = wrapAngle(startAngle);
  Object::init(engine, directory, 0, startPosition, quatFromYaw(angle));
  if ((flags & kObjectOwnerLinked) == 0) {
    flags |= kObjectOwnerLinked;
    owner = this;
  }
  flags |= kObjectNotifyPlayers;
  controller_ = std::move(controller);
  slot_ = slot;
  rotationAngle = angle;
  rotationTrack = angle;
  setupScript();
}

void Player::destroyThread() {
  if (thread_ != nullptr) ScriptThread::destroy(std::exchange(thread_, nullptr));
}

void Player::clearAttacks() {
  activeAttack = nullptr;
  for (const auto& node : attacks_) {
    if (engine_ != nullptr) engine_->handles().remove(node->handle);
  }
  attacks_.clear();
}

void Player::setupScript() {
  if (engine_ == nullptr) return;
  engine_->removeBulletSide(slot_);
  clearAttacks();
  parameters.clear();
  destroyThread();
  clearGeometries();
  const auto& definitions = engine_->parameterTables().player;
  parameters.resize(definitions.size());
  for (size_t i = 0; i < definitions.size(); ++i) parameters[i].init(definitions[i]);
  extents = Extents{};
  bodySpheres.clear(position);
  centre = position;
  damageFlag = 0;
  damageAngleValue = 0;
  activeAttack = nullptr;
  attackSpheres.clear(position);
  thread_ = new ScriptThread(engine_->scriptManager(), engine_->playerTable());
  thread_->loadRelative(directory(), u"main", static_cast<::Engine*>(engine_), this);
}

void Player::release() {
  if (!live()) return;
  unlink();
  clearAttacks();
  parameters.clear();
  destroyThread();
  if (controller_) controller_->release();
  controller_.reset();
  if (live()) Object::release();
}

void Player::stepBeforeMove() {
  if (controller_) controller_->refresh();
  if (thread_ != nullptr) thread_->resume();
  damageFlag = 0;
  if (extents.radius == 0) computeExtents(extents);
  extents.saved = position;
  motionToWorld();
}

void Player::stepAfterMove() {
  applyMotion();
  L3DObjectInstance* instance =
      currentGeometry() != nullptr ? currentGeometry()->model.instance.Get() : nullptr;
  bodySpheres.collect(instance, 3, position);
  if (bodySpheres.radius != 0) {
    centre = bodySpheres.centre;
  } else {
    const int32_t mid = int32_t((int64_t(extents.top) + extents.bottom) / 2);
    centre = FixedVec3{extents.saved.x, int32_t(uint32_t(extents.saved.y) + uint32_t(mid)),
                       extents.saved.z};
  }
  if (activeAttack != nullptr) attackSpheres.collect(instance, 4, position);
}

void Player::setRotation(int32_t angle) {
  rotationAngle = wrapAngle(angle);
  rotation = quatFromYaw(rotationAngle);
}

AttackNode* Player::addAttack(const AttackDefinition& definition) {
  auto node = std::make_unique<AttackNode>();
  node->definition.copy(definition, AttackInherit::No);
  attacks_.push_back(std::move(node));
  return attacks_.back().get();
}

void Player::checkAttack(Player& attacker, Player& victim) {
  if (attacker.activeAttack == nullptr || victim.bodySpheres.radius == 0) return;
  if (!overlaps(victim.bodySpheres, attacker.attackSpheres)) return;
  const FixedVec3 delta{int32_t(uint32_t(victim.position.x) - uint32_t(attacker.position.x)),
                        int32_t(uint32_t(victim.position.y) - uint32_t(attacker.position.y)),
                        int32_t(uint32_t(victim.position.z) - uint32_t(attacker.position.z))};
  const auto& list = attacker.activeAttack->definition.notifyPlayers;
  applyDamage(victim, list ? &*list : nullptr, delta);
  attacker.activeAttack = nullptr;
}

void Player::applyDamage(Player& victim, const std::vector<AttackPair>* pairs,
                         const FixedVec3& delta) {
  victim.damageFlag = 1;
  applyParameterDamage(victim.parameters, pairs);
  victim.damageAngleValue = damageAngle(delta, victim.rotationAngle);
}

}  // namespace rond
