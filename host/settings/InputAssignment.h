#pragma once

#include "host/config/ConfigRecords.h"
#include "platform/input/DirectInput.h"

#include <array>
#include <cstdint>
#include <string>

// Controller input codes as the controller page stores them: 0 none, 1-12 the two directions of
// the six axes (X min, X max, Y min, ...), 13-28 the four directions of the four points of view
// (13 + 4 x hat + up/down/left/right), 29-60 the 32 buttons.

inline constexpr uint32_t INPUT_CODE_LAST = 60;
inline constexpr uint32_t INPUT_CODE_FIRST_HAT = 13;
inline constexpr uint32_t INPUT_CODE_FIRST_BUTTON = 29;

// Which codes a state presses (index = code; [0] unused).
using InputCodeSet = std::array<bool, INPUT_CODE_LAST + 1>;

// An attached controller as the page sees it.
struct InputController {
  dinput::DIDEVICEINSTANCE instance;
  dinput::IDirectInputDevice8* device = nullptr;
  InputCodeSet usable{};  // the codes the controller has
  uint32_t usableCount = 0;
  int32_t lower[6] = {};  // quarter marks of each axis's range
  int32_t upper[6] = {};
  dinput::DIJOYSTATE last{};
};

// The code's text: in lists and the report ("方向%u", "視点%u", "ボタン%u", "なし"), or in the
// assignment windows ("方向ボタン%u", "視点ボタン%u", ...).
enum class InputCodeStyle { List, Window };
std::u16string inputCodeText(uint32_t code, InputCodeStyle style);

// Fills the usable codes and quarter marks from the device's objects and axis ranges.
void inputDescribeController(InputController& controller, const dinput::DIDEVICEOBJECTS& objects);

// The usable codes the state presses.
InputCodeSet inputPressedCodes(const InputController& controller, const dinput::DIJOYSTATE& state);

// Whether a point-of-view angle (hundredths of degrees) leans towards direction d (0 up, 1 down,
// 2 left, 3 right); diagonals lean two ways, a centred hat none.
bool inputHatPressed(uint32_t angle, uint32_t direction);

// The slot's buttons of one input type.
struct InputAssignment {
  uint32_t buttons[CONFIG_INPUT_BUTTONS] = {};
  uint32_t flags[CONFIG_INPUT_BUTTONS] = {};
};

// Assigns the type's unassigned buttons from the controller's unused inputs in four passes:
// required directions (arrow keys take their axis direction first), required buttons, direction
// buttons, then all.
void inputAutoAssign(InputAssignment& assignment, const ConfigInputType& type,
                     const InputController& controller);

// While a required button is empty and an optional one other than `justSet` (-1 for none) holds
// an input, the last such optional input moves to the last empty required button.
void inputCompleteRequired(InputAssignment& assignment, const ConfigInputType& type,
                           int32_t justSet);

// Buttons of the type that must be assigned.
uint32_t inputRequiredCount(const ConfigInputType& type);
