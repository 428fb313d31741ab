#include "foundation/omb/ombFrameController.h"

#include "foundation/omb/ombTimer.h"

void ombFrameControllerInit(OMB_FRAMECONTROLLER* c, uint32_t framesPerSecond) {
  if (framesPerSecond == 0) {
    framesPerSecond = 1;
  }
  c->framesPerSecond = framesPerSecond;
  const uint64_t scaled = ombTimerGetFrequency64() * 65536;
  c->interval = scaled / framesPerSecond;
  if (scaled % framesPerSecond >= framesPerSecond / 2) {
    ++c->interval;
  }
  ombFrameControllerReset(c);
}

void ombFrameControllerReset(OMB_FRAMECONTROLLER* c) {
  c->fraction = 0;
  c->skip = false;
  c->forcedSkipLevel = 0;
  c->forcedSkipCounter = 0;
  c->framesThisSecond = 0;
  c->framesLastSecond = 0;
  c->drawnThisSecond = 0;
  c->drawnLastSecond = 0;
  c->schedule = 0;
  c->adaptation = -1;
  const uint64_t now = ombTimerGetCount64();
  c->start = now;
  c->secondStart = now;
  c->lastDraw = now;
}

bool ombFrameControllerUpdate(OMB_FRAMECONTROLLER* c) {
  const uint64_t second = ombTimerGetFrequency64();
  c->fraction += c->interval;
  c->schedule += c->fraction >> 16;
  c->fraction &= 0xFFFF;

  const uint64_t now = ombTimerGetCount64();
  const int64_t elapsed = static_cast<int64_t>(now - c->start);
  bool skip = elapsed >= static_cast<int64_t>(c->schedule);

  const uint32_t level = c->forcedSkipLevel;
  if (level != 0) {
    if (++c->forcedSkipCounter > level) {
      c->forcedSkipCounter = 0;  // the timing decision stands
    } else {
      skip = true;
    }
  }
  if (now - c->lastDraw >= second) {
    skip = false;  // at least one frame a second is drawn
  }
  if (!skip) {
    c->lastDraw = now;
  }
  ++c->framesThisSecond;
  if (!skip) {
    ++c->drawnThisSecond;
  }

  if (now - c->secondStart >= second) {
    c->framesLastSecond = c->framesThisSecond;
    c->drawnLastSecond = c->drawnThisSecond;
    // After a stall (a long load, a stopped process) the statistics second would lag far
    // behind the clock, and every following frame would close a "second" of one frame and
    // count it as slow. A lag of two seconds or more restarts the second at now instead, so a
    // single stall counts as at most one slow second.
    if (now - c->secondStart >= 2 * second) {
      c->secondStart = now;
    } else {
      c->secondStart += second;
    }
    c->framesThisSecond = 0;
    c->drawnThisSecond = 0;
    if (c->drawnLastSecond + 1 >= c->framesPerSecond / (level + 1)) {
      c->adaptation = 0;
    } else if (++c->adaptation >= 5) {
      if (c->forcedSkipLevel < OMB_FRAMECONTROLLER_MAX_LEVEL) {
        ++c->forcedSkipLevel;
      }
      c->adaptation = -1;
    }
  }
  c->skip = skip;
  return skip;
}

void ombFrameControllerWait(OMB_FRAMECONTROLLER* c) {
  if (c->skip) {
    return;
  }
  const int64_t elapsed = static_cast<int64_t>(ombTimerGetCount64() - c->start);
  const int64_t due = static_cast<int64_t>(c->schedule);
  if (elapsed < due) {
    ombTimerSleep64(due - elapsed);
  }
}
