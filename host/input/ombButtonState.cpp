#include "host/input/ombButtonState.h"

namespace {

constexpr uint32_t kBlocked = 0xFFFFFFFFu;

}  // namespace

OMB_BUTTON_STATE* ombButtonStateCreate(const InputSource& source, uint32_t repeatWindow,
                                       uint32_t quickWindow) {
  auto* tracker = new OMB_BUTTON_STATE;
  tracker->source = source;
  tracker->repeatWindow = repeatWindow;
  tracker->quickWindow = quickWindow;
  tracker->buttonCount = source.count != nullptr ? source.count(source.context) : 0;
  tracker->values.assign(tracker->buttonCount, 0.0f);
  tracker->status.assign(tracker->buttonCount, 0);
  tracker->repeatCounters.assign(tracker->buttonCount, 0);
  tracker->quickCounters.assign(tracker->buttonCount, 0);
  return tracker;
}

void ombButtonStateDestroy(OMB_BUTTON_STATE* tracker) { delete tracker; }

void ombButtonStateUpdate(OMB_BUTTON_STATE* tracker) {
  const InputSource& source = tracker->source;
  if (source.poll != nullptr) source.poll(source.context);
  for (uint32_t b = 0; b < tracker->buttonCount; ++b) {
    const float v = source.value != nullptr ? source.value(source.context, b) : 0.0f;
    tracker->values[b] = v;
    uint32_t status = tracker->status[b] & OMB_BUTTON_HELD;
    if (status & OMB_BUTTON_HELD) {
      if (v < 0.4f) status = OMB_BUTTON_RELEASED;
    } else if (v >= 0.5f) {
      status = OMB_BUTTON_HELD | OMB_BUTTON_PRESSED;
    }
    if (tracker->repeatWindow != 0) {
      uint32_t& counter = tracker->repeatCounters[b];
      if (status & OMB_BUTTON_PRESSED) {
        if (counter <= tracker->repeatWindow) status |= OMB_BUTTON_REPEAT;
        counter = 0;
      } else if (counter != kBlocked) {
        ++counter;
      }
    }
    if (tracker->quickWindow != 0) {
      uint32_t& counter = tracker->quickCounters[b];
      if (v < 0.01f) {
        counter = 0;
      } else if (v >= 0.99f) {
        if (counter < tracker->quickWindow) status |= OMB_BUTTON_QUICK;
        counter = kBlocked;
      } else if (counter != kBlocked) {
        ++counter;
      }
    }
    tracker->status[b] = status;
  }
}
