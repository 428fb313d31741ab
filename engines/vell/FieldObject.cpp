#include "engines/vell/FieldObject.h"

#include "engines/vell/CollMap.h"
#include "engines/vell/Engine.h"
#include "engines/vell/Map.h"
#include "engines/vell/ModelCache.h"
#include "engines/vell/ObjectManager.h"
#include "engines/vell/bullet/BulletManager.h"
#include "foundation/dbtl/DCp932Text.h"
#include "foundation/dbtl/Dstr.h"
#include "foundation/math/DetMath.h"
#include "foundation/math/LMat.h"
#include "foundation/omb/file/ombPath.h"
#include "host/system/System.h"
#include "model/L3DGroupData.h"
#include "model/effect/L3DEffectManager.h"
#include "render/L3DRenderer.h"
#include "script/ScriptError.h"
#include "script/ScriptManager.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

namespace vell {

const ScriptHandleKind kGeometryHandleKind{u"geometry"};
const ScriptHandleKind kAnimationHandleKind{u"animation"};

// Object is not standard layout (it derives from Base), so offsetof is conditionally supported;
// g++ and clang compute it as for any single-inheritance record.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
const int32_t kRiderLinkOffset = static_cast<int32_t>(offsetof(Object, riderLink));
#pragma GCC diagnostic pop

namespace {

constexpr uint32_t kPathUnits = 128;

void detachRider(Object& object) {
  if (object.landTriangle == nullptr) return;
  ombListRemove(&object.landTriangle->riders, &object.riderLink);
  object.riderLink = {};
  object.landTriangle = nullptr;
}

}  // namespace

bool DamageRecord::remember(const void* attacker) {
  int32_t freeIndex = -1;
  for (uint32_t i = 0; i < kHistorySize; ++i) {
    Entry& e = history[i];
    if (e.counter == 0) {
      freeIndex = int32_t(i);
    } else if (e.attacker == attacker) {
      e.counter = kHistoryStart;
      return false;
    }
  }
  if (freeIndex >= 0) history[freeIndex] = {kHistoryStart, attacker};
  return true;
}

void DamageRecord::age() {
  for (Entry& e : history) e.counter >>= 1;
}

void DamageRecord::resetHits() {
  for (Entry& e : history) e = {};
}

Object::Object() = default;

Object::~Object() {
  teardown();
  releaseGeometry();
}

Map* Object::map() const { return engine != nullptr ? engine->map() : nullptr; }

Object* Object::setup(ObjectManager& owner, const char16_t* groupName, const char16_t* scriptName,
                      const CreateRecord& create, const ScriptObject& argsValue) {
  Engine& e = owner.engine();
  ScriptManager& names = *e.scriptManager();
  const std::u16string dir = std::u16string(owner.objectsDirectory()) + groupName + u"/";
  Base::init(&e, kBaseObject,
             names.internDirectory(dir.substr(0, kPathUnits - 1).c_str()));
  manager = &owner;
  group = names.internString(groupName);
  name = names.internString(scriptName);

  status = kObjectLive;
  references = 0;
  currentGeometry = nullptr;
  currentAnim = nullptr;
  releaseGeometry();
  position = {0, 0, 0};
  angle = 0;
  trackAngle = 0;
  rotation = kQuatIdentity;
  landTriangle = nullptr;
  groundTriangle = nullptr;
  groundHeight = 0;
  entry.link = {};
  entry.owner = this;
  for (DamageRecord& r : damage) r.resetHits();
  dynamicAttack = nullptr;
  collMap = nullptr;

  Object* result = nullptr;
  if (create.flags & kCreateKeepReference) {
    references = 1;
    result = this;
  }
  if (argsValue.getVm() != nullptr && !argsValue.isNull()) setArgs(argsValue);

  if (create.flags & kCreateOnLand) {
    // Where there is no land the requested position is kept, with no land under it.
    const LandHit hit = landPlacement(*map(), create.position);
    setPositionOnTriangle(hit.triangle, hit.point);
  } else {
    setPosition(create.position);
  }
  setAngle(create.angle);
  start();
  return result;
}

void Object::releaseRuntime() {
  for (DamageRecord& r : damage) {
    r.notices = ScriptObject();
    r.systemNotice = ScriptObject();
  }
  clearShadow();
  releaseGeometry();
  if (dynamicAttack != nullptr) {
    if (BulletManager* bullets = engine->bullets()) bullets->releaseDynamic(*dynamicAttack);
    dynamicAttack = nullptr;
  }
  if (collMap != nullptr) {
    if (Map* m = map()) collMapSetEnable(*m, *collMap, false);
    collMap = nullptr;
  }
  const L3DModelServices services = engine->modelServices();
  if (services.seManager != nullptr) {
    if (voiceGroup != nullptr) services.seManager->UnloadGroup(voiceGroup);
    if (seGroup != nullptr) services.seManager->UnloadGroup(seGroup);
  }
  voiceGroup = nullptr;
  seGroup = nullptr;
}

void Object::start() {
  releaseRuntime();
  flags = 0;
  moveMode = kMoveNone;
  moveStatus = 0;
  moveDirection = {0, 0, 1};
  reflect = {0, 0, 1};
  push = PushApart{};
  push.self = &entry;
  land = LandMove{};
  land.self = &entry;
  air = AirMove{};
  request.rise = 0;
  request.distance = 0;
  request.angle = 0;
  turnAngle = 0;
  entry.position = {0, 0, 0};
  entry.radius = 0;
  entry.radiusSquared = 0;
  entry.top = 0;
  entry.bottom = 0;
  for (DamageRecord& r : damage) {
    r.mask = 0;
    r.flag = 0;
    r.spheres.itemCount = 0;
    r.spheres.boundRadius = 0;
    r.spheres.boxMin = r.spheres.boxMax = {0, 0, 0};
    r.centre = position;
    r.resetHits();
  }
  const L3DModelServices services = engine->modelServices();
  if (services.seManager != nullptr) {
    const std::u16string se = std::u16string(name) + u"_se";
    const std::u16string voice = std::u16string(name) + u"_voice";
    seGroup = da3dLoadSeGroup(services, directory, se.c_str(), 1, nullptr);
    voiceGroup = da3dLoadSeGroup(services, directory, voice.c_str(), 2, nullptr);
  }
  Base::run(name, engine->objectTable());
}

void Object::teardown() {
  if (engine == nullptr) return;
  releaseRuntime();
  detachRider(*this);
  ObjectSpace& space = engine->space();
  space.remove(&entry);
  entry.link = {};
  manager = nullptr;
  group = nullptr;
  name = nullptr;
  Base::release();
}

void Object::stopOutputs(ObjectAnim* anim) {
  if (anim == nullptr || !anim->geometry->object.instance) return;
  const void* key = anim->geometry->object.instance.Get();
  System* sys = engine != nullptr ? engine->system() : nullptr;
  if (sys == nullptr) return;
  if (L3DEffectManager* effects = sys->effectManager()) effects->StopKey(key);
  if (LSeManager* se = sys->seManager()) se->DetachOwner(key);
}

void Object::releaseGeometry() {
  for (ExtendSlot& slot : extend) stopOutputs(slot.anim);
  extend.clear();
  stopOutputs(currentAnim);
  currentGeometry = nullptr;
  currentAnim = nullptr;
  for (std::unique_ptr<ObjectGeometry>& g : geometries) {
    g->anims.clear();
    g->object.reset();
    if (engine != nullptr && g->entry != nullptr) engine->modelCache().release(g->entry);
  }
  geometries.clear();
}

ObjectGeometry* Object::loadGeometry(const char16_t* modelName) {
  char16_t path[kPathUnits];
  ombPathResolve(path, directory, kPathUnits, modelName);
  ModelCache& cache = engine->modelCache();
  CacheEntry* cached = cache.get(path);
  if (cached == nullptr) {
    LSeGroupList groups;
    if (engine->modelServices().seManager != nullptr) {
      LSeManager::_GROUPINFO* list[6] = {engine->seGroup(), engine->voiceGroup(),
                                         map() != nullptr ? map()->seGroup : nullptr,
                                         map() != nullptr ? map()->voiceGroup : nullptr, seGroup,
                                         voiceGroup};
      groups.count = 6;
      groups.groups.Create(6);
      for (uint32_t i = 0; i < 6; ++i) groups.groups[i] = list[i];
    }
    cached = cache.load(path, groups);
  }
  auto geometry = std::make_unique<ObjectGeometry>();
  geometry->owner = this;
  geometry->entry = cached;
  ModelCache::instantiate(geometry->object, *cached);
  static constexpr struct {
    uint32_t type;
    uint32_t flag;
  } kTypes[] = {{0, kGeometryBody}, {3, kGeometryDamage0}, {6, kGeometryDamage1},
                {4, kGeometryAttack}};
  for (const auto& t : kTypes) {
    if (ModelCache::hasCollGroupType(*cached, t.type)) geometry->flags |= t.flag;
  }
  if (cached->object.data) {
    dbtl::DList<L3DAnimData>& anims = cached->object.data->anims;
    for (auto it = anims.Begin(); it != anims.End(); it = dbtl::DList<L3DAnimData>::Next(it)) {
      dbtl::rcptr<L3DAnimData> data = dbtl::DList<L3DAnimData>::Get(it);
      if (!data || !da3dIsUsableAnimName(data->name.GetText())) continue;
      auto anim = std::make_unique<ObjectAnim>();
      anim->geometry = geometry.get();
      anim->anim = geometry->object.instance->GetAnimInstance(data);
      const char* text = data->name.GetText();
      if (geometry->defaultAnim == nullptr && data->name.GetLength() == 7 && text != nullptr &&
          dbtl::DstrCompareNoCaseN(text, "default", 7) == 0) {
        geometry->defaultAnim = anim.get();
      }
      geometry->anims.push_back(std::move(anim));
    }
  }
  if (geometry->defaultAnim == nullptr) {
    auto anim = std::make_unique<ObjectAnim>();
    anim->geometry = geometry.get();
    geometry->defaultAnim = anim.get();
    geometry->anims.push_back(std::move(anim));
  }
  geometries.push_back(std::move(geometry));
  return geometries.back().get();
}

ObjectAnim* Object::getAnimation(ObjectGeometry& geometry, const char16_t* animName) {
  std::string wanted = dbtl::DCp932FromUtf16(animName);
  if (wanted.size() > kPathUnits - 1) wanted.resize(kPathUnits - 1);
  for (const std::unique_ptr<ObjectAnim>& a : geometry.anims) {
    if (!a->anim || !a->anim->data) continue;
    const dbtl::DString& n = a->anim->data->name;
    if (n.GetLength() == wanted.size() &&
        dbtl::DstrCompareNoCaseN(n.GetText(), wanted.c_str(), uint32_t(wanted.size())) == 0) {
      return a.get();
    }
  }
  return geometry.defaultAnim;
}

void Object::setCurrentAnimation(ObjectAnim* anim) {
  if (anim == nullptr) return;
  if (currentAnim != nullptr) {
    stopOutputs(currentAnim);
    currentAnim->geometry->flags &= ~kGeometryShown;
  }
  anim->geometry->flags |= kGeometryShown;
  currentGeometry = anim->geometry;
  currentAnim = anim;
  currentGeometry->object.instance->SetAnim(anim->anim, L3DObjectInstance::Restart::Yes);
}

void Object::addCurrentAnimation(ObjectAnim* anim) {
  if (anim == nullptr) return;
  if (currentGeometry == nullptr) {
    setCurrentAnimation(anim);
    return;
  }
  stopOutputs(currentAnim);
  currentGeometry->object.instance->SetAnim(anim->anim, L3DObjectInstance::Restart::No);
}

void Object::setExtendCount(uint32_t count) { extend.resize(count); }

// Slots past the count set by the script are refused rather than written past the array.
void Object::setExtendAnimation(uint32_t index, ObjectAnim* anim) {
  if (index >= extend.size()) return;
  ExtendSlot& slot = extend[index];
  if (slot.anim != nullptr) {
    stopOutputs(slot.anim);
    slot.anim->geometry->flags &= ~kGeometryShown;
  }
  slot.anim = anim;
  if (anim == nullptr) return;
  anim->geometry->flags |= kGeometryShown;
  anim->geometry->object.instance->SetAnim(anim->anim, L3DObjectInstance::Restart::Yes);
}

void Object::addExtendAnimation(uint32_t index, ObjectAnim* anim) {
  if (index >= extend.size() || anim == nullptr) return;
  ExtendSlot& slot = extend[index];
  if (slot.anim == nullptr) {
    setExtendAnimation(index, anim);
    return;
  }
  stopOutputs(slot.anim);
  slot.anim->geometry->object.instance->SetAnim(anim->anim, L3DObjectInstance::Restart::No);
}

void Object::attachLand(CollTriangle* triangle) {
  if (triangle == landTriangle) return;
  detachRider(*this);
  if (triangle != nullptr) {
    ombListAppend(&triangle->riders, &riderLink);
    landTriangle = triangle;
  }
}

void Object::setPositionOnTriangle(CollTriangle* triangle, const FixedVec3& p) {
  position = p;
  attachLand(triangle);
  groundTriangle = landTriangle;
  groundHeight = p.y;
  if (landTriangle == nullptr) {
    const std::optional<GroundHit> ground = map() != nullptr ? map()->findGround(p) : std::nullopt;
    groundTriangle = ground ? ground->triangle : nullptr;
    groundHeight = ground ? ground->height : 0;
  }
  if (collMap != nullptr) collMapMoveTo(*collMap, p, *map());
  feedShadow();
}

void Object::setPosition(const FixedVec3& p) {
  setPositionOnTriangle(map() != nullptr ? landAtPoint(*map(), p) : nullptr, p);
}

void Object::setAngle(int32_t a) {
  angle = wrapAngle(a);
  const float half = static_cast<float>(a) / 2048.0f;
  rotation = {0.0f, detmath::sin(half), 0.0f, detmath::cos(half)};
  feedShadow();
}

void Object::loadCollMap(const char16_t* modelName) {
  if (collMap != nullptr || map() == nullptr) return;
  detachRider(*this);
  moveMode = kMoveNone;
  collMap = collMapLoad(*map(), engine->modelServices(), directory, modelName, position, angle);
  if (manager != nullptr) manager->moveToFront(*this);
}

void Object::setLandMoveOption(int32_t slideAngle, uint32_t options, int32_t slipAngle,
                               int32_t slipFall) {
  flags = (options & 1) ? (flags | kObjectLandAngleAbsolute) : (flags & ~kObjectLandAngleAbsolute);
  land.options = 0;
  if (options & 2) {
    land.options |= kLandOptionSlide;
    land.slideAngle = slideAngle;
  }
  if (options & 4) {
    land.options |= kLandOptionSlip;
    land.slipAngle = slipAngle;
    land.slipFall = slipFall;
  }
}

void Object::computeCylinder(const ObjectGeometry& geometry) {
  bool any = false;
  float radius = 0, top = 0, bottom = 0;
  if (geometry.entry != nullptr && geometry.entry->object.data) {
    dbtl::DList<L3DCollGroupData>& groups = geometry.entry->object.data->collGroups;
    for (auto it = groups.Begin(); it != groups.End();
         it = dbtl::DList<L3DCollGroupData>::Next(it)) {
      dbtl::rcptr<L3DCollGroupData> g = dbtl::DList<L3DCollGroupData>::Get(it);
      if (!g || g->type != 0 || !(g->flags & 1)) continue;
      for (auto s = g->spheres.Begin(); s != g->spheres.End();
           s = dbtl::DList<L3D_COLLDATA_SPHERE>::Next(s)) {
        dbtl::rcptr<L3D_COLLDATA_SPHERE> sphere = dbtl::DList<L3D_COLLDATA_SPHERE>::Get(s);
        if (!sphere) continue;
        const float r = sphere->radius;
        const float y = sphere->centre.y;
        if (!any) {
          radius = r;
          top = y + r;
          bottom = y - r;
          any = true;
        } else {
          radius = std::max(radius, r);
          top = std::max(top, y + r);
          bottom = std::min(bottom, y - r);
        }
      }
    }
  }
  entry.radius = any ? floatToFixed(radius) : 0;
  entry.top = any ? floatToFixed(top) : 0;
  entry.bottom = any ? floatToFixed(bottom) : 0;
  const float rf = fixedToFloat(entry.radius);
  entry.radiusSquared = rf * rf;
}

void Object::forward(L3DObjectInstance& instance) {
  instance.ForwardAnimFrame();
  if (instance.materialFlags & 1) engine->addFrameFlags(Engine::kObjectSortBit);
}

void Object::updateDamage() {
  static constexpr struct {
    uint32_t flag;
    uint32_t type;
  } kRecords[2] = {{kGeometryDamage0, 3}, {kGeometryDamage1, 6}};
  for (uint32_t i = 0; i < 2; ++i) {
    DamageRecord& r = damage[i];
    if (currentGeometry != nullptr && (currentGeometry->flags & kRecords[i].flag)) {
      sphereSetBuild(r.spheres, *currentGeometry->object.instance, kRecords[i].type, position);
    } else {
      r.spheres.itemCount = 0;
      r.spheres.boundRadius = 0;
      r.spheres.boundCentre = {fixedToFloat(position.x), fixedToFloat(position.y),
                               fixedToFloat(position.z)};
      r.spheres.boxMin = r.spheres.boxMax = {0, 0, 0};
    }
    if (r.spheres.boundRadius > 0.0f) {
      const LVec3& c = r.spheres.boundCentre;
      r.centre = ::vec3ToFixed(c.x, c.y, c.z);
    } else {
      r.centre = {position.x, position.y + (entry.top + entry.bottom) / 2, position.z};
    }
    r.age();
    r.notices = ScriptObject();
  }
}

void Object::update() {
  trackAngle = angle;
  Base::resume();
  // The script may have asked to exit: a torn-down object does nothing more this frame.
  if (engine == nullptr || status != kObjectLive) return;
  move();
  const LVec3 at{fixedToFloat(position.x), fixedToFloat(position.y), fixedToFloat(position.z)};
  if (currentGeometry != nullptr) {
    L3D_OBJINST_TRANSFORM& t = currentGeometry->object.instance->transform;
    std::copy(t.position, t.position + 3, t.previousPosition);
    std::copy(t.rotation, t.rotation + 4, t.previousRotation);
    t.position[0] = at.x;
    t.position[1] = at.y;
    t.position[2] = at.z;
    t.rotation[0] = rotation.x;
    t.rotation[1] = rotation.y;
    t.rotation[2] = rotation.z;
    t.rotation[3] = rotation.w;
    forward(*currentGeometry->object.instance);
  }
  updateDamage();
  if (dynamicAttack != nullptr) {
    if (BulletManager* bullets = engine->bullets()) {
      const bool attacks = currentGeometry != nullptr && (currentGeometry->flags & kGeometryAttack);
      bullets->tickDynamic(*dynamicAttack,
                           attacks ? currentGeometry->object.instance.Get() : nullptr);
    }
  }
  LMat turn;
  quatToMatrix(turn, rotation);
  for (ExtendSlot& slot : extend) {
    if (slot.anim == nullptr) continue;
    L3D_OBJINST_TRANSFORM& t = slot.anim->geometry->object.instance->transform;
    std::copy(t.position, t.position + 3, t.previousPosition);
    std::copy(t.rotation, t.rotation + 4, t.previousRotation);
    std::copy(t.scale, t.scale + 3, t.previousScale);
    const LVec3& o = slot.offset;
    t.position[0] = o.x * turn.m[0][0] + o.y * turn.m[1][0] + o.z * turn.m[2][0] + at.x;
    t.position[1] = o.x * turn.m[0][1] + o.y * turn.m[1][1] + o.z * turn.m[2][1] + at.y;
    t.position[2] = o.x * turn.m[0][2] + o.y * turn.m[1][2] + o.z * turn.m[2][2] + at.z;
    LQuat q;
    quatMultiply(q, rotation, slot.rotation);
    t.rotation[0] = q.x;
    t.rotation[1] = q.y;
    t.rotation[2] = q.z;
    t.rotation[3] = q.w;
    t.scale[0] = slot.scale.x;
    t.scale[1] = slot.scale.y;
    t.scale[2] = slot.scale.z;
    forward(*slot.anim->geometry->object.instance);
  }
  feedShadow();
}

void Object::draw(const float* lightDirection, const float* lightColor,
                  const float* ambientColor) {
  if (flags & kObjectHidden) return;
  System* sys = engine->system();
  L3DRenderer* renderer = sys != nullptr ? sys->renderer() : nullptr;
  if (renderer == nullptr) return;
  float d[3] = {lightDirection[0], lightDirection[1], lightDirection[2]};
  const float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (len > 0.0f) {
    for (float& v : d) v /= len;
  }
  renderer->SetLightDirection(d);
  const uint32_t mode = engine->drawFlags() != 0 ? 0 : 2;
  if (currentGeometry != nullptr) {
    renderer->DrawObjectInstance(*currentGeometry->object.instance, lightColor, ambientColor, mode);
  }
  for (ExtendSlot& slot : extend) {
    if (slot.anim == nullptr) continue;
    renderer->DrawObjectInstance(*slot.anim->geometry->object.instance, lightColor, ambientColor,
                                 mode);
  }
}

void Object::showEffect(const FixedVec3& offset, uint32_t id, bool systemData, int32_t life,
                        const LQuat& effectRotation, const LVec3& scale) {
  if (currentGeometry == nullptr || !currentGeometry->object.instance) return;
  System* sys = engine != nullptr ? engine->system() : nullptr;
  L3DEffectManager* effects = sys != nullptr ? sys->effectManager() : nullptr;
  if (effects == nullptr) return;
  L3DObjectInstance* instance = currentGeometry->object.instance.Get();
  const L3D_EFFECT_DATA* data =
      systemData ? instance->systemEffects.Get() : instance->ownEffects.Get();
  if (data == nullptr) return;
  effects->PlayAttached(instance->transform.position, instance, data, id, life,
                        LVec3{fixedToFloat(offset.x), fixedToFloat(offset.y),
                              fixedToFloat(offset.z)},
                        effectRotation, scale);
}

void Object::addDecal(const LVec3& offset, const DecalHandle* handle, const DecalStamp& stamp) {
  Map* m = map();
  if (m == nullptr || handle == nullptr) return;
  const float a = static_cast<float>(angle) / 1024.0f;
  const float c = detmath::cos(a);
  const float s = detmath::sin(a);
  const FixedVec3 turned = ::vec3ToFixed(offset.x * c + offset.z * s, offset.y,
                                         -offset.x * s + offset.z * c);
  DecalStamp placed = stamp;
  placed.centre = {fixedToFloat(position.x + turned.x), fixedToFloat(position.y + turned.y),
                   fixedToFloat(position.z + turned.z)};
  placed.angle = a + stamp.angle;
  m->addDecal(handle, placed);
}

ScriptObject Object::getMapEvent(uint32_t index) const {
  const HSQUIRRELVM vm = engine->scriptManager()->vm.vm;
  Map* m = map();
  const MapEvent* event =
      groundTriangle != nullptr ? Map::getTriangleEvent(*groundTriangle, index) : nullptr;
  if (m == nullptr || event == nullptr || m->events().empty()) return ScriptObject::newNull(vm);
  return m->eventTable(uint32_t(event - m->events().data()));
}

void Object::setShadow(const DecalHandle* handle, const LVec3& size, float shadowAngle,
                       float alpha, float heightScale, float minimum, float maximum) {
  if (engine == nullptr || handle == nullptr) return;
  engine->shadows().set(shadow, handle, size, shadowAngle, alpha, heightScale, minimum, maximum);
  feedShadow();
}

void Object::clearShadow() {
  if (engine != nullptr) engine->shadows().clear(shadow);
}

void Object::feedShadow() {
  if (shadow.handle == nullptr) return;
  shadow.caster = {position, angle, groundTriangle, groundHeight};
}

void Object::releaseHandle() {
  if (references == 1) {
    references = 0;
    if (status != kObjectLive && manager != nullptr) manager->exit(*this);
  } else if (references > 1) {
    references -= 1;
  }
}

void Object::deliverNotice(uint32_t slot, const ScriptObject& notice) {
  DamageRecord& r = damage[slot & 1];
  const HSQUIRRELVM vm = engine->scriptManager()->vm.vm;
  if (r.notices.getVm() == nullptr || r.notices.isNull()) r.notices = ScriptObject::newArray(vm, 0);
  // Both go on the engine's machine, whichever machine the notice's handle came from.
  sq_pushobject(vm, r.notices.getObject());
  sq_pushobject(vm, notice.getObject());
  const bool ok = SQ_SUCCEEDED(sq_arrayappend(vm, -2));
  sq_pop(vm, 1);
  if (!ok) scriptError(u"[%ls] Script Error: can't append array");
  if (r.systemNotice.getVm() != nullptr && !r.systemNotice.isNull()) {
    engine->appendDamageNotice(r.systemNotice);
    r.systemNotice = ScriptObject();
  }
}

}  // namespace vell
