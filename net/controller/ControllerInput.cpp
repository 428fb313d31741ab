#include "net/controller/ControllerInput.h"

#include "host/input/ButtonStateHolder.h"

#include <algorithm>

void ControllerInput::refresh() {
  OMB_BUTTON_STATE* tracker = holder_ ? holder_->get() : nullptr;
  if (tracker) {
    ombButtonStateUpdate(tracker);
    const uint32_t count = std::min<uint32_t>(tracker->buttonCount, kButtons);
    const InputSource& source = tracker->source;
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t status = tracker->status[i];
      const bool quickButton = source.flag && (source.flag(source.context, i) & 1) != 0;
      pressed()[i] = (status & OMB_BUTTON_PRESSED) != 0;
      held()[i] = (status & OMB_BUTTON_HELD) != 0;
      third()[i] = (status & (quickButton ? OMB_BUTTON_QUICK : OMB_BUTTON_REPEAT)) != 0;
      analog_[i] = tracker->values[i];
    }
  }
  record();
}
