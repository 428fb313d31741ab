#pragma once

// Button-state trackers: per-frame status bits of each button of a source, with hysteresis
// (pressed from 0.5, released below 0.4), a repeat window and a quick-press window in frames.

#include "host/input/InputSource.h"

#include <cstdint>
#include <vector>

inline constexpr uint32_t OMB_BUTTON_PRESSED = 1;   // pressed this frame
inline constexpr uint32_t OMB_BUTTON_RELEASED = 2;  // released this frame
inline constexpr uint32_t OMB_BUTTON_HELD = 4;
inline constexpr uint32_t OMB_BUTTON_REPEAT = 8;    // pressed again within the repeat window
inline constexpr uint32_t OMB_BUTTON_QUICK = 16;    // from below 0.01 to 0.99 within the window

struct OMB_BUTTON_STATE {
  InputSource source;
  uint32_t repeatWindow;
  uint32_t quickWindow;
  uint32_t buttonCount;
  std::vector<float> values;
  std::vector<uint32_t> status;
  std::vector<uint32_t> repeatCounters;
  std::vector<uint32_t> quickCounters;
};

// Copies the source and asks its button count once.
OMB_BUTTON_STATE* ombButtonStateCreate(const InputSource& source, uint32_t repeatWindow,
                                       uint32_t quickWindow);
void ombButtonStateDestroy(OMB_BUTTON_STATE* tracker);
// Polls the source and updates every button's status.
void ombButtonStateUpdate(OMB_BUTTON_STATE* tracker);
