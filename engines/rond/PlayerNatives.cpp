// The player table: the natives of a player's "main" script, acting on the calling player (the
// self object of its thread). Geometries, animation entries and attack nodes reach the script as
// handles of the engine's table, accepted back only from the player they were given to; slots,
// parameter indices and flag indices pass the engine's one index check.

#include "engines/rond/NativeCaller.h"
#include "engines/rond/RondEngine.h"
#include "engines/rond/ScriptIndex.h"
#include "engines/rond/bullet/BulletRotation.h"
#include "foundation/lerr/lerr.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/text/ombNumber.h"
#include "foundation/omb/text/ombString.h"
#include "foundation/omb/text/ombToken.h"
#include "host/globals/GlobalNatives.h"
#include "net/controller/Controller.h"
#include "script/ScriptContext.h"
#include "script/ScriptError.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"

#include <algorithm>

namespace rond {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

PlayerParameter* parameterOf(Player& player, int32_t index) {
  if (!checkScriptIndex(index, int32_t(player.parameters.size()), u"parameter")) return nullptr;
  return &player.parameters[uint32_t(index)];
}

// Another (or the same) player; null after the index error, or when the slot holds none.
Player* otherPlayer(HSQUIRRELVM vm, int32_t slot) {
  Engine& engine = engineOf(vm);
  if (!checkScriptIndex(slot, 2, u"versus slot")) return nullptr;
  return engine.player(slot);
}

const Vec3* vec3Of(const ScriptObject& value) {
  return static_cast<const Vec3*>(value.getInstanceUp(Vec3::typeTag()));
}

FixedVec3 fixedOf(const Vec3& v) { return vec3ToFixed(v.x, v.y, v.z); }

ScriptObject newVec3(HSQUIRRELVM vm, const FixedVec3& v) {
  return Vec3::create(vm, fixedToFloat(v.x), fixedToFloat(v.y), fixedToFloat(v.z));
}

// --- handles ---

template <class T>
int32_t handleOf(Engine& engine, const ScriptHandleKind& kind, T* object) {
  if (object == nullptr) return 0;
  if (object->handle == 0) object->handle = engine.handles().add(kind, object);
  return object->handle;
}

bool ownsGeometry(const Player& player, const Geometry* geometry) {
  for (const auto& own : player.geometries()) {
    if (own.get() == geometry) return true;
  }
  return false;
}

// A geometry of the calling player, or null after the handle error.
Geometry* geometryArgument(HSQUIRRELVM vm, int32_t handle) {
  auto* geometry = static_cast<Geometry*>(engineOf(vm).handles().get(handle, kGeometryHandle));
  if (geometry == nullptr) return nullptr;
  if (ownsGeometry(scriptPlayer(vm), geometry)) return geometry;
  ScriptHandleTable::reportInvalid(handle, kGeometryHandle);
  return nullptr;
}

AnimEntry* entryArgument(HSQUIRRELVM vm, int32_t handle) {
  auto* entry = static_cast<AnimEntry*>(engineOf(vm).handles().get(handle, kAnimationHandle));
  if (entry == nullptr) return nullptr;
  if (ownsGeometry(scriptPlayer(vm), entry->geometry)) return entry;
  ScriptHandleTable::reportInvalid(handle, kAnimationHandle);
  return nullptr;
}

// --- identity, geometry and animation ---

int32_t playerGetId(HSQUIRRELVM vm) { return scriptPlayer(vm).slot(); }

int32_t playerLoadGeometry(HSQUIRRELVM vm, const char16_t* name) {
  return handleOf(engineOf(vm), kGeometryHandle, scriptPlayer(vm).loadGeometry(name));
}

int32_t playerGetAnimation(HSQUIRRELVM vm, int32_t geometry, const char16_t* name) {
  Geometry* g = geometryArgument(vm, geometry);
  return g != nullptr ? handleOf(engineOf(vm), kAnimationHandle, g->findAnimation(name)) : 0;
}

int32_t playerGetAnimationDefault(HSQUIRRELVM vm, int32_t geometry) {
  Geometry* g = geometryArgument(vm, geometry);
  return g != nullptr ? handleOf(engineOf(vm), kAnimationHandle, g->defaultEntry) : 0;
}

int32_t playerGetCurrentAnimation(HSQUIRRELVM vm) {
  return handleOf(engineOf(vm), kAnimationHandle, scriptPlayer(vm).currentAnimation());
}

void playerSetCurrentAnimation(HSQUIRRELVM vm, int32_t entry) {
  if (AnimEntry* e = entryArgument(vm, entry)) scriptPlayer(vm).setAnimation(e);
}

void playerAddCurrentAnimation(HSQUIRRELVM vm, int32_t entry) {
  if (AnimEntry* e = entryArgument(vm, entry)) scriptPlayer(vm).addAnimation(e);
}

int32_t playerGetAnimationLastFrame(HSQUIRRELVM vm, int32_t entry) {
  const AnimEntry* e = entryArgument(vm, entry);
  return e != nullptr ? e->lastFrame() : 0;
}

int32_t playerGetAnimationLoopFrame(HSQUIRRELVM vm, int32_t entry) {
  const AnimEntry* e = entryArgument(vm, entry);
  return e != nullptr ? e->loopFrame() : 0;
}

// "x y z degrees": the rotation about the normalised axis; the identity for a zero axis.
LQuat rotationOfText(const char16_t* text) {
  float values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  const char16_t* p = text != nullptr ? text : u"";
  for (float& value : values) {
    p = ombStrSkipBlank(p);
    if (*p == 0) break;
    char16_t item[64];
    p = ombStrGetToken(64, item, p, nullptr);
    value = float(ombStrToDouble(item, nullptr));
  }
  const LVec3 axis{values[0], values[1], values[2]};
  if (isTinyAxis(axis)) return kQuatIdentity;
  return quatFromAxisAngle(axis, wrapRadians(values[3] * kDegreesToRadians));
}

void playerShowEffect(HSQUIRRELVM vm, int32_t effect, ScriptObject table) {
  Player& p = scriptPlayer(vm);
  const bool system = table.getBoolSlot(u"system");
  const ScriptObject life = table.findSlot(u"life");
  FixedVec3 at{0, 0, 0};
  if (const ScriptObject pos = table.findSlot(u"pos"); !pos.isNull()) {
    if (const Vec3* v = vec3Of(pos)) at = fixedOf(*v);
  }
  LQuat rotation = kQuatIdentity;
  if (table.hasSlot(u"rot")) {
    rotation = rotationOfText(table.getStringSlot(u"rot"));
  } else if (const ScriptObject rots = table.findSlot(u"rots"); !rots.isNull()) {
    for (int32_t i = 0; i < rots.getSize(); ++i) {
      quatMultiply(rotation, rotation, rotationOfText(rots.getStringSlotByIndex(i)));
    }
  }
  float scale[3] = {1.0f, 1.0f, 1.0f};
  if (const ScriptObject s = table.findSlot(u"scale"); !s.isNull()) {
    if (const Vec3* v = vec3Of(s)) {
      scale[0] = v->x;
      scale[1] = v->y;
      scale[2] = v->z;
    }
  }
  p.playEffect(at, uint32_t(effect), system, life.isNull() ? -1 : table.getIntegerSlot(u"life"),
               rotation, scale);
}

bool playerIsDraw(HSQUIRRELVM vm) { return (scriptPlayer(vm).flags & kObjectHidden) == 0; }

void playerSetDraw(HSQUIRRELVM vm, bool draw) {
  Player& p = scriptPlayer(vm);
  p.flags = draw ? p.flags & ~kObjectHidden : p.flags | kObjectHidden;
}

// --- parameters ---

int32_t playerGetParameterValue(HSQUIRRELVM vm, int32_t index) {
  const PlayerParameter* p = parameterOf(scriptPlayer(vm), index);
  return p != nullptr ? p->value : 0;
}

void playerSetParameterValue(HSQUIRRELVM vm, int32_t index, int32_t value) {
  if (PlayerParameter* p = parameterOf(scriptPlayer(vm), index)) p->set(value);
}

void playerInitParameterValue(HSQUIRRELVM vm, int32_t index) {
  PlayerParameter* p = parameterOf(scriptPlayer(vm), index);
  const auto& definitions = engineOf(vm).parameterTables().player;
  if (p == nullptr || !checkScriptIndex(index, int32_t(definitions.size()), u"parameter")) return;
  p->set(definitions[uint32_t(index)].value);
}

void playerSetParameterRange(HSQUIRRELVM vm, int32_t index, int32_t min, int32_t max) {
  if (PlayerParameter* p = parameterOf(scriptPlayer(vm), index)) p->setRange(min, max);
}

void playerSetParameterFlag(HSQUIRRELVM vm, int32_t index, int32_t tag) {
  if (PlayerParameter* p = parameterOf(scriptPlayer(vm), index)) p->tag = tag;
}

void playerSetParameterCondition(HSQUIRRELVM vm, int32_t index, ScriptObject pairs,
                                 int32_t limit) {
  Player& player = scriptPlayer(vm);
  PlayerParameter* p = parameterOf(player, index);
  if (p == nullptr) return;
  const int32_t size = pairs.getSize();
  const uint32_t count = size > 0 ? uint32_t(size) / 2 : 0;
  p->resizeConditions(count, limit);
  for (uint32_t i = 0; i < count; ++i) {
    const int32_t id = pairs.getIntegerSlotByIndex(int32_t(2 * i), 0);
    if (!checkScriptIndex(id, int32_t(player.parameters.size()), u"parameter")) continue;
    p->conditions[i] = ParameterCondition{id, pairs.getFloatSlotByIndex(int32_t(2 * i + 1), 0.0f)};
  }
}

int32_t otherGetParameterValue(HSQUIRRELVM vm, int32_t slot, int32_t index) {
  Player* other = otherPlayer(vm, slot);
  const PlayerParameter* p = other != nullptr ? parameterOf(*other, index) : nullptr;
  return p != nullptr ? p->value : 0;
}

// --- position and movement ---

ScriptObject playerGetPos(HSQUIRRELVM vm) { return newVec3(vm, scriptPlayer(vm).position); }

void playerSetMoveFlags(HSQUIRRELVM vm, int32_t moveFlags) {
  scriptPlayer(vm).moveFlags = uint32_t(moveFlags);
}

int32_t playerGetMoveResult(HSQUIRRELVM vm) { return int32_t(scriptPlayer(vm).moveResult); }

void playerSetMoveResult(HSQUIRRELVM vm, int32_t result) { scriptPlayer(vm).moveResult = uint32_t(result); }

void playerMove(HSQUIRRELVM vm, ScriptObject value) {
  Player& p = scriptPlayer(vm);
  if (const Vec3* v = vec3Of(value)) p.setMotion(fixedOf(*v));
}

void playerMoveAccel(HSQUIRRELVM vm, ScriptObject velocity, ScriptObject target,
                     ScriptObject acceleration) {
  Player& p = scriptPlayer(vm);
  const Vec3* v = vec3Of(velocity);
  const Vec3* t = vec3Of(target);
  const Vec3* a = vec3Of(acceleration);
  if (v == nullptr || t == nullptr || a == nullptr) return;
  p.velocity = fixedOf(*v);
  p.target = fixedOf(*t);
  p.acceleration = fixedOf(*a);
  p.bias = FixedVec3{kFixedOne, kFixedOne, kFixedOne};
}

void playerMoveBias(HSQUIRRELVM vm, ScriptObject velocity, ScriptObject target,
                    ScriptObject bias) {
  Player& p = scriptPlayer(vm);
  const Vec3* v = vec3Of(velocity);
  const Vec3* t = vec3Of(target);
  const Vec3* b = vec3Of(bias);
  if (v == nullptr || t == nullptr || b == nullptr) return;
  p.velocity = fixedOf(*v);
  p.target = fixedOf(*t);
  p.acceleration = FixedVec3{0, 0, 0};
  p.bias = fixedOf(*b);
}

void playerMoveStop(HSQUIRRELVM vm) { scriptPlayer(vm).setMotion(FixedVec3{0, 0, 0}); }

// One axis of the velocity model: x side, y up, z forward.
enum Axis { kSide, kUp, kForward };

int32_t& axisOf(FixedVec3& v, Axis axis) { return axis == kSide ? v.x : axis == kUp ? v.y : v.z; }

void setAxis(Player& p, Axis axis, int32_t velocity, int32_t target, int32_t acceleration,
             int32_t bias) {
  axisOf(p.velocity, axis) = velocity;
  axisOf(p.target, axis) = target;
  axisOf(p.acceleration, axis) = acceleration;
  axisOf(p.bias, axis) = bias;
}

template <Axis A>
void moveAxis(HSQUIRRELVM vm, float speed) {
  const int32_t s = floatToFixed(speed);
  setAxis(scriptPlayer(vm), A, s, s, 0, kFixedOne);
}

template <Axis A>
void moveAxisAccel(HSQUIRRELVM vm, float velocity, float target, float acceleration) {
  setAxis(scriptPlayer(vm), A, floatToFixed(velocity), floatToFixed(target), floatToFixed(acceleration),
          kFixedOne);
}

template <Axis A>
void moveAxisBias(HSQUIRRELVM vm, float velocity, float target, float bias) {
  setAxis(scriptPlayer(vm), A, floatToFixed(velocity), floatToFixed(target), 0, floatToFixed(bias));
}

template <Axis A>
void moveAxisStop(HSQUIRRELVM vm) {
  setAxis(scriptPlayer(vm), A, 0, 0, 0, kFixedOne);
}

// --- rotation ---

float playerGetRot(HSQUIRRELVM vm) { return angleToDegrees(scriptPlayer(vm).rotationAngle); }

void playerSetRot(HSQUIRRELVM vm, float degrees) { scriptPlayer(vm).setRotation(degreesToAngle(degrees)); }

float playerGetRotTrack(HSQUIRRELVM vm) { return angleToDegrees(scriptPlayer(vm).rotationTrack); }

void playerSetRotTrack(HSQUIRRELVM vm, float degrees) {
  scriptPlayer(vm).rotationTrack = wrapAngle(degreesToAngle(degrees));
}

// --- damage and attacks ---

bool playerIsDamageExist(HSQUIRRELVM vm) { return scriptPlayer(vm).damageFlag != 0; }

float playerGetDamageRot(HSQUIRRELVM vm) { return angleToDegrees(scriptPlayer(vm).damageAngleValue); }

int32_t playerDefineAttack(HSQUIRRELVM vm, ScriptObject table) {
  Player& p = scriptPlayer(vm);
  AttackNode* node = p.addAttack(AttackDefinition::read(table, AttackInherit::No));
  return handleOf(engineOf(vm), kAttackHandle, node);
}

int32_t playerGetAttackDefine(HSQUIRRELVM vm) {
  return handleOf(engineOf(vm), kAttackHandle, scriptPlayer(vm).activeAttack);
}

void playerSetAttackDefine(HSQUIRRELVM vm, int32_t handle) {
  Player& p = scriptPlayer(vm);
  auto* node = static_cast<AttackNode*>(engineOf(vm).handles().get(handle, kAttackHandle));
  if (node == nullptr) return;
  // A node of the other player's list is not this player's attack.
  for (const auto& own : p.attacks()) {
    if (own.get() == node) {
      p.activeAttack = node;
      return;
    }
  }
  ScriptHandleTable::reportInvalid(handle, kAttackHandle);
}

void playerClearAttackDefine(HSQUIRRELVM vm) { scriptPlayer(vm).activeAttack = nullptr; }

ScriptObject otherGetDamageTarget(HSQUIRRELVM vm, int32_t slot) {
  const Player* other = otherPlayer(vm, slot);
  return newVec3(vm, other != nullptr ? other->centre : FixedVec3{0, 0, 0});
}

// --- controller ---

// Flat flag index: 0 pressed, 16 held, 32 third, plus the button.
// The range is checked on the script's own index, so no sum can overflow.
uint8_t* flagOf(HSQUIRRELVM vm, int32_t base, int32_t index) {
  Controller* controller = scriptPlayer(vm).controller();
  if (!checkScriptIndex(index >= -base ? index : -1, 48 - base, u"flag") || controller == nullptr) {
    return nullptr;
  }
  return controller->pressed() + (base + index);
}

void ctrlClear(HSQUIRRELVM vm) {
  Controller* controller = scriptPlayer(vm).controller();
  if (controller == nullptr) return;
  std::fill_n(controller->pressed(), 48, uint8_t(0));
  controller->analog().fill(0.0f);
}

template <int32_t Base>
bool ctrlGet(HSQUIRRELVM vm, int32_t index) {
  const uint8_t* flag = flagOf(vm, Base, index);
  return flag != nullptr && *flag != 0;
}

template <int32_t Base>
void ctrlSet(HSQUIRRELVM vm, int32_t index, bool value) {
  if (uint8_t* flag = flagOf(vm, Base, index)) *flag = value ? 1 : 0;
}

// --- match control ---

void systemRequestQuiescenceMode(HSQUIRRELVM vm, int32_t frames) {
  Player& p = scriptPlayer(vm);
  engineOf(vm).requestQuiescence(p.slot(), frames);
}

bool systemIsQuiesceneceOwner(HSQUIRRELVM vm) {
  return engineOf(vm).quiescenceOwner() == scriptPlayer(vm).slot();
}

}  // namespace

void registerPlayerApi(const ScriptObject& table) {
  table.registerFunction(u"playerGetId", &playerGetId);
  table.registerFunction(u"playerLoadGeometry", &playerLoadGeometry);
  table.registerFunction(u"playerGetAnimation", &playerGetAnimation);
  table.registerFunction(u"playerGetAnimationDefault", &playerGetAnimationDefault);
  table.registerFunction(u"playerGetCurrentAnimation", &playerGetCurrentAnimation);
  table.registerFunction(u"playerSetCurrentAnimation", &playerSetCurrentAnimation);
  table.registerFunction(u"playerAddCurrentAnimation", &playerAddCurrentAnimation);
  table.registerFunction(u"playerGetAnimationLastFrame", &playerGetAnimationLastFrame);
  table.registerFunction(u"playerGetAnimationLoopFrame", &playerGetAnimationLoopFrame);
  table.registerFunction(u"playerShowEffect", &playerShowEffect);
  table.registerFunction(u"playerIsDraw", &playerIsDraw);
  table.registerFunction(u"playerSetDraw", &playerSetDraw);

  table.registerFunction(u"playerGetParameterValue", &playerGetParameterValue);
  table.registerFunction(u"playerSetParameterValue", &playerSetParameterValue);
  table.registerFunction(u"playerInitParameterValue", &playerInitParameterValue);
  table.registerFunction(u"playerSetParameterRange", &playerSetParameterRange);
  table.registerFunction(u"playerSetParameterFlag", &playerSetParameterFlag);
  table.registerFunction(u"playerSetParameterCondition", &playerSetParameterCondition);
  table.registerFunction(u"otherGetParameterValue", &otherGetParameterValue);

  table.registerFunction(u"playerGetPos", &playerGetPos);
  table.registerFunction(u"playerSetMoveFlags", &playerSetMoveFlags);
  table.registerFunction(u"playerGetMoveResult", &playerGetMoveResult);
  table.registerFunction(u"playerSetMoveResult", &playerSetMoveResult);
  table.registerFunction(u"playerMove", &playerMove);
  table.registerFunction(u"playerMoveAccel", &playerMoveAccel);
  table.registerFunction(u"playerMoveBias", &playerMoveBias);
  table.registerFunction(u"playerMoveStop", &playerMoveStop);
  table.registerFunction(u"playerMoveForward", &moveAxis<kForward>);
  table.registerFunction(u"playerMoveSide", &moveAxis<kSide>);
  table.registerFunction(u"playerMoveUp", &moveAxis<kUp>);
  table.registerFunction(u"playerMoveForwardAccel", &moveAxisAccel<kForward>);
  table.registerFunction(u"playerMoveSideAccel", &moveAxisAccel<kSide>);
  table.registerFunction(u"playerMoveUpAccel", &moveAxisAccel<kUp>);
  table.registerFunction(u"playerMoveForwardBias", &moveAxisBias<kForward>);
  table.registerFunction(u"playerMoveSideBias", &moveAxisBias<kSide>);
  table.registerFunction(u"playerMoveUpBias", &moveAxisBias<kUp>);
  table.registerFunction(u"playerMoveForwardStop", &moveAxisStop<kForward>);
  table.registerFunction(u"playerMoveSideStop", &moveAxisStop<kSide>);
  table.registerFunction(u"playerMoveUpStop", &moveAxisStop<kUp>);

  table.registerFunction(u"playerGetRot", &playerGetRot);
  table.registerFunction(u"playerSetRot", &playerSetRot);
  table.registerFunction(u"playerGetRotTrack", &playerGetRotTrack);
  table.registerFunction(u"playerSetRotTrack", &playerSetRotTrack);

  table.registerFunction(u"playerIsDamageExist", &playerIsDamageExist);
  table.registerFunction(u"playerGetDamageRot", &playerGetDamageRot);
  table.registerFunction(u"playerDefineAttack", &playerDefineAttack);
  table.registerFunction(u"playerGetAttackDefine", &playerGetAttackDefine);
  table.registerFunction(u"playerSetAttackDefine", &playerSetAttackDefine);
  table.registerFunction(u"playerClearAttackDefine", &playerClearAttackDefine);
  table.registerFunction(u"otherGetDamageTarget", &otherGetDamageTarget);

  table.registerFunction(u"ctrlClear", &ctrlClear);
  table.registerFunction(u"ctrlGetEvent", &ctrlGet<0>);
  table.registerFunction(u"ctrlSetEvent", &ctrlSet<0>);
  table.registerFunction(u"ctrlGetStatus", &ctrlGet<16>);
  table.registerFunction(u"ctrlSetStatus", &ctrlSet<16>);
  table.registerFunction(u"ctrlGetIntr", &ctrlGet<32>);
  table.registerFunction(u"ctrlSetIntr", &ctrlSet<32>);

  registerBulletPlayerApi(table);

  table.registerFunction(u"systemRequestQuiescenceMode", &systemRequestQuiescenceMode);
  table.registerFunction(u"systemIsQuiesceneceOwner", &systemIsQuiesceneceOwner);
}

}  // namespace rond
