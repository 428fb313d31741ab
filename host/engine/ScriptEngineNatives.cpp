// The natives of the two script-only engines (registerScriptEngineApi, ScriptEngine.h).
#include "foundation/lerr/lerr.h"
#include "foundation/omb/ombLog.h"
#include "host/engine/EngineNatives.h"
#include "host/engine/ScriptEngine.h"
#include "host/globals/GlobalNatives.h"
#include "host/system/System.h"
#include "net/controller/Controller.h"
#include "script/ScriptNative.h"

namespace {

ScriptEngine& caller(HSQUIRRELVM vm) {
  auto* engine = dynamic_cast<ScriptEngine*>(&callerEngine(vm));
  if (engine == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] the script runs for no script engine", "caller");
    lerrThrow();
  }
  return *engine;
}

void engineReload() {}

void engineSwitchSeGroup(HSQUIRRELVM vm, const char16_t* name) { caller(vm).switchSeGroup(name); }

void enginePlaySe(HSQUIRRELVM vm, int32_t index) {
  ScriptEngine& engine = caller(vm);
  if (index < 0 || engine.seGroup() == nullptr) return;
  if (LSeManager* se = engine.system()->seManager()) {
    se->Play(uint32_t(index), engine.seGroup(), nullptr, nullptr);
  }
}

// The controller of a player slot (a negative player counts as 0); null for a slot above 3.
Controller* slotController(ScriptEngine& engine, int32_t player) {
  if (player < 0) player = 0;
  return player < int32_t(ScriptEngine::kPlayers) ? engine.controller(uint32_t(player)) : nullptr;
}

bool ctrlIsExist(HSQUIRRELVM vm, int32_t player) {
  ScriptEngine& engine = caller(vm);
  if (player < 0) player = 0;
  return player < int32_t(ScriptEngine::kPlayers) && engine.controllerExists(uint32_t(player));
}

// Players above 3 and buttons outside 0..15 have no flags: false.
bool buttonFlag(HSQUIRRELVM vm, int32_t player, int32_t button, bool held) {
  Controller* c = slotController(caller(vm), player);
  if (c == nullptr || button < 0 || button >= Controller::kButtons) return false;
  return (held ? c->held() : c->pressed())[button] != 0;
}

bool ctrlGetStatus(HSQUIRRELVM vm, int32_t player, int32_t button) {
  return buttonFlag(vm, player, button, true);
}

bool ctrlGetEvent(HSQUIRRELVM vm, int32_t player, int32_t button) {
  return buttonFlag(vm, player, button, false);
}

void bgmPlay(HSQUIRRELVM vm, const char16_t* intro, const char16_t* loop, bool looping) {
  ScriptEngine& engine = caller(vm);
  if (BgmPlayer* bgm = engine.system()->bgmPlayer()) {
    bgm->play(engine.loadDirectory(), intro, loop, looping);
  }
}

void bgmPlaySound(HSQUIRRELVM vm, int32_t type, const char16_t* name) {
  ScriptEngine& engine = caller(vm);
  // A negative type becomes a large one, which plays nothing.
  if (BgmPlayer* bgm = engine.system()->bgmPlayer()) {
    bgm->playSound(uint32_t(type), engine.loadDirectory(), name);
  }
}

}  // namespace

void registerScriptEngineApi(const ScriptObject& table) {
  table.registerFunction(u"engineRequestExit", &globalRequestExit)
      .registerFunction(u"engineReload", &engineReload)
      .registerFunction(u"engineResetFrameController", &globalResetFrameController)
      .registerFunction(u"engineSetAudioVolume", &globalSetAudioVolume)
      .registerFunction(u"engineSwitchSeGroup", &engineSwitchSeGroup)
      .registerFunction(u"enginePlaySe", &enginePlaySe)
      .registerFunction(u"engineGetRandomValue", &globalGetRandomValue)
      .registerFunction(u"engineGetRandomRange", &engineGetRandomRange)
      .registerFunction(u"inputCustomize", &inputCustomize)
      .registerFunction(u"ctrlIsExist", &ctrlIsExist)
      .registerFunction(u"ctrlGetStatus", &ctrlGetStatus)
      .registerFunction(u"ctrlGetEvent", &ctrlGetEvent)
      .registerFunction(u"bgmPlay", &bgmPlay)
      .registerFunction(u"bgmStop", &bgmStop)
      .registerFunction(u"bgmSetVolume", &bgmSetVolume)
      .registerFunction(u"bgmFadeout", &bgmFadeout)
      .registerFunction(u"bgmPlaySound", &bgmPlaySound);
}
