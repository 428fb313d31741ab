// The natives of the versus engine's common and system tables: the random draws, the system
// sound, the system and player parameters, the controller flags, the system sprite set. The
// guide table is in GuideNatives.cpp, the player table in PlayerNatives.cpp.

#include "engines/rond/NativeCaller.h"
#include "engines/rond/RondEngine.h"
#include "engines/rond/ScriptIndex.h"
#include "engines/rond/SharedNatives.h"
#include "host/binary/BinaryNatives.h"
#include "host/engine/EngineNatives.h"
#include "host/globals/GlobalNatives.h"
#include "model/math/EngineRandom.h"
#include "net/controller/Controller.h"
#include "render/sprite1/Sprite1Natives.h"
#include "script/ScriptNative.h"
#include "sound/se/LSeManager.h"

namespace rond {

namespace {

// More parameters than this is a script's mistake, not a table to allocate.
constexpr int32_t kMaxParameters = 4096;

bool countFits(int32_t n) {
  return checkScriptIndex(n < 0 ? 0 : n, kMaxParameters + 1, u"parameter count");
}

// --- common ---

void commonReload() {}

int32_t commonGetRandomRange(HSQUIRRELVM vm, int32_t a, int32_t b) {
  return randomRange(a, b, engineOf(vm).seededRandom());
}

void systemPlaySe(HSQUIRRELVM vm, int32_t number) {
  Engine& engine = engineOf(vm);
  LSeManager* se = engine.seManager();
  if (number < 0 || se == nullptr || engine.systemCommonGroup() == nullptr) return;
  se->Play(uint32_t(number), engine.systemCommonGroup(), nullptr, nullptr);
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

// --- system ---

void systemSetTaskEnable(HSQUIRRELVM vm, bool enable) { engineOf(vm).setTaskEnable(enable); }

void systemSetDrawTypeNormal(HSQUIRRELVM vm, bool single) { engineOf(vm).setSingleView(single); }

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

sprite1::System* systemSprites(HSQUIRRELVM vm) { return engineOf(vm).systemSprites(); }

int32_t spriteCreateImage(HSQUIRRELVM vm, const char16_t* path) {
  return imageOf<&systemSprites>(vm, engineOf(vm).systemDirectory(), path);
}

}  // namespace

bool ctrlGetEventOfSlot(HSQUIRRELVM vm, int32_t slot, int32_t index) {
  Engine& engine = engineOf(vm);
  if (!checkScriptIndex(slot, 2, u"versus slot") || !checkScriptIndex(index, 48, u"flag")) {
    return false;
  }
  Player* player = engine.player(slot);
  Controller* controller = player != nullptr ? player->controller() : nullptr;
  return controller != nullptr && controller->flags()[uint32_t(index)] != 0;
}

int32_t playerParameterOfSlot(HSQUIRRELVM vm, int32_t slot, int32_t index) {
  Engine& engine = engineOf(vm);
  if (!checkScriptIndex(slot, 2, u"versus slot")) return 0;
  Player* player = engine.player(slot);
  if (player == nullptr) return 0;
  if (!checkScriptIndex(index, int32_t(player->parameters.size()), u"parameter")) return 0;
  return player->parameters[uint32_t(index)].value;
}

void registerCommonApi(const ScriptObject& table) {
  table.registerFunction(u"commonReload", &commonReload);
  table.registerFunction(u"commonGetRandomValue", &globalGetRandomValue);
  table.registerFunction(u"commonGetRandomRange", &commonGetRandomRange);
  table.registerFunction(u"systemPlaySe", &systemPlaySe);
  table.registerFunction(u"systemGetParameterValue", &systemGetParameterValue);
  table.registerFunction(u"systemSetParameterValue", &systemSetParameterValue);
  registerBinaryApi(table);
}

void registerSystemApi(const ScriptObject& table) {
  table.registerFunction(u"systemSetTaskEnable", &systemSetTaskEnable);
  table.registerFunction(u"systemSetDrawTypeNormal", &systemSetDrawTypeNormal);
  registerRuntimeResourceApi(table);
  table.registerFunction(u"systemSetParameterCount", &systemSetParameterCount);
  table.registerFunction(u"systemSetParameterDefine", &systemSetParameterDefine);
  table.registerFunction(u"playerSetParameterCount", &playerSetParameterCount);
  table.registerFunction(u"playerSetParameterDefine", &playerSetParameterDefine);
  table.registerFunction(u"playerGetParameterValue", &playerParameterOfSlot);
  table.registerFunction(u"inputCustomize", &inputCustomize);
  table.registerFunction(u"ctrlGetEvent", &ctrlGetEventOfSlot);
  table.registerFunction(u"spriteCreateImage", &spriteCreateImage);
  table.registerFunction(u"spriteCreateDynamicImage", &spriteCreateDynamicImage<&systemSprites>);
  table.registerFunction(u"spriteCreateFont", &spriteCreateFont<&systemSprites>);
  table.registerFunction(u"spriteCreateRenderer", &spriteCreateRenderer<&systemSprites>);
  table.registerFunction(u"bgmFadeout", &bgmFadeout);
  table.registerFunction(u"bgmStop", &bgmStop);
  table.registerFunction(u"systemResetFrameController", &globalResetFrameController);
  table.registerFunction(u"systemRequestExit", &globalRequestExit);
  table.registerFunction(u"systemIsTaskEnable", &globalIsTaskEnable);
  registerGlobalApi(table);
  registerSprite1Api(table);
}

}  // namespace rond
