#pragma once

#include "host/input/InputSettings.h"

#include <cstdint>

// The display and input settings of a run, written when the settings are confirmed and read by
// the System, the device and the input manager.

// Display settings flags.
inline constexpr uint32_t CONFIG_DISPLAY_VALID = 1;       // an adapter and a display entry were chosen
inline constexpr uint32_t CONFIG_DISPLAY_COMPRESS = 2;    // compress textures
inline constexpr uint32_t CONFIG_DISPLAY_NO_FLIP = 4;     // present without waiting for the blank
inline constexpr uint32_t CONFIG_DISPLAY_COMPATIBLE = 8;  // compatible rendering

// Display modes of a display entry.
inline constexpr int32_t CONFIG_MODE_FULL32 = 0;
inline constexpr int32_t CONFIG_MODE_FULL16 = 1;
inline constexpr int32_t CONFIG_MODE_WINDOW = 2;

struct ConfigDisplaySettings {
  uint32_t flags;
  uint32_t adapter;     // ordinal
  int32_t mode;         // CONFIG_MODE_*
  int32_t width;
  int32_t height;
  int32_t fourth;       // carried with the chosen display entry, never acted on
  int32_t multisample;  // 0 none, i = 1..15: i + 1 samples
};

// One display entry of a display-mode table.
struct ConfigDisplayEntry {
  int32_t mode;
  int32_t width;
  int32_t height;
  int32_t fourth;
};


// One logical button of an input type, as the configuration script declares it.
struct ConfigInputButton {
  char16_t* name;
  int32_t flags;  // CONFIG_BUTTON_*
  int32_t key;    // default keyboard key, 0 to 255
};

inline constexpr int32_t CONFIG_BUTTON_OPTIONAL = 1;
inline constexpr int32_t CONFIG_BUTTON_DIRECTION = 2;
inline constexpr int32_t CONFIG_BUTTON_ANALOG = 4;

struct ConfigInputType {
  char16_t* name;
  ConfigInputButton* buttons;
  uint32_t buttonCount;
};
