#include "host/globals/GlobalNatives.h"

#include "foundation/lerr/lerr.h"
#include "foundation/omb/ombLog.h"
#include "host/config/Config.h"
#include "host/engine/Engine.h"
#include "host/engine/EngineFactory.h"
#include "host/engine/EngineSession.h"
#include "host/system/System.h"
#include "script/ScriptContext.h"
#include "script/ScriptNative.h"
#include "script/ScriptThread.h"
#include "script/ScriptValueSerial.h"
#include "sound/se/LSeManager.h"

#include <cmath>

namespace {

// Slots of a parameter array: a negative index or one at or beyond the count is outside.
template <class Array>
bool inside(const Array& array, int32_t index) {
  return index >= 0 && size_t(index) < array.size();
}

SystemParameters& parameters(HSQUIRRELVM vm) { return callerSystem(vm).parameters(); }

int32_t globalGetIntegerParameterCount(HSQUIRRELVM vm) {
  return int32_t(parameters(vm).integers.size());
}

void globalSetIntegerParameterCount(HSQUIRRELVM vm, int32_t count) {
  callerSystem(vm).resizeIntegerParameters(uint32_t(count < 0 ? 0 : count));
}

int32_t globalGetIntegerParameterValue(HSQUIRRELVM vm, int32_t index) {
  const auto& integers = parameters(vm).integers;
  return inside(integers, index) ? integers[size_t(index)] : 0;
}

void globalSetIntegerParameterValue(HSQUIRRELVM vm, int32_t index, int32_t value) {
  auto& integers = parameters(vm).integers;
  if (inside(integers, index)) integers[size_t(index)] = value;
}

void globalSetIntegerParameterFlag(HSQUIRRELVM vm, int32_t index, int32_t bits) {
  auto& integers = parameters(vm).integers;
  if (inside(integers, index)) integers[size_t(index)] |= bits;
}

void globalUnsetIntegerParameterFlag(HSQUIRRELVM vm, int32_t index, int32_t bits) {
  auto& integers = parameters(vm).integers;
  if (inside(integers, index)) integers[size_t(index)] &= ~bits;
}

void globalSetStringParameterCount(HSQUIRRELVM vm, int32_t count) {
  callerSystem(vm).resizeStringParameters(uint32_t(count < 0 ? 0 : count));
}

const char16_t* globalGetStringParameterValue(HSQUIRRELVM vm, int32_t index) {
  const auto& strings = parameters(vm).strings;
  // The stored text ends at its first terminator, as the parameter file keeps it.
  return inside(strings, index) ? strings[size_t(index)].c_str() : u"";
}

void globalSetStringParameterValue(HSQUIRRELVM vm, int32_t index, const char16_t* text) {
  auto& strings = parameters(vm).strings;
  if (inside(strings, index)) strings[size_t(index)] = text;
}

ScriptObject globalGetScreenSize(HSQUIRRELVM vm) {
  const Config* config = callerSystem(vm).config();
  ScriptObject table = ScriptObject::newTable(vm);
  table.setIntegerSlot(u"width", config != nullptr ? config->display.width : 0);
  table.setIntegerSlot(u"height", config != nullptr ? config->display.height : 0);
  return table;
}

int32_t globalGetGameVersion(HSQUIRRELVM vm) {
  const Config* config = callerSystem(vm).config();
  return config != nullptr ? config->gameVersion : 0;
}

bool globalIsDadEvoz(HSQUIRRELVM vm) { return callerEngine(vm).session().active(); }

int32_t globalGetDadEvozCount(HSQUIRRELVM vm) {
  const EngineSession& session = callerEngine(vm).session();
  return session.active() ? session.playerCount() : 1;
}

int32_t globalGetDadEvozId(HSQUIRRELVM vm) {
  const EngineSession& session = callerEngine(vm).session();
  return session.active() ? session.playerIndex() : -1;
}

bool globalGetDadEvozConnect(HSQUIRRELVM vm, int32_t player) {
  const EngineSession& session = callerEngine(vm).session();
  return session.active() && session.connected(player);
}

bool globalIsDadEvozReady(HSQUIRRELVM vm) {
  const EngineSession& session = callerEngine(vm).session();
  return !session.active() || session.isReady();
}

bool isTrue(const ScriptObject& value) {
  return value.getType() == OT_BOOL && value.getObject()._unVal.nInteger != 0;
}

// A string slot of the table, or the empty string when absent or not a string.
std::u16string stringSlot(const ScriptObject& table, const char16_t* name) {
  const ScriptObject value = table.findSlot(name);
  return value.getType() == OT_STRING ? std::u16string(value.toString()) : std::u16string();
}

// "args" serialised when the table has it and it is not null.
OMB_ARRAY* serializedArgs(HSQUIRRELVM vm, const ScriptObject& table) {
  if (!table.hasSlot(u"args")) return nullptr;
  const ScriptObject value = table.findSlot(u"args");
  if (value.isNull()) return nullptr;
  ScriptContext* context = scriptGetContext(vm);
  if (context == nullptr || context->thread == nullptr) return nullptr;
  return serializeScriptValue(context->thread->vm, value);
}

void queue(HSQUIRRELVM vm, EngineKind kind, EngineStart& start) {
  System& system = callerSystem(vm);
  if (Engine* engine = engineCreate(kind, system, start)) system.queueEngine(engine);
}

void globalPrepareNextSimpleEngine(HSQUIRRELVM vm, ScriptObject table) {
  const std::u16string dir = stringSlot(table, u"dir");
  EngineStart start;
  start.directory = dir.c_str();
  queue(vm, EngineKind::Simple, start);
}

void globalPrepareNextBasicEngine(HSQUIRRELVM vm, ScriptObject table) {
  const std::u16string dir = stringSlot(table, u"dir");
  EngineStart start;
  start.directory = dir.c_str();
  start.args = serializedArgs(vm, table);
  queue(vm, EngineKind::Basic, start);
}

void globalPrepareNextVellEngine(HSQUIRRELVM vm, ScriptObject table) {
  const std::u16string dir = stringSlot(table, u"dir");
  EngineStart start;
  start.directory = dir.c_str();
  start.args = serializedArgs(vm, table);
  queue(vm, EngineKind::Vell, start);
}

// The players, controllers and draw targets are read for the two player slots only, whatever
// the length of the script's arrays.
void globalPrepareNextRondEngine(HSQUIRRELVM vm, ScriptObject table) {
  System& system = callerSystem(vm);
  RondEngineSetup setup;
  setup.systemDirectory = stringSlot(table, u"system");
  setup.seDirectory = stringSlot(table, u"se");
  setup.stageDirectory = stringSlot(table, u"stage");
  if (table.hasSlot(u"players")) {
    const ScriptObject players = table.findSlot(u"players");
    for (int32_t i = 0; i < 2; ++i) {
      const ScriptObject item = players.findSlotByIndex(i);
      if (item.getType() == OT_STRING) setup.players[i] = item.toString();
    }
  }
  if (table.hasSlot(u"controllers")) {
    const ScriptObject controllers = table.findSlot(u"controllers");
    for (int32_t i = 0; i < 2; ++i) {
      const ScriptObject entry = controllers.findSlotByIndex(i);
      if (entry.getType() != OT_TABLE) continue;
      RondEngineSetup::ControllerEntry& c = setup.controllers[i];
      const ScriptObject device = entry.findSlot(u"device");
      if (isTrue(device) &&
          system.tracker(uint32_t(i)) != nullptr) {
        c.device = system.trackerHolder(uint32_t(i));
      }
      if (entry.hasSlot(u"brain")) {
        c.hasBrain = true;
        c.brain = stringSlot(entry, u"brain");
      }
      const ScriptObject level = entry.findSlot(u"brainLevel");
      if (level.getType() == OT_INTEGER || level.getType() == OT_FLOAT) {
        c.brainLevel = level.toInteger();
      }
    }
  }
  if (table.hasSlot(u"drawTargets")) {
    const ScriptObject targets = table.findSlot(u"drawTargets");
    for (int32_t i = 0; i < 2; ++i) {
      const ScriptObject item = targets.findSlotByIndex(i);
      setup.drawTargets[i] = isTrue(item);
    }
  }
  setup.inputHistorySave = stringSlot(table, u"inputHistorySave");
  setup.inputHistoryReplay = stringSlot(table, u"inputHistoryReplay");
  setup.drawSave = stringSlot(table, u"drawSave");
  const ScriptObject span = table.findSlot(u"drawSaveSpan");
  if (span.getType() == OT_INTEGER || span.getType() == OT_FLOAT) {
    setup.drawSaveSpan = span.toInteger();
  }
  EngineStart start;
  start.rond = &setup;
  queue(vm, EngineKind::Rond, start);
}

}  // namespace

Engine& callerEngine(HSQUIRRELVM vm) {
  Engine* engine = Engine::fromVm(vm);
  if (engine == nullptr || engine->system() == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] the script runs for no engine", "callerEngine");
    lerrThrow();
  }
  return *engine;
}

System& callerSystem(HSQUIRRELVM vm) { return *callerEngine(vm).system(); }

void globalRequestExit(HSQUIRRELVM vm) { callerEngine(vm).requestExit(); }

void globalResetFrameController(HSQUIRRELVM vm) { callerEngine(vm).requestReset(); }

float randomUnitFloat(uint32_t word) {
  const float value = float(word) * 2.3283064e-10f;  // 2^-32
  return value < 1.0f ? value : std::nextafter(1.0f, 0.0f);
}

float globalGetRandomValue(HSQUIRRELVM vm) {
  return randomUnitFloat(ombRandomGetU32(callerEngine(vm).seededRandom()));
}

bool globalIsTaskEnable(HSQUIRRELVM vm) { return callerEngine(vm).taskEnabled(); }

void globalSetAudioVolume(HSQUIRRELVM vm, int32_t type, float volume) {
  // The System keeps three volumes; any other type would write past them.
  if (type < 0 || type >= int32_t(BgmSystem::kVolumeCount)) return;
  System& system = callerSystem(vm);
  system.setVolume(uint32_t(type), volume);
  if (LSeManager* se = system.seManager()) se->configureTypeSetting(uint32_t(type), volume);
}

bool globalIsDebugBuild() { return false; }

void registerGlobalApi(const ScriptObject& table) {
  table.registerFunction(u"globalGetIntegerParameterCount", &globalGetIntegerParameterCount)
      .registerFunction(u"globalSetIntegerParameterCount", &globalSetIntegerParameterCount)
      .registerFunction(u"globalGetIntegerParameterValue", &globalGetIntegerParameterValue)
      .registerFunction(u"globalSetIntegerParameterValue", &globalSetIntegerParameterValue)
      .registerFunction(u"globalSetIntegerParameterFlag", &globalSetIntegerParameterFlag)
      .registerFunction(u"globalUnsetIntegerParameterFlag", &globalUnsetIntegerParameterFlag)
      .registerFunction(u"globalSetStringParameterCount", &globalSetStringParameterCount)
      .registerFunction(u"globalGetStringParameterValue", &globalGetStringParameterValue)
      .registerFunction(u"globalSetStringParameterValue", &globalSetStringParameterValue)
      .registerFunction(u"globalIsDebugBuild", &globalIsDebugBuild)
      .registerFunction(u"globalGetScreenSize", &globalGetScreenSize)
      .registerFunction(u"globalIsDadEvoz", &globalIsDadEvoz)
      .registerFunction(u"globalGetDadEvozCount", &globalGetDadEvozCount)
      .registerFunction(u"globalGetDadEvozId", &globalGetDadEvozId)
      .registerFunction(u"globalGetDadEvozConnect", &globalGetDadEvozConnect)
      .registerFunction(u"globalIsDadEvozReady", &globalIsDadEvozReady)
      .registerFunction(u"globalGetGameVersion", &globalGetGameVersion)
      .registerFunction(u"globalPrepareNextSimpleEngine", &globalPrepareNextSimpleEngine)
      .registerFunction(u"globalPrepareNextBasicEngine", &globalPrepareNextBasicEngine)
      .registerFunction(u"globalPrepareNextRondEngine", &globalPrepareNextRondEngine)
      .registerFunction(u"globalPrepareNextVellEngine", &globalPrepareNextVellEngine);
}
