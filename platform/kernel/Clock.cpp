#include "platform/kernel/Clock.h"

#include "platform/kernel/CurrentThread.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace platform {

namespace {

uint64_t monotonicNanoseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

class SystemClock final : public Clock {
 public:
  uint64_t counterFrequency() override { return 10000000; }
  uint64_t counter() override { return monotonicNanoseconds() / 100; }
  uint32_t milliseconds() override {
    return static_cast<uint32_t>(monotonicNanoseconds() / 1000000);
  }
  void sleep(uint32_t milliseconds) override {
    if (milliseconds == 0) {
      yieldThread();
      return;
    }
    timespec rest{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
  }
};

SystemClock systemClock;
std::atomic<Clock*> current{&systemClock};

}  // namespace

Clock& clock() {
  return *current.load(std::memory_order_acquire);
}

void setClock(Clock* replacement) {
  current.store(replacement ? replacement : &systemClock, std::memory_order_release);
}

void sleepMilliseconds(uint32_t milliseconds) {
  clock().sleep(milliseconds);
}

}  // namespace platform
