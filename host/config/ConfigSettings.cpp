#include "host/config/ConfigSettings.h"

#include "foundation/omb/ombLog.h"
#include "foundation/omb/text/ombString.h"
#include "host/config/Config.h"
#include "script/ScriptContext.h"
#include "script/ScriptNative.h"
#include "script/ScriptObject.h"

#include <cstring>

ConfigSettings::ConfigSettings(Config& config)
    : gameId(&config.gameId),
      gameVersion(config.gameVersion),
      simpleTitle(config.simpleTitle),
      simpleTitleCapacity(32),
      title(config.title),
      titleCapacity(32),
      padCount(0),
      updaterPort(0) {
  windowClassName[0] = 0;
  logHeader[0] = 0;
  updaterHost[0] = 0;
  updaterPath[0] = 0;
  for (uint32_t t = 0; t < CONFIG_INPUT_TYPES; ++t) {
    inputTypeNames[t][0] = 0;
    inputTypes[t] = {inputTypeNames[t], inputButtons[t], 0};
    for (uint32_t b = 0; b < CONFIG_INPUT_BUTTONS; ++b) {
      inputButtonNames[t][b][0] = 0;
      inputButtons[t][b] = {inputButtonNames[t][b], 0, 0};
    }
  }
}

uint32_t ConfigSettings::activeInputTypes() const {
  uint32_t count = 0;
  while (count < CONFIG_INPUT_TYPES && inputTypes[count].name[0] != 0) ++count;
  return count;
}

namespace {

ConfigSettings& settings(HSQUIRRELVM vm) {
  return *static_cast<ConfigSettings*>(scriptGetContext(vm)->engine);
}

int32_t globalGetGameVersion(HSQUIRRELVM vm) { return settings(vm).gameVersion; }

void confSetGameId(HSQUIRRELVM vm, int32_t id) { *settings(vm).gameId = id; }

void confSetWindowClassName(HSQUIRRELVM vm, const char16_t* name) {
  ombStrCopy(name, settings(vm).windowClassName, 16);
}

void confSetGameTitleSimple(HSQUIRRELVM vm, const char16_t* text) {
  ConfigSettings& s = settings(vm);
  ombStrCopy(text, s.simpleTitle, s.simpleTitleCapacity);
}

void confSetGameTitle(HSQUIRRELVM vm, const char16_t* text) {
  ConfigSettings& s = settings(vm);
  ombStrCopy(text, s.title, s.titleCapacity);
}

void confSetLogHeader(HSQUIRRELVM vm, const char16_t* text) {
  ombStrCopy(text, settings(vm).logHeader, 128);
}

// The script's input type, or null (reported) when it lies outside the table: the record has
// room for four types only.
ConfigInputType* inputType(HSQUIRRELVM vm, int32_t type, const char* tag) {
  if (type < 0 || type >= static_cast<int32_t>(CONFIG_INPUT_TYPES)) {
    ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] input type %d is not 0 to 3: ignored", tag,
                 type);
    return nullptr;
  }
  return &settings(vm).inputTypes[type];
}

void confSetInputType(HSQUIRRELVM vm, int32_t type, const char16_t* name) {
  if (ConfigInputType* t = inputType(vm, type, "confSetInputType")) ombStrCopy(name, t->name, 32);
}

void confAddInputButton(HSQUIRRELVM vm, int32_t type, const char16_t* name, int32_t flags,
                        int32_t key) {
  ConfigInputType* t = inputType(vm, type, "confAddInputButton");
  if (!t) return;
  if (t->buttonCount >= CONFIG_INPUT_BUTTONS) {
    ombLogPrintf(OMB_LOG_MESSAGE,
                 u"Message: [%s] input type %d already has 16 buttons: \"%ls\" ignored",
                 "confAddInputButton", type, name);
    return;
  }
  ConfigInputButton& button = t->buttons[t->buttonCount++];
  ombStrCopy(name, button.name, 16);
  button.flags = flags;
  button.key = key;
}

void confSetInputPadCount(HSQUIRRELVM vm, int32_t count) {
  // The settings record has four pad slots.
  settings(vm).padCount =
      count < 0 ? 0 : count > static_cast<int32_t>(CONFIG_PAD_SLOTS) ? CONFIG_PAD_SLOTS : count;
}

void confSetUpdater(HSQUIRRELVM vm, const char16_t* host, int32_t port, const char16_t* path) {
  ConfigSettings& s = settings(vm);
  ombStrCopy(host, s.updaterHost, 128);
  s.updaterPort = port;
  ombStrCopy(path, s.updaterPath, 128);
}

}  // namespace

void configRegisterNatives(const ScriptObject& table) {
  table.registerFunction(u"globalGetGameVersion", &globalGetGameVersion)
      .registerFunction(u"confSetGameId", &confSetGameId)
      .registerFunction(u"confSetWindowClassName", &confSetWindowClassName)
      .registerFunction(u"confSetGameTitleSimple", &confSetGameTitleSimple)
      .registerFunction(u"confSetGameTitle", &confSetGameTitle)
      .registerFunction(u"confSetLogHeader", &confSetLogHeader)
      .registerFunction(u"confSetInputType", &confSetInputType)
      .registerFunction(u"confAddInputButton", &confAddInputButton)
      .registerFunction(u"confSetInputPadCount", &confSetInputPadCount)
      .registerFunction(u"confSetUpdater", &confSetUpdater);
}
