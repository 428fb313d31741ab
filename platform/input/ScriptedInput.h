#pragma once

// The scripted input backend: a keyboard and a described set of pads whose states follow a
// timeline of per-frame changes. Each device counts its own state reads: the n-th read of a
// device (from 0) sees every change of frames 0 to n applied in order. What tests and headless
// runs use; GAME_INPUT_SCRIPT describes one in text (parseScriptedInput).

#include "platform/input/DirectInput.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dinput {

struct ScriptedPad {
  std::u16string name;
  // The axis ranges of X, Y, Z, Rx, Ry, Rz; an axis without a range refuses the query.
  DIPROPRANGE ranges[6] = {{-1000, 1000}, {-1000, 1000}, {-1000, 1000},
                           {-1000, 1000}, {-1000, 1000}, {-1000, 1000}};
  bool hasRange[6] = {true, true, true, true, true, true};
  // The objects the pad has: the first `axes` of X, Y, Z, Rx, Ry, Rz, points of view, buttons.
  uint32_t axes = 6;
  uint32_t povs = 4;
  uint32_t buttons = 32;
};

enum class ScriptedControl { Key, Button, Axis, Pov, Lost };

struct ScriptedChange {
  uint32_t frame = 0;
  int32_t device = 0;  // 0 the keyboard, 1 + n pad n
  ScriptedControl control = ScriptedControl::Key;
  uint32_t index = 0;  // key code, button 0-31, axis 0-5, point of view 0-3
  int32_t value = 0;   // key and button: 0 or 1; axis: position; POV: hundredths or -1 centred;
                       // Lost: 1 reads fail from this frame on, 0 they succeed again
};

struct ScriptedInputDescription {
  std::vector<ScriptedPad> pads;
  std::vector<ScriptedChange> timeline;
};

// The instance identifier of scripted pad n: stable across runs.
GUID scriptedPadInstance(uint32_t pad);

// An object over the description.
IDirectInput8* createScriptedDirectInput(ScriptedInputDescription description);

// Text form, entries separated by ';' or new lines:
//   pad <name> [range <min> <max>] [norange <axis>] [axes <0-6>] [povs <0-4>] [buttons <0-32>]...
//                                                          declares the next pad
//   <frame> key <code> <0|1>
//   <frame> pad<n> button <b> <0|1> | axis <x|y|z|rx|ry|rz> <value> | pov <p> <hundredths|-1>
//   <frame> pad<n> lost <0|1>   (also "keyboard lost")
// Numbers may be decimal or 0x hexadecimal. nullopt (with the reason in error) when malformed.
std::optional<ScriptedInputDescription> parseScriptedInput(const std::string& text,
                                                           std::string* error = nullptr);

}  // namespace dinput
