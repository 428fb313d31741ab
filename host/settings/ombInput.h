#pragma once

#include "host/config/ConfigRecords.h"

#include <cstdint>

struct OMB_MSW_CONFIG;

// The input module as the configuration sees it: the DirectInput object whose absence ends the
// start-up, and the controller settings page (keyboard keys and pad slots, kept in the settings
// file).
//
// FIXME: the assignment windows of the page are not built; DirectInput counts as present once
// ombInputInit ran, and key names read "unknown". Saved pad slots are bound again to attached
// controllers of the input layer (platform/input).

struct OMB_INPUT_LAYOUT {
  const ConfigInputType* types = nullptr;
  uint32_t typeCount = 0;  // the leading types with a name, at most 4
  uint32_t padCount = 0;   // pad slots offered, 0 to 4
};

void ombInputInit();
void ombInputUninit();
// Null before ombInputInit and after ombInputUninit.
const void* ombInputGetDirectInput();

// Adds the controller page to the dialog; zeroes the settings.
void ombInputAddConfigPlugin(ConfigInputSettings* settings, OMB_MSW_CONFIG* dialog,
                             const OMB_INPUT_LAYOUT& layout);
