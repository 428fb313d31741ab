#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

inline constexpr uint32_t kWaitForever = 0xFFFFFFFF;

// A counting semaphore with a maximum count.
class Semaphore {
 public:
  Semaphore(uint32_t initial, uint32_t maximum);
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;

  // Adds `count`; false, with the count unchanged, when that would pass the maximum.
  bool release(uint32_t count = 1);
  // Takes one unit; false when none came within the time (kWaitForever waits without limit).
  bool wait(uint32_t timeoutMilliseconds);
  uint32_t count() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable available_;
  uint32_t count_;
  uint32_t maximum_;
};

}  // namespace platform
