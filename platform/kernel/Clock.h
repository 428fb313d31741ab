#pragma once

#include <cstdint>

namespace platform {

// The machine's clocks and sleeps as the timer module sees them: a monotonic tick counter, a
// 32-bit millisecond time that wraps, and sleeps. Tests install a fake clock so that pacing
// arithmetic runs on exact, scripted time.
class Clock {
 public:
  virtual ~Clock() = default;
  // Ticks per second of counter(); the system clock counts 10,000,000 per second.
  virtual uint64_t counterFrequency() = 0;
  virtual uint64_t counter() = 0;
  // Milliseconds since an arbitrary start, modulo 2^32.
  virtual uint32_t milliseconds() = 0;
  // Sleeps at least the given milliseconds; 0 gives up the rest of the time slice.
  virtual void sleep(uint32_t milliseconds) = 0;
};

// The clock in force: the system's, unless a test installed another.
Clock& clock();
// Installs a clock (not owned); null restores the system's.
void setClock(Clock* replacement);

// clock().sleep(milliseconds).
void sleepMilliseconds(uint32_t milliseconds);

}  // namespace platform
