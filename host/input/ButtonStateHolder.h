#pragma once

#include "host/input/ombButtonState.h"

#include <cstdint>

// One player slot's tracker: null while the slot has no input source. Owned by the System and
// read by the slot's controller each frame.
class ButtonStateHolder {
 public:
  ButtonStateHolder() = default;
  ~ButtonStateHolder() { release(); }
  ButtonStateHolder(const ButtonStateHolder&) = delete;
  ButtonStateHolder& operator=(const ButtonStateHolder&) = delete;

  // Frees the held tracker and holds a new one; false when none could be made.
  bool create(const InputSource& source, uint32_t repeatWindow, uint32_t quickWindow);
  void release();
  OMB_BUTTON_STATE* get() const { return tracker_; }

 private:
  OMB_BUTTON_STATE* tracker_ = nullptr;
};
