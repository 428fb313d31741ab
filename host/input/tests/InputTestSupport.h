#pragma once

#include "host/input/InputSettings.h"
#include "host/input/ombInputDevice.h"
#include "platform/input/ScriptedInput.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace inputtest {

// Scripted devices of the description (GAME_INPUT_SCRIPT's text) for the lifetime of the object.
class ScriptedDevices {
 public:
  explicit ScriptedDevices(const std::string& script) {
    ombInputReleaseDirectInput();
    setenv("GAME_INPUT_SCRIPT", script.c_str(), 1);
  }
  ~ScriptedDevices() {
    ombInputReleaseDirectInput();
    unsetenv("GAME_INPUT_SCRIPT");
  }
  ScriptedDevices(const ScriptedDevices&) = delete;
  ScriptedDevices& operator=(const ScriptedDevices&) = delete;
};

// Settings in which slot n is configured for scripted pad n, without assignments.
inline ConfigInputSettings padSettings(uint32_t n) {
  ConfigInputSettings settings{};
  settings.padValid[n] = 1;
  const dinput::GUID guid = dinput::scriptedPadInstance(n);
  std::memcpy(settings.padInstance[n], &guid, sizeof guid);
  return settings;
}

}  // namespace inputtest
