#include "host/settings/InputAssignment.h"

#include "foundation/omb/text/ombFormat.h"

namespace {

constexpr uint32_t kHatCentred = 0xFFFF;

bool isOptional(const ConfigInputButton& b) { return (b.flags & CONFIG_BUTTON_OPTIONAL) != 0; }
bool isDirection(const ConfigInputButton& b) { return (b.flags & CONFIG_BUTTON_DIRECTION) != 0; }

enum class Kind { Axis, Hat, Button };

uint32_t firstFree(const InputController& c, const bool (&used)[INPUT_CODE_LAST + 1], Kind kind) {
  const uint32_t from = kind == Kind::Axis ? 1 : kind == Kind::Hat ? INPUT_CODE_FIRST_HAT
                                                                    : INPUT_CODE_FIRST_BUTTON;
  const uint32_t to = kind == Kind::Axis ? INPUT_CODE_FIRST_HAT - 1
                      : kind == Kind::Hat ? INPUT_CODE_FIRST_BUTTON - 1
                                          : INPUT_CODE_LAST;
  for (uint32_t code = from; code <= to; ++code) {
    if (c.usable[code] && !used[code]) return code;
  }
  return 0;
}

}  // namespace

std::u16string inputCodeText(uint32_t code, InputCodeStyle style) {
  char16_t text[32];
  const bool list = style == InputCodeStyle::List;
  if (code == 0 || code > INPUT_CODE_LAST) return u"なし";
  if (code < INPUT_CODE_FIRST_HAT) {
    ombStrPrintf(text, 32, list ? u"方向%u" : u"方向ボタン%u", code);
  } else if (code < INPUT_CODE_FIRST_BUTTON) {
    ombStrPrintf(text, 32, list ? u"視点%u" : u"視点ボタン%u", code - 12);
  } else {
    ombStrPrintf(text, 32, u"ボタン%u", code - 28);
  }
  return text;
}

bool inputHatPressed(uint32_t angle, uint32_t direction) {
  if ((angle & 0xFFFF) == kHatCentred) return false;
  switch (direction) {
    case 0: return angle <= 6800 || (angle >= 29300 && angle <= 35999);
    case 1: return angle >= 11300 && angle <= 24800;
    case 2: return angle >= 20300 && angle <= 33800;
    case 3: return angle >= 2300 && angle <= 15800;
    default: return false;
  }
}

void inputDescribeController(InputController& c, const dinput::DIDEVICEOBJECTS& objects) {
  c.usable = {};
  for (uint32_t axis = 0; axis < 6; ++axis) {
    if (!(objects.axes & (1u << axis))) continue;
    c.usable[1 + 2 * axis] = c.usable[2 + 2 * axis] = true;
    dinput::DIPROPRANGE range;
    if (c.device && !dinput::failed(c.device->GetRange(axis * 4, &range))) {
      // 64-bit, so that a range spanning all of int32 cannot overflow.
      const int64_t quarter = (int64_t(range.lMax) - range.lMin) / 4;
      c.lower[axis] = static_cast<int32_t>(range.lMin + quarter);
      c.upper[axis] = static_cast<int32_t>(range.lMax - quarter);
    }
  }
  for (uint32_t hat = 0; hat < objects.povs && hat < 4; ++hat) {
    for (uint32_t d = 0; d < 4; ++d) c.usable[INPUT_CODE_FIRST_HAT + 4 * hat + d] = true;
  }
  for (uint32_t b = 0; b < objects.buttons && b < 32; ++b) c.usable[INPUT_CODE_FIRST_BUTTON + b] = true;
  c.usableCount = 0;
  for (bool u : c.usable) c.usableCount += u;
}

InputCodeSet inputPressedCodes(const InputController& c, const dinput::DIJOYSTATE& s) {
  InputCodeSet pressed{};
  const int32_t axes[6] = {s.lX, s.lY, s.lZ, s.lRx, s.lRy, s.lRz};
  for (uint32_t axis = 0; axis < 6; ++axis) {
    // An axis whose range is unknown has both marks at 0 and would always lean one way.
    if (c.lower[axis] == c.upper[axis]) continue;
    pressed[1 + 2 * axis] = axes[axis] < c.lower[axis];
    pressed[2 + 2 * axis] = axes[axis] > c.upper[axis];
  }
  for (uint32_t hat = 0; hat < 4; ++hat) {
    for (uint32_t d = 0; d < 4; ++d) {
      pressed[INPUT_CODE_FIRST_HAT + 4 * hat + d] = inputHatPressed(s.rgdwPOV[hat], d);
    }
  }
  for (uint32_t b = 0; b < 32; ++b) pressed[INPUT_CODE_FIRST_BUTTON + b] = (s.rgbButtons[b] & 0x80) != 0;
  for (uint32_t code = 1; code <= INPUT_CODE_LAST; ++code) pressed[code] = pressed[code] && c.usable[code];
  return pressed;
}

uint32_t inputRequiredCount(const ConfigInputType& type) {
  uint32_t count = 0;
  for (uint32_t b = 0; b < type.buttonCount && b < CONFIG_INPUT_BUTTONS; ++b) {
    count += !isOptional(type.buttons[b]);
  }
  return count;
}

void inputAutoAssign(InputAssignment& a, const ConfigInputType& type, const InputController& c) {
  const uint32_t count = type.buttonCount < CONFIG_INPUT_BUTTONS ? type.buttonCount
                                                                 : CONFIG_INPUT_BUTTONS;
  bool used[INPUT_CODE_LAST + 1] = {};
  for (uint32_t b = 0; b < count; ++b) {
    if (a.buttons[b] <= INPUT_CODE_LAST) used[a.buttons[b]] = true;
  }
  used[0] = false;
  auto pass = [&](auto&& wanted, std::initializer_list<Kind> order, bool arrows) {
    for (uint32_t b = 0; b < count; ++b) {
      const ConfigInputButton& button = type.buttons[b];
      if (a.buttons[b] != 0 || !wanted(button)) continue;
      uint32_t code = 0;
      if (arrows) {
        // Up, Down, Left, Right take the Y and X directions.
        static constexpr int32_t keys[4] = {200, 208, 203, 205};
        static constexpr uint32_t codes[4] = {3, 4, 1, 2};
        for (int i = 0; i < 4; ++i) {
          if (button.key == keys[i] && c.usable[codes[i]] && !used[codes[i]]) code = codes[i];
        }
      }
      for (const Kind kind : order) {
        if (code == 0) code = firstFree(c, used, kind);
      }
      if (code == 0) continue;
      a.buttons[b] = code;
      a.flags[b] = 0;
      used[code] = true;
    }
  };
  pass([](const ConfigInputButton& b) { return !isOptional(b) && isDirection(b); },
       {Kind::Axis, Kind::Hat, Kind::Button}, true);
  pass([](const ConfigInputButton& b) { return !isOptional(b); },
       {Kind::Button, Kind::Hat, Kind::Axis}, false);
  pass([](const ConfigInputButton& b) { return isDirection(b); },
       {Kind::Axis, Kind::Hat, Kind::Button}, false);
  pass([](const ConfigInputButton&) { return true; }, {Kind::Button, Kind::Hat, Kind::Axis},
       false);
}

void inputCompleteRequired(InputAssignment& a, const ConfigInputType& type, int32_t justSet) {
  const int32_t count = static_cast<int32_t>(
      type.buttonCount < CONFIG_INPUT_BUTTONS ? type.buttonCount : CONFIG_INPUT_BUTTONS);
  for (;;) {
    int32_t required = -1, optional = -1;
    for (int32_t b = 0; b < count; ++b) {
      if (!isOptional(type.buttons[b]) && a.buttons[b] == 0) required = b;
      if (isOptional(type.buttons[b]) && b != justSet && a.buttons[b] != 0) optional = b;
    }
    if (required < 0 || optional < 0) return;
    a.buttons[required] = a.buttons[optional];
    a.flags[required] = a.flags[optional];
    a.buttons[optional] = 0;
    a.flags[optional] = 0;
  }
}
