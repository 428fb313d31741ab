#pragma once

#include <cstdint>

// The input settings of a run, written by the controller page of the settings and read by the
// input devices: the keyboard's key per button, and per pad slot whether it is configured, the
// pad's instance identifier, its input type and its button assignments and flags.

inline constexpr uint32_t CONFIG_INPUT_TYPES = 4;
inline constexpr uint32_t CONFIG_INPUT_BUTTONS = 16;
inline constexpr uint32_t CONFIG_PAD_SLOTS = 4;

// The input settings record, 169 words.
struct ConfigInputSettings {
  uint32_t keyboardType;
  uint32_t keyboardKeys[CONFIG_INPUT_BUTTONS];
  uint32_t padValid[CONFIG_PAD_SLOTS];
  uint32_t padInstance[CONFIG_PAD_SLOTS][4];
  uint32_t padType[CONFIG_PAD_SLOTS];
  uint32_t padButtons[CONFIG_PAD_SLOTS][CONFIG_INPUT_BUTTONS];
  uint32_t padButtonFlags[CONFIG_PAD_SLOTS][CONFIG_INPUT_BUTTONS];
};
static_assert(sizeof(ConfigInputSettings) == 676);
