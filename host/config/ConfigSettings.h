#pragma once

#include "host/config/ConfigRecords.h"

#include <cstdint>

class Config;
class ScriptObject;

// What the configuration script "sys/config" writes into through its natives: the game's
// identity, the report header, the input layout and the update server. Lives only while
// Config::init runs; the script's context points at it.
struct ConfigSettings {
  explicit ConfigSettings(Config& config);
  ConfigSettings(const ConfigSettings&) = delete;
  ConfigSettings& operator=(const ConfigSettings&) = delete;

  // The input types that take part in the settings: the leading ones with a non-empty name.
  uint32_t activeInputTypes() const;

  char16_t windowClassName[16];
  int32_t* gameId;
  int32_t gameVersion;
  char16_t* simpleTitle;
  uint32_t simpleTitleCapacity;
  char16_t* title;
  uint32_t titleCapacity;
  char16_t logHeader[128];
  ConfigInputType inputTypes[CONFIG_INPUT_TYPES];
  char16_t inputTypeNames[CONFIG_INPUT_TYPES][32];
  ConfigInputButton inputButtons[CONFIG_INPUT_TYPES][CONFIG_INPUT_BUTTONS];
  char16_t inputButtonNames[CONFIG_INPUT_TYPES][CONFIG_INPUT_BUTTONS][16];
  int32_t padCount;
  char16_t updaterHost[128];
  int32_t updaterPort;
  char16_t updaterPath[128];
};

// Registers globalGetGameVersion and the conf* natives into the table. They find their record
// through the running script's context (its engine pointer).
void configRegisterNatives(const ScriptObject& table);
