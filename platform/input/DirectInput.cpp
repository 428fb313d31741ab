#include "platform/input/DirectInput.h"

#include "platform/input/ScriptedInput.h"
#include "platform/window/Window.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace dinput {

namespace {

std::map<std::string, InputBackendFactory>& backends() {
  static std::map<std::string, InputBackendFactory> table;
  return table;
}

}  // namespace

void registerInputBackend(const std::string& name, InputBackendFactory factory) {
  backends()[name] = factory;
}

IDirectInput8* createDirectInput() {
  const char* script = std::getenv("GAME_INPUT_SCRIPT");
  if (script != nullptr && *script != '\0') {
    std::string error;
    std::optional<ScriptedInputDescription> description = parseScriptedInput(script, &error);
    if (!description) {
      std::fprintf(stderr, "GAME_INPUT_SCRIPT: %s; no input devices\n", error.c_str());
      return nullptr;
    }
    return createScriptedDirectInput(std::move(*description));
  }
  const char* chosen = std::getenv("GAME_INPUT");
  const std::string name = chosen != nullptr && *chosen != '\0'
                               ? std::string(chosen)
                               : std::string(platform::window::backend().name());
  const auto found = backends().find(name);
  if (found != backends().end()) {
    if (IDirectInput8* object = found->second()) return object;
    std::fprintf(stderr, "input backend \"%s\" cannot start; no pads\n", name.c_str());
  }
  return createScriptedDirectInput({});
}

}  // namespace dinput
