// The script natives of the bullets and score tips: bullet types and motion programs defined by
// the player scripts, spawn requests, the system script's score-tip definitions and runtime
// clearing, and the nearest-bullet report of the brain scripts. Types and programs reach the
// scripts as handles of the engine's table; a program's binds and requests accept only live
// handles of the calling player's own side.

#include "engines/rond/NativeCaller.h"
#include "engines/rond/RondEngine.h"
#include "engines/rond/ScriptIndex.h"
#include "engines/rond/bullet/BulletRotation.h"
#include "foundation/lerr/lerr.h"
#include "foundation/omb/ombLog.h"
#include "host/globals/GlobalNatives.h"
#include "script/ScriptContext.h"
#include "script/ScriptError.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"

#include <optional>
#include <string>
#include <vector>

namespace rond {

namespace {

// A type's bullets are made when it is defined; more than this is a script's mistake, not a
// pool to allocate.
constexpr int32_t kMaxTypeBullets = 65536;
constexpr int32_t kMaxScoreTipDefinitions = 4096;
constexpr int32_t kMaxScoreTipsPerSide = 4096;

std::u16string text(const ScriptObject& value) {
  if (value.getType() != OT_STRING) return {};
  const char16_t* s = value.toString();
  return s != nullptr ? s : u"";
}

std::optional<LVec3> vec3(const ScriptObject& value) {
  if (value.isNull()) return std::nullopt;
  const auto* v = static_cast<const Vec3*>(value.getInstanceUp(Vec3::typeTag()));
  if (v == nullptr) return std::nullopt;
  return LVec3{v->x, v->y, v->z};
}

// A live record of the handle's kind that belongs to the player's side; anything else is the
// invalid-handle script error.
template <class T>
T* ownRecord(Engine& engine, const Player& player, int32_t handle, const ScriptHandleKind& kind) {
  auto* record = static_cast<T*>(engine.handles().get(handle, kind));
  if (record == nullptr) return nullptr;
  int32_t side;
  if constexpr (std::is_same_v<T, BulletType>) {
    side = record->side;
  } else {
    side = record->type->side;
  }
  if (side != player.slot()) {
    ScriptHandleTable::reportInvalid(handle, kind);
    return nullptr;
  }
  return record;
}

std::vector<BulletBind> readBinds(Engine& engine, const Player& player, const ScriptObject& array) {
  std::vector<BulletBind> binds;
  if (array.isNull()) return binds;
  const int32_t size = array.getSize();
  for (int32_t i = 0; i + 4 < size; i += 5) {
    const int32_t handle = array.getIntegerSlotByIndex(i, 0);
    if (ownRecord<BulletMotion>(engine, player, handle, kBulletMotionHandle) == nullptr) continue;
    const LVec3 offset = vec3(array.findSlotByIndex(i + 1)).value_or(LVec3{});
    const std::optional<LVec3> axis = vec3(array.findSlotByIndex(i + 2));
    const float degrees = array.getFloatSlotByIndex(i + 3, 0.0f);
    const LVec3 targetOffset = vec3(array.findSlotByIndex(i + 4)).value_or(LVec3{});
    binds.push_back(makeBulletBind(handle, offset, axis, degrees, targetOffset));
  }
  return binds;
}

std::optional<std::vector<std::u16string>> texts(const ScriptObject& array) {
  if (array.isNull()) return std::nullopt;
  std::vector<std::u16string> out;
  const int32_t size = array.getSize();
  for (int32_t i = 0; i < size; ++i) out.push_back(text(array.findSlotByIndex(i)));
  return out;
}

BulletEventText readEvent(Engine& engine, const Player& player, const ScriptObject& event) {
  BulletEventText e;
  e.frame = event.getIntegerSlot(u"frame");
  e.move = text(event.findSlot(u"move"));
  e.lockon = text(event.findSlot(u"lockon"));
  if (event.hasSlot(u"rot")) {
    e.rot = text(event.findSlot(u"rot"));
  } else {
    e.rots = texts(event.findSlot(u"rots"));
  }
  if (event.hasSlot(u"drot")) {
    e.drot = text(event.findSlot(u"drot"));
  } else {
    e.drots = texts(event.findSlot(u"drots"));
  }
  e.rotYTop = event.getBoolSlot(u"rotYTop");
  e.binds = readBinds(engine, player, event.findSlot(u"binds"));
  e.genRand = text(event.findSlot(u"genRand"));
  e.genSet = text(event.findSlot(u"genSet"));
  e.genPat = text(event.findSlot(u"genPat"));
  e.genColl = text(event.findSlot(u"genColl"));
  return e;
}

// --- player table ---

int32_t bulletDefineType(HSQUIRRELVM vm, ScriptObject table) {
  Engine& engine = engineOf(vm);
  Player& player = scriptPlayer(vm);
  const int32_t count = table.getIntegerSlot(u"count");
  if (!checkScriptIndex(count < 0 ? 0 : count, kMaxTypeBullets + 1, u"bullet count")) return 0;
  const AttackDefinition attack = AttackDefinition::read(table, AttackInherit::No);
  const std::u16string name = text(table.findSlot(u"geometryName"));
  BulletType* type =
      engine.bullets().defineType(player.slot(), attack, count, player.directory(), name.c_str());
  type->handle = engine.handles().add(kBulletTypeHandle, type);
  return type->handle;
}

int32_t bulletDefineMotion(HSQUIRRELVM vm, ScriptObject table) {
  Engine& engine = engineOf(vm);
  Player& player = scriptPlayer(vm);
  auto* type = ownRecord<BulletType>(engine, player, table.getIntegerSlot(u"type"),
                                     kBulletTypeHandle);
  if (type == nullptr) return 0;
  const auto flags = uint32_t(table.getIntegerSlot(u"flags"));
  const int32_t timeout = table.getIntegerSlot(u"timeout");
  const AttackDefinition attack = AttackDefinition::read(table, AttackInherit::Yes);
  std::vector<BulletOp> ops;
  const ScriptObject events = table.findSlot(u"events");
  if (!events.isNull()) {
    const int32_t size = events.getSize();
    for (int32_t i = 0; i < size; ++i) {
      const ScriptObject event = events.findSlotByIndex(i);
      if (event.getType() != OT_TABLE) continue;
      appendBulletEventOps(readEvent(engine, player, event), ops);
    }
  }
  BulletMotion* program = engine.bullets().defineMotion(type, flags, timeout, attack, std::move(ops));
  program->handle = engine.handles().add(kBulletMotionHandle, program);
  return program->handle;
}

bool bulletCanAdd(HSQUIRRELVM vm, int32_t handle) {
  Engine& engine = engineOf(vm);
  auto* program = ownRecord<BulletMotion>(engine, scriptPlayer(vm), handle, kBulletMotionHandle);
  return program != nullptr && BulletManager::canAdd(*program);
}

bool bulletAdd(HSQUIRRELVM vm, int32_t handle, ScriptObject table) {
  Engine& engine = engineOf(vm);
  Player& player = scriptPlayer(vm);
  auto* program = ownRecord<BulletMotion>(engine, player, handle, kBulletMotionHandle);
  if (program == nullptr) return false;
  const LVec3 pos = vec3(table.findSlot(u"pos")).value_or(LVec3{});
  LQuat rotation = kQuatIdentity;
  const std::optional<LVec3> axis = vec3(table.findSlot(u"rotAxis"));
  if (axis && table.hasSlot(u"rotAngle")) {
    rotation = quatFromAxisAngle(*axis, table.getFloatSlot(u"rotAngle") * kDegreesToRadians);
  }
  Object* target = nullptr;
  const ScriptObject targetSlot = table.findSlot(u"target");
  if (targetSlot.getType() == OT_INTEGER) target = engine.player(targetSlot.toInteger());
  const LVec3 targetOffset = vec3(table.findSlot(u"targetOffset")).value_or(LVec3{});
  const int32_t mode = table.getBoolSlot(u"playerTrack") ? kSpawnTracking : kSpawnRelative;
  const float bias = table.hasSlot(u"lockonBias") ? table.getFloatSlot(u"lockonBias") : 1.0f;
  return engine.bullets().requestSpawn(rotation, program, mode, vec3ToFixed(pos.x, pos.y, pos.z),
                                       target,
                                       vec3ToFixed(targetOffset.x, targetOffset.y, targetOffset.z),
                                       bias);
}

// --- system table ---

void systemClearRuntimeResources(HSQUIRRELVM vm) {
  Engine& engine = engineOf(vm);
  engine.bullets().removeAll();
  engine.scoreTips().clearAll();
}

void systemSetScoretipDefineCount(HSQUIRRELVM vm, int32_t n) {
  Engine& engine = engineOf(vm);
  if (!checkScriptIndex(n < 0 ? 0 : n, kMaxScoreTipDefinitions + 1, u"score tip count")) return;
  engine.scoreTips().setDefinitionCount(n);
}

void systemDefineScoretip(HSQUIRRELVM vm, int32_t index, ScriptObject table) {
  Engine& engine = engineOf(vm);
  ScoreTipValues v;
  v.geometryName = text(table.findSlot(u"geometryName"));
  v.count = table.getIntegerSlot(u"count");
  if (!checkScriptIndex(v.count < 0 ? 0 : v.count, kMaxScoreTipsPerSide + 1, u"score tip")) return;
  const ScriptObject pairs = table.findSlot(u"notifyPlayers");
  if (!pairs.isNull()) {
    const int32_t size = pairs.getSize();
    for (int32_t i = 0; i + 1 < size; i += 2) {
      v.notifyPlayers.push_back(
          {pairs.getIntegerSlotByIndex(i, 0), pairs.getIntegerSlotByIndex(i + 1, 0)});
    }
  }
  const ScriptObject rise = table.findSlot(u"step0");
  if (rise.getType() == OT_TABLE) {
    v.riseFrames = rise.getIntegerSlot(u"span");
    v.riseSpeed = rise.getFloatSlot(u"speed");
    v.yMin = rise.getFloatSlot(u"yMin");
    v.yMax = rise.getFloatSlot(u"yMax");
  }
  const ScriptObject wait = table.findSlot(u"step1");
  if (wait.getType() == OT_TABLE) v.waitFrames = wait.getIntegerSlot(u"span");
  const ScriptObject home = table.findSlot(u"step2");
  if (home.getType() == OT_TABLE) v.homeSpeed = home.getFloatSlot(u"speed");
  engine.scoreTips().define(index, v, engine.systemDirectory());
}

// --- brain table ---

ScriptObject bulletGetReport(HSQUIRRELVM vm, int32_t slot) {
  Engine& engine = engineOf(vm);
  ScriptObject result = ScriptObject::newTable(vm);
  const Player* player = checkScriptIndex(slot, 2, u"versus slot") ? engine.player(slot) : nullptr;
  const BulletReport* report = player != nullptr ? &engine.bullets().nearestReport(*player) : nullptr;
  const uint32_t count = report != nullptr ? report->count : 0;
  const ScriptObject data = ScriptObject::newArray(vm, int32_t(4 * count));
  for (uint32_t i = 0; i < count; ++i) {
    const BulletReportEntry& e = report->entries[i];
    const int32_t at = int32_t(4 * i);
    data.setSlotByIndex(at, Vec3::create(vm, e.position.x, e.position.y, e.position.z).getObject());
    data.setSlotByIndex(at + 1, Vec3::create(vm, e.forward.x, e.forward.y, e.forward.z).getObject());
    data.setFloatSlotByIndex(at + 2, e.speed);
    data.setFloatSlotByIndex(at + 3, e.distance);
  }
  result.setIntegerSlot(u"count", int32_t(count));
  result.setSlot(u"data", data.getObject());
  return result;
}

}  // namespace

void registerBulletPlayerApi(const ScriptObject& player) {
  player.registerFunction(u"bulletDefineType", &bulletDefineType);
  player.registerFunction(u"bulletDefineMotion", &bulletDefineMotion);
  player.registerFunction(u"bulletCanAdd", &bulletCanAdd);
  player.registerFunction(u"bulletAdd", &bulletAdd);
}

void registerRuntimeResourceApi(const ScriptObject& system) {
  system.registerFunction(u"systemClearRuntimeResources", &systemClearRuntimeResources);
  system.registerFunction(u"systemSetScoretipDefineCount", &systemSetScoretipDefineCount);
  system.registerFunction(u"systemDefineScoretip", &systemDefineScoretip);
}

void registerBulletReportApi(const ScriptObject& brain) {
  brain.registerFunction(u"bulletGetReport", &bulletGetReport);
}

}  // namespace rond
