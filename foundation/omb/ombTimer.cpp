#include "foundation/omb/ombTimer.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombSpinlock.h"
#include "platform/kernel/Clock.h"

#include <atomic>

namespace {

bool timerReady = false;
// The timer resolution in milliseconds. Sleeps here are exact to the millisecond without asking
// for a resolution, so the period is only remembered.
uint32_t timerPeriod = 0;
// Written at start-up and shut-down, read by every thread that paces.
std::atomic<uint64_t> frequency{0};  // 0 while the counter is off
std::atomic<uint64_t> ticksPerMillisecond{0};
std::atomic<uint64_t> margin{0};  // the ticks of 3 ms

// The millisecond clock, extended past the 32-bit wrap. Frame controllers of several threads
// read it, so the update is serialised.
OMB_SPINLOCK millisecondLock;
uint32_t lastMilliseconds = 0;
uint64_t accumulatedMilliseconds = 0;

}  // namespace

void ombTimerInit() {
  if (timerReady) {
    return;
  }
  timerReady = true;
  if (timerPeriod == 0) {
    timerPeriod = 1;
  }
  {
    OmbSpinLockHold hold(millisecondLock);
    lastMilliseconds = platform::clock().milliseconds();
    accumulatedMilliseconds = 0;
  }
  ombTimerSetEnable64(true);
  ombRegisterUninit(ombTimerUninit);
}

void ombTimerUninit() {
  if (!timerReady) {
    return;
  }
  timerReady = false;
  ombTimerSetEnable64(false);
  timerPeriod = 0;
}

void ombTimerSetEnable64(bool enable) {
  if (enable) {
    if (frequency != 0) {
      return;
    }
    const uint64_t counted = platform::clock().counterFrequency();
    if (counted == 0 || counted > OMB_TIMER_MAX_FREQUENCY) {
      return;  // the millisecond clock stays in force
    }
    frequency = counted;
    ombLogPrintf(OMB_LOG_INFORMATION, u"Information: [%s] enable performance counter(%I64d)",
                 "ombTimerSetEnable64", static_cast<long long>(counted));
    margin = counted * 3 / 1000;
    ticksPerMillisecond = counted / 1000;
    return;
  }
  if (frequency != 0) {
    frequency = 0;
    margin = 0;
    ticksPerMillisecond = 0;
    ombLogPrintf(OMB_LOG_INFORMATION, u"Information: [%s] disable performance counter",
                 "ombTimerSetEnable64");
  }
}

uint64_t ombTimerGetFrequency64() {
  const uint64_t counted = frequency;
  return counted != 0 ? counted : 1000;
}

uint64_t ombTimerGetCount64() {
  if (frequency != 0) {
    return platform::clock().counter();
  }
  OmbSpinLockHold hold(millisecondLock);
  const uint32_t now = platform::clock().milliseconds();
  accumulatedMilliseconds += static_cast<uint32_t>(now - lastMilliseconds);
  lastMilliseconds = now;
  return accumulatedMilliseconds;
}

uint32_t ombTimerSleepMilliseconds(uint32_t milliseconds) {
  if (milliseconds == 0) {
    return 0;
  }
  platform::Clock& clock = platform::clock();
  const uint32_t start = clock.milliseconds();
  if (milliseconds >= 3) {
    clock.sleep(milliseconds - 3);
  }
  uint32_t elapsed;
  while ((elapsed = clock.milliseconds() - start) < milliseconds) {
    clock.sleep(0);
  }
  return elapsed;
}

uint64_t ombTimerSleep64(int64_t ticks) {
  if (ticks <= 0) {
    return 0;
  }
  if (frequency == 0) {
    const uint64_t milliseconds = static_cast<uint64_t>(ticks);
    return ombTimerSleepMilliseconds(milliseconds > 0xFFFFFFFFu ? 0xFFFFFFFFu
                                                                : static_cast<uint32_t>(milliseconds));
  }
  platform::Clock& clock = platform::clock();
  const uint64_t target = static_cast<uint64_t>(ticks);
  const uint64_t early = margin;
  const uint64_t perMillisecond = ticksPerMillisecond;
  const uint64_t start = ombTimerGetCount64();
  if (target >= early && perMillisecond != 0) {
    for (;;) {
      const uint64_t elapsed = ombTimerGetCount64() - start;
      if (elapsed + early >= target) {
        break;
      }
      const uint64_t rest = (target - early - elapsed) / perMillisecond;
      if (rest == 0) {
        break;
      }
      clock.sleep(static_cast<uint32_t>(rest > 0x7FFFFFFF ? 0x7FFFFFFF : rest));
    }
  }
  uint64_t elapsed;
  while ((elapsed = ombTimerGetCount64() - start) < target) {
    clock.sleep(0);
  }
  return elapsed;
}
