// The natives of the versus engine's tables: the system and player parameters, the controller
// flags, the player's motion, rotation, damage and attacks, and the quiescence request.

#include "engines/rond/RondEngine.h"
#include "engines/rond/ScriptIndex.h"
#include "foundation/lerr/lerr.h"
#include "foundation/omb/ombLog.h"
#include "host/globals/GlobalNatives.h"
#include "net/controller/Controller.h"
#include "script/ScriptContext.h"
#include "script/ScriptError.h"
#include "script/ScriptNative.h"
#include "script/Vec3.h"

namespace rond {

namespace {

// More parameters than this is a script's mistake, not a table to allocate.
constexpr int32_t kMaxParameters = 4096;

Engine& engineOf(HSQUIRRELVM vm) {
  auto* engine = dynamic_cast<Engine*>(&callerEngine(vm));
  if (engine == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] the script runs for no versus engine", "rond");
    lerrThrow();
  }
  return *engine;
}

// The player a player-table script drives.
Player& self(HSQUIRRELVM vm) {
  engineOf(vm);
  ScriptContext* context = scriptGetContext(vm);
  auto* player = context != nullptr ? static_cast<Player*>(context->self) : nullptr;
  if (player == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] the script drives no player", "rond");
    lerrThrow();
  }
  return *player;
}

bool countFits(int32_t n) {
  return checkScriptIndex(n < 0 ? 0 : n, kMaxParameters + 1, u"parameter count");
}

PlayerParameter* playerParameter(Player& player, int32_t index) {
  if (!checkScriptIndex(index, int32_t(player.parameters.size()), u"parameter")) return nullptr;
  return &player.parameters[uint32_t(index)];
}

// The node's handle in the engine's table, made on first request; 0 for none.
int32_t handleOf(ScriptHandleTable& handles, AttackNode* node) {
  if (node == nullptr) return 0;
  if (node->handle == 0) node->handle = handles.add(kAttackHandle, node);
  return node->handle;
}

float toDegrees(int32_t angle) { return angleToDegrees(angle); }

// --- common ---

bool ctrlGetEvent(HSQUIRRELVM vm, int32_t slot, int32_t index) {
  Engine& engine = engineOf(vm);
  if (!checkScriptIndex(slot, 4, u"controller") || !checkScriptIndex(index, 48, u"flag")) {
    return false;
  }
  Player* player = engine.player(slot);
  Controller* controller = player != nullptr ? player->controller() : nullptr;
  return controller != nullptr && controller->flags()[uint32_t(index)] != 0;
}

float ctrlGetValue(HSQUIRRELVM vm, int32_t slot, int32_t index) {
  Engine& engine = engineOf(vm);
  if (!checkScriptIndex(slot, 4, u"controller") || !checkScriptIndex(index, 16, u"analog")) {
    return 0.0f;
  }
  Player* player = engine.player(slot);
  Controller* controller = player != nullptr ? player->controller() : nullptr;
  return controller != nullptr ? controller->analog()[uint32_t(index)] : 0.0f;
}

// --- system ---

void systemSetParameterCount(HSQUIRRELVM vm, int32_t n) {
  if (countFits(n)) engineOf(vm).parameterTables().setSystemCount(n);
}

void systemSetParameterDefine(HSQUIRRELVM vm, int32_t index, int32_t min, int32_t max,
                              int32_t tag) {
  auto& table = engineOf(vm).parameterTables().system;
  if (checkScriptIndex(index, int32_t(table.size()), u"parameter")) {
    table[uint32_t(index)].define(min, max, tag);
  }
}

int32_t systemGetParameterValue(HSQUIRRELVM vm, int32_t index) {
  auto& table = engineOf(vm).parameterTables().system;
  if (!checkScriptIndex(index, int32_t(table.size()), u"parameter")) return 0;
  return table[uint32_t(index)].value;
}

void systemSetParameterValue(HSQUIRRELVM vm, int32_t index, int32_t value) {
  auto& table = engineOf(vm).parameterTables().system;
  if (checkScriptIndex(index, int32_t(table.size()), u"parameter")) table[uint32_t(index)].set(value);
}

void playerSetParameterCount(HSQUIRRELVM vm, int32_t n) {
  if (countFits(n)) engineOf(vm).parameterTables().setPlayerCount(n);
}

void playerSetParameterDefine(HSQUIRRELVM vm, int32_t index, int32_t value, int32_t min,
                              int32_t max, int32_t tag) {
  auto& table = engineOf(vm).parameterTables().player;
  if (checkScriptIndex(index, int32_t(table.size()), u"parameter")) {
    table[uint32_t(index)] = ParameterDefinition{value, min, max, tag};
  }
}

float playerGetParameterRate(HSQUIRRELVM vm, int32_t slot, int32_t index) {
  Engine& engine = engineOf(vm);
  if (!checkScriptIndex(slot, 2, u"versus slot")) return 0.0f;
  Player* player = engine.player(slot);
  if (player == nullptr) return 0.0f;
  const PlayerParameter* p = playerParameter(*player, index);
  return p != nullptr ? p->rate() : 0.0f;
}

ScriptObject playerGetParameterRange(HSQUIRRELVM vm, int32_t index) {
  auto& table = engineOf(vm).parameterTables().player;
  ScriptObject result = ScriptObject::newTable(vm);
  if (checkScriptIndex(index, int32_t(table.size()), u"parameter")) {
    result.setIntegerSlot(u"min", table[uint32_t(index)].min);
    result.setIntegerSlot(u"max", table[uint32_t(index)].max);
  }
  return result;
}

void systemSetDrawTypeNormal(HSQUIRRELVM vm) { engineOf(vm).setSingleView(true); }

// --- player ---

int32_t playerGetId(HSQUIRRELVM vm) { return self(vm).slot(); }

ScriptObject playerGetPos(HSQUIRRELVM vm) {
  const Player& p = self(vm);
  return Vec3::create(vm, fixedToFloat(p.position.x), fixedToFloat(p.position.y),
                      fixedToFloat(p.position.z));
}

void playerMove(HSQUIRRELVM vm, ScriptObject value) {
  Player& p = self(vm);
  const auto* v = static_cast<const Vec3*>(value.getInstanceUp(Vec3::typeTag()));
  if (v == nullptr) return;
  p.setMotion(vec3ToFixed(v->x, v->y, v->z));
}

void playerMoveStop(HSQUIRRELVM vm) { self(vm).setMotion(FixedVec3{0, 0, 0}); }

void playerSetMoveFlags(HSQUIRRELVM vm, int32_t moveFlags) {
  self(vm).moveFlags = uint32_t(moveFlags);
}

int32_t playerGetMoveResult(HSQUIRRELVM vm) { return int32_t(self(vm).moveResult); }

float playerGetRot(HSQUIRRELVM vm) { return toDegrees(self(vm).rotationAngle); }

void playerSetRot(HSQUIRRELVM vm, float degrees) {
  self(vm).setRotation(degreesToAngle(degrees));
}

bool playerIsDamageExist(HSQUIRRELVM vm) { return self(vm).damageFlag != 0; }

float playerGetDamageRot(HSQUIRRELVM vm) { return toDegrees(self(vm).damageAngleValue); }

int32_t playerDefineAttack(HSQUIRRELVM vm, ScriptObject table) {
  Player& p = self(vm);
  AttackNode* node = p.addAttack(AttackDefinition::read(table, AttackInherit::No));
  return handleOf(engineOf(vm).handles(), node);
}

int32_t playerGetAttackDefine(HSQUIRRELVM vm) {
  Player& p = self(vm);
  return handleOf(engineOf(vm).handles(), p.activeAttack);
}

void playerSetAttackDefine(HSQUIRRELVM vm, int32_t handle) {
  Player& p = self(vm);
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

void playerClearAttackDefine(HSQUIRRELVM vm) { self(vm).activeAttack = nullptr; }

int32_t playerGetParameterValue(HSQUIRRELVM vm, int32_t index) {
  const PlayerParameter* p = playerParameter(self(vm), index);
  return p != nullptr ? p->value : 0;
}

void playerSetParameterValue(HSQUIRRELVM vm, int32_t index, int32_t value) {
  if (PlayerParameter* p = playerParameter(self(vm), index)) p->set(value);
}

void playerSetParameterRange(HSQUIRRELVM vm, int32_t index, int32_t min, int32_t max) {
  if (PlayerParameter* p = playerParameter(self(vm), index)) p->setRange(min, max);
}

void playerSetParameterCondition(HSQUIRRELVM vm, int32_t index, ScriptObject pairs,
                                 int32_t limit) {
  Player& player = self(vm);
  PlayerParameter* p = playerParameter(player, index);
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

void systemRequestQuiescenceMode(HSQUIRRELVM vm, int32_t frames) {
  Player& p = self(vm);
  engineOf(vm).requestQuiescence(p.slot(), frames);
}

bool systemIsQuiesceneceOwner(HSQUIRRELVM vm) {
  return engineOf(vm).quiescenceOwner() == self(vm).slot();
}

}  // namespace

void registerCommonApi(const ScriptObject& table) {
  table.registerFunction(u"ctrlGetEvent", &ctrlGetEvent);
  table.registerFunction(u"ctrlGetValue", &ctrlGetValue);
  table.registerFunction(u"commonGetRandomValue", &globalGetRandomValue);
  table.registerFunction(u"systemGetRandomValue", &globalGetRandomValue);
  table.registerFunction(u"systemRequestExit", &globalRequestExit);
  table.registerFunction(u"systemIsTaskEnable", &globalIsTaskEnable);
  table.registerFunction(u"playerGetParameterRate", &playerGetParameterRate);
  table.registerFunction(u"playerGetParameterRange", &playerGetParameterRange);
}

void registerSystemApi(const ScriptObject& table) {
  table.registerFunction(u"systemSetParameterCount", &systemSetParameterCount);
  table.registerFunction(u"systemSetParameterDefine", &systemSetParameterDefine);
  table.registerFunction(u"systemGetParameterValue", &systemGetParameterValue);
  table.registerFunction(u"systemSetParameterValue", &systemSetParameterValue);
  table.registerFunction(u"playerSetParameterCount", &playerSetParameterCount);
  table.registerFunction(u"playerSetParameterDefine", &playerSetParameterDefine);
  table.registerFunction(u"systemSetDrawTypeNormal", &systemSetDrawTypeNormal);
}

void registerPlayerApi(const ScriptObject& table) {
  table.registerFunction(u"playerGetId", &playerGetId);
  table.registerFunction(u"playerGetPos", &playerGetPos);
  table.registerFunction(u"playerMove", &playerMove);
  table.registerFunction(u"playerMoveStop", &playerMoveStop);
  table.registerFunction(u"playerSetMoveFlags", &playerSetMoveFlags);
  table.registerFunction(u"playerGetMoveResult", &playerGetMoveResult);
  table.registerFunction(u"playerGetRot", &playerGetRot);
  table.registerFunction(u"playerSetRot", &playerSetRot);
  table.registerFunction(u"playerIsDamageExist", &playerIsDamageExist);
  table.registerFunction(u"playerGetDamageRot", &playerGetDamageRot);
  table.registerFunction(u"playerDefineAttack", &playerDefineAttack);
  table.registerFunction(u"playerGetAttackDefine", &playerGetAttackDefine);
  table.registerFunction(u"playerSetAttackDefine", &playerSetAttackDefine);
  table.registerFunction(u"playerClearAttackDefine", &playerClearAttackDefine);
  table.registerFunction(u"playerGetParameterValue", &playerGetParameterValue);
  table.registerFunction(u"playerSetParameterValue", &playerSetParameterValue);
  table.registerFunction(u"playerSetParameterRange", &playerSetParameterRange);
  table.registerFunction(u"playerSetParameterCondition", &playerSetParameterCondition);
  table.registerFunction(u"systemRequestQuiescenceMode", &systemRequestQuiescenceMode);
  table.registerFunction(u"systemIsQuiesceneceOwner", &systemIsQuiesceneceOwner);
}

}  // namespace rond
