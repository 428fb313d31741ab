// The natives of the versus engine's common and system tables: the system and player
// parameters, the controller flags. The player table is in PlayerNatives.cpp.

#include "engines/rond/NativeCaller.h"
#include "engines/rond/RondEngine.h"
#include "engines/rond/ScriptIndex.h"
#include "foundation/lerr/lerr.h"
#include "foundation/omb/ombLog.h"
#include "host/globals/GlobalNatives.h"
#include "net/controller/Controller.h"
#include "script/ScriptError.h"
#include "script/ScriptNative.h"

namespace rond {

namespace {

// More parameters than this is a script's mistake, not a table to allocate.
constexpr int32_t kMaxParameters = 4096;

bool countFits(int32_t n) {
  return checkScriptIndex(n < 0 ? 0 : n, kMaxParameters + 1, u"parameter count");
}

PlayerParameter* playerParameter(Player& player, int32_t index) {
  if (!checkScriptIndex(index, int32_t(player.parameters.size()), u"parameter")) return nullptr;
  return &player.parameters[uint32_t(index)];
}

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

}  // namespace rond
