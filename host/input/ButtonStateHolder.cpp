#include "host/input/ButtonStateHolder.h"

bool ButtonStateHolder::create(const InputSource& source, uint32_t repeatWindow,
                               uint32_t quickWindow) {
  release();
  tracker_ = ombButtonStateCreate(source, repeatWindow, quickWindow);
  return tracker_ != nullptr;
}

void ButtonStateHolder::release() {
  ombButtonStateDestroy(tracker_);
  tracker_ = nullptr;
}
