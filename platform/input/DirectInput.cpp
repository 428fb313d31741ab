#include "platform/input/DirectInput.h"

#include "platform/input/ScriptedInput.h"

#include <cstdio>
#include <cstdlib>

namespace dinput {

// GAME_INPUT_SCRIPT describes scripted devices; without it the keyboard is scripted with no
// change and there are no pads.
IDirectInput8* createDirectInput() {
  const char* script = std::getenv("GAME_INPUT_SCRIPT");
  if (script == nullptr || *script == '\0') return createScriptedDirectInput({});
  std::string error;
  std::optional<ScriptedInputDescription> description = parseScriptedInput(script, &error);
  if (!description) {
    std::fprintf(stderr, "GAME_INPUT_SCRIPT: %s; no input devices\n", error.c_str());
    return nullptr;
  }
  return createScriptedDirectInput(std::move(*description));
}

}  // namespace dinput
