#pragma once

#include "host/config/ConfigRecords.h"

#include <cstdint>

struct OMB_MSW_CONFIG;

// The input module as the configuration sees it: the DirectInput object whose absence ends the
// start-up, and the controller settings page (keyboard keys and pad slots, kept in the settings
// file).
//
// FIXME: the input layer has no key names yet, so keys read "unknown"; DirectInput counts as
// present once ombInputInit ran and the input layer gives an object.

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
