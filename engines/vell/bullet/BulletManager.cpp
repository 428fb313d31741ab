// The bullet manager's definitions, launches, the per-frame update with its returns, the removal
// of every bullet with the history it leaves, drawing and the state hash. One bullet's frame is
// in BulletFrame.cpp, the dynamic attacks and the hit notices in DynamicAttack.cpp.

#include "engines/vell/bullet/BulletManager.h"

#include "engines/vell/Engine.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/Map.h"
#include "engines/vell/ModelCache.h"
#include "engines/vell/bullet/ScriptValues.h"
#include "foundation/bytes/StateHash.h"
#include "foundation/omb/file/ombPath.h"
#include "host/system/System.h"
#include "model/effect/L3DEffectManager.h"
#include "render/L3DRenderer.h"
#include "script/ScriptManager.h"

#include <cmath>
#include <cstddef>
#include <new>
#include <utility>

namespace vell {

const ScriptHandleKind kBulletTypeHandleKind{u"bullet type"};
const ScriptHandleKind kBulletMotionHandleKind{u"bullet motion"};
const ScriptHandleKind kDynamicAttackHandleKind{u"dynamic attack"};

namespace {

// Attack is not standard layout (its sphere set holds a vector); g++ and clang compute offsetof
// for it as for any record without virtual bases.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
const int32_t kAttackLinkOffset = static_cast<int32_t>(offsetof(Attack, link));
const int32_t kAttackHitLinkOffset = static_cast<int32_t>(offsetof(Attack, hitLink));
#pragma GCC diagnostic pop

constexpr uint32_t kPathUnits = 128;
constexpr uint32_t kRequestsPerChunk = 256;
constexpr uint32_t kDynamicAttacksAtStart = 64;

Bullet& bulletOf(OMB_LIST& list, OMB_LIST_LINK* link) {
  return static_cast<Bullet&>(*static_cast<Attack*>(ombListElement(&list, link)));
}

Attack& attackOf(OMB_LIST& list, OMB_LIST_LINK* link) {
  return *static_cast<Attack*>(ombListElement(&list, link));
}

}  // namespace

BulletManager::BulletManager(Engine& engine) : engine_(&engine) {
  ombMempoolInit(&requestPool_, kRequestsPerChunk, sizeof(Request), OMB_MEMPOOL_GROW);
  ombListInit(&pending_, static_cast<int32_t>(offsetof(Request, link)));
  for (OMB_LIST* list : {&live_, &removed_, &freeDynamic_, &activeDynamic_, &released_[0],
                         &released_[1]}) {
    ombListInit(list, kAttackLinkOffset);
  }
  ombListInit(&hitAttacks_, kAttackHitLinkOffset);
  for (uint32_t i = 0; i < kDynamicAttacksAtStart; ++i) {
    dynamicAttacks_.push_back(std::make_unique<Attack>());
    Attack& a = *dynamicAttacks_.back();
    a.manager = this;
    a.item.owner = &a;
    ombListAppend(&freeDynamic_, &a.link);
  }
}

BulletManager::~BulletManager() {
  removeAll(RemoveNotify::No);
  // The objects release their dynamic attacks before the map lets the manager go; one still
  // attached is torn down here and its object forgets it.
  while (activeDynamic_.count > 0) {
    Attack& a = attackOf(activeDynamic_, activeDynamic_.head.next);
    if (a.owner != nullptr && a.owner->dynamicAttack == &a) a.owner->dynamicAttack = nullptr;
    teardownAttack(a);
    ombListRemove(&activeDynamic_, &a.link);
  }
  dynamicAttacks_.clear();
  ModelCache& cache = engine_->modelCache();
  for (const std::unique_ptr<BulletType>& type : types_) {
    scriptHandles().remove(type->handle);
    type->bullets.clear();
    if (type->model != nullptr) cache.release(type->model);
  }
  types_.clear();
  for (const std::unique_ptr<BulletMotion>& motion : motions_) scriptHandles().remove(motion->handle);
  motions_.clear();
  for (const std::unique_ptr<DynamicDefinition>& d : dynamicDefinitions_) {
    scriptHandles().remove(d->handle);
  }
  dynamicDefinitions_.clear();
  history_[0] = ScriptObject();
  history_[1] = ScriptObject();
  ombMempoolUninit(&requestPool_);
}

BulletType* BulletManager::defineType(const TypeDefinition& definition) {
  types_.push_back(std::make_unique<BulletType>());
  BulletType& type = *types_.back();
  ombListInit(&type.freeBullets, kAttackLinkOffset);
  type.notifies = definition.notifies;
  if (definition.geometryName != nullptr && definition.geometryName[0] != 0) {
    char16_t path[kPathUnits];
    ombPathResolve(path, definition.directory != nullptr ? definition.directory : u"", kPathUnits,
                   definition.geometryName);
    ModelCache& cache = engine_->modelCache();
    type.model = cache.get(path);
    if (type.model == nullptr) {
      LSeGroupList groups;
      if (engine_->modelServices().seManager != nullptr) {
        Map* map = engine_->map();
        LSeManager::_GROUPINFO* list[4] = {engine_->seGroup(), engine_->voiceGroup(),
                                           map != nullptr ? map->seGroup : nullptr,
                                           map != nullptr ? map->voiceGroup : nullptr};
        groups.count = 4;
        groups.groups.Create(4);
        for (uint32_t i = 0; i < 4; ++i) groups.groups[i] = list[i];
      }
      type.model = cache.load(path, groups);
    }
    if (type.model != nullptr) {
      static constexpr const char16_t* kNames[kAnimCount] = {u"normal", u"fadeout", u"hit"};
      for (uint32_t k = 0; k < kAnimCount; ++k) {
        type.anims[k] = ModelCache::findAnimation(*type.model, kNames[k]);
      }
      if (type.anims[kAnimNormal] && ModelCache::hasCollGroupType(*type.model, 4)) {
        type.flags |= kTypeHasSpheres;
      }
    }
  }
  type.count = definition.count;
  makeBullets(type, type.count);
  type.handle = scriptHandles().add(kBulletTypeHandleKind, &type);
  return &type;
}

void BulletManager::shareType(BulletType& type) { makeBullets(type, type.count); }

void BulletManager::makeBullets(BulletType& type, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    type.bullets.push_back(std::make_unique<Bullet>());
    Bullet& b = *type.bullets.back();
    b.manager = this;
    b.type = &type;
    b.item.owner = static_cast<Attack*>(&b);
    if (type.model != nullptr) {
      ModelCache::instantiate(b.geometry, *type.model);
      for (uint32_t k = 0; k < kAnimCount; ++k) {
        if (type.anims[k]) b.anims[k] = b.geometry.instance->GetAnimInstance(type.anims[k]);
      }
      b.geometry.instance->SetAnim(b.anims[kAnimNormal], L3DObjectInstance::Restart::Yes);
    }
    if (type.flags & kTypeHasSpheres) b.bulletFlags = kBulletHasSpheres;
    ombListAppend(&type.freeBullets, &b.link);
  }
}

BulletMotion* BulletManager::defineMotion(const MotionDefinition& definition) {
  motions_.push_back(std::make_unique<BulletMotion>());
  BulletMotion& motion = *motions_.back();
  motion.type = definition.type;
  motion.notifies = definition.notifies;
  motion.attack.flags = definition.flags;
  motion.attack.timeout = definition.timeout;
  const bool own = definition.notifies.getVm() != nullptr && !definition.notifies.isNull();
  motion.attack.notifies =
      own || definition.type == nullptr ? definition.notifies : definition.type->notifies;
  motion.events = BulletMotion::parse(definition.keyFrames);
  motion.handle = scriptHandles().add(kBulletMotionHandleKind, &motion);
  return &motion;
}

DynamicDefinition* BulletManager::defineDynamic(int32_t flags, int32_t timeout,
                                                const ScriptObject& notifies) {
  dynamicDefinitions_.push_back(std::make_unique<DynamicDefinition>());
  DynamicDefinition& d = *dynamicDefinitions_.back();
  d.attack = {flags, timeout, notifies};
  d.handle = scriptHandles().add(kDynamicAttackHandleKind, &d);
  return &d;
}

bool BulletManager::add(const Launch& launch) {
  if (launch.motion == nullptr || launch.motion->type == nullptr) return false;
  BulletType& type = *launch.motion->type;
  if (int32_t(type.freeBullets.count) < type.pending + 1) return false;
  void* block = ombMempoolAllocateBlock(&requestPool_);
  if (block == nullptr) {
    ombMempoolReportExhausted();
    return false;
  }
  type.pending += 1;
  auto* request = new (block) Request{};
  request->launch = launch;
  ombListAppend(&pending_, &request->link);
  if (launch.owner != nullptr) launch.owner->references += 1;
  if (launch.target != nullptr) launch.target->references += 1;
  return true;
}

void BulletManager::releaseRequest(Request& request) {
  ombListRemove(&pending_, &request.link);
  Object* owner = request.launch.owner;
  Object* target = request.launch.target;
  ombMempoolReleaseBlock(&requestPool_, &request);
  if (owner != nullptr) owner->releaseHandle();
  if (target != nullptr) target->releaseHandle();
}

void BulletManager::update() {
  history_[current_] = ScriptObject();
  current_ ^= 1;
  ombListClear(&hitAttacks_);
  while (removed_.count > 0) {
    Bullet& b = bulletOf(removed_, removed_.head.next);
    ombListRemove(&removed_, &b.link);
    ombListAppend(&b.type->freeBullets, &b.link);
  }
  releaseTarget_ ^= 1;
  OMB_LIST& back = released_[releaseTarget_];
  while (back.count > 0) {
    Attack& a = attackOf(back, back.head.next);
    ombListRemove(&back, &a.link);
    ombListAppend(&freeDynamic_, &a.link);
  }
  // An object that exits is not updated any more, so its attack cannot see it go: the attack
  // stops here and lets the object go on to its deletion.
  for (OMB_LIST_LINK* link = activeDynamic_.head.next; link != &activeDynamic_.head;) {
    Attack& a = attackOf(activeDynamic_, link);
    link = link->next;
    if (a.owner != nullptr && a.owner->status != kObjectLive) teardownAttack(a);
  }
  for (OMB_LIST_LINK* link = live_.head.next; link != &live_.head;) {
    Bullet& b = bulletOf(live_, link);
    link = link->next;
    if (!frame(b)) removeBullet(b);
  }
  // Children spawned by the frames above, or by the first frames of the bullets started here,
  // join the list behind and start in the same loop.
  while (pending_.count > 0) {
    auto* request = static_cast<Request*>(ombListGetFirst(&pending_));
    start(*request);
    releaseRequest(*request);
  }
}

void BulletManager::releaseBullet(Bullet& b) {
  if (b.target != nullptr) std::exchange(b.target, nullptr)->releaseHandle();
  if (b.geometry.instance) {
    const void* key = b.geometry.instance.Get();
    if (System* sys = engine_->system()) {
      if (L3DEffectManager* effects = sys->effectManager()) effects->StopKey(key);
      if (LSeManager* se = sys->seManager()) se->DetachOwner(key);
    }
  }
  teardownAttack(b);
}

void BulletManager::removeBullet(Bullet& b) {
  releaseBullet(b);
  ombListRemove(&live_, &b.link);
  ombListAppend(&removed_, &b.link);
}

void BulletManager::appendHistory(const Bullet& b) {
  const HSQUIRRELVM vm = engine_->scriptManager()->vm.vm;
  const EngineScriptKeys& common = *engine_->scriptKeys().common;
  ScriptObject& buffer = history_[current_ ^ 1];
  if (buffer.getVm() == nullptr || buffer.isNull()) buffer = ScriptObject::newArray(vm, 0);
  const ScriptObject pos = ScriptObject::newTable(vm);
  pos.setFloatSlotByKey(common.x.getObject(), b.worldPosition.x);
  pos.setFloatSlotByKey(common.y.getObject(), b.worldPosition.y);
  pos.setFloatSlotByKey(common.z.getObject(), b.worldPosition.z);
  const ScriptObject entry = ScriptObject::newTable(vm);
  setSlotByKey(entry, engine_->scriptKeys().values[kKeyPos], pos);
  appendToArray(buffer, entry);
}

void BulletManager::returnAll() {
  ombListClear(&hitAttacks_);
  while (removed_.count > 0) {
    Bullet& b = bulletOf(removed_, removed_.head.next);
    ombListRemove(&removed_, &b.link);
    ombListAppend(&b.type->freeBullets, &b.link);
  }
  for (OMB_LIST& list : released_) {
    while (list.count > 0) {
      Attack& a = attackOf(list, list.head.next);
      ombListRemove(&list, &a.link);
      ombListAppend(&freeDynamic_, &a.link);
    }
  }
}

void BulletManager::removeAll(RemoveNotify notify) {
  while (live_.count > 0) {
    Bullet& b = bulletOf(live_, live_.head.next);
    if (notify == RemoveNotify::Yes) appendHistory(b);
    removeBullet(b);
  }
  returnAll();
  while (pending_.count > 0) releaseRequest(*static_cast<Request*>(ombListGetFirst(&pending_)));
  for (const std::unique_ptr<BulletType>& type : types_) type->pending = 0;
}

void BulletManager::draw(const float* lightDirection, const float* colour, const float* offset) {
  System* sys = engine_->system();
  L3DRenderer* renderer = sys != nullptr ? sys->renderer() : nullptr;
  if (renderer == nullptr) return;
  float d[3] = {lightDirection[0], lightDirection[1], lightDirection[2]};
  const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (length > 0.0f) {
    for (float& v : d) v /= length;
  }
  const uint32_t mode = engine_->drawFlags() == 0 ? 2 : 0;
  for (OMB_LIST_LINK* link = live_.head.next; link != &live_.head; link = link->next) {
    Bullet& b = bulletOf(live_, link);
    if (!b.geometry.instance) continue;
    renderer->SetLightDirection(d);
    renderer->DrawObjectInstance(*b.geometry.instance, colour, offset, mode);
  }
}

void BulletManager::hash(StateHash& h) const {
  h.u32(nextSerial_).u32(pending_.count).u32(current_).u32(releaseTarget_);
  for (const std::unique_ptr<BulletType>& type : types_) {
    h.i32(type->pending).u32(type->freeBullets.count);
  }
  OMB_LIST& live = const_cast<OMB_LIST&>(live_);
  h.u32(live.count);
  for (OMB_LIST_LINK* link = live.head.next; link != &live.head; link = link->next) {
    const Bullet& b = bulletOf(live, link);
    h.u32(b.serial).u32(b.flags).u32(b.bulletFlags).i32(b.phase).i32(b.life);
    h.f32(b.worldPosition.x).f32(b.worldPosition.y).f32(b.worldPosition.z);
    h.f32(b.worldRotation.x).f32(b.worldRotation.y).f32(b.worldRotation.z).f32(b.worldRotation.w);
    const BulletMotionState& s = b.state;
    h.i32(s.frame).u32(s.nextEvent).i32(s.speed).i32(s.speedLimit).i32(s.acceleration);
    h.f32(s.position.x).f32(s.position.y).f32(s.position.z);
    h.f32(s.rotation.x).f32(s.rotation.y).f32(s.rotation.z).f32(s.rotation.w);
    h.u32(s.flags).f32(s.rate).i32(static_cast<int32_t>(s.generator)).i32(s.count);
    h.i32(s.countdown).i32(s.cursor).i32(b.trackAngle);
    h.u32(b.hasHit() ? 1 : 0);
  }
  OMB_LIST& active = const_cast<OMB_LIST&>(activeDynamic_);
  h.u32(active.count);
  for (OMB_LIST_LINK* link = active.head.next; link != &active.head; link = link->next) {
    const Attack& a = attackOf(active, link);
    h.u32(a.serial).u32(a.flags).u32(a.activeFrames).u32(a.hasHit() ? 1 : 0);
  }
}

}  // namespace vell
