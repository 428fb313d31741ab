#include "platform/kernel/Semaphore.h"

#include <chrono>

namespace platform {

Semaphore::Semaphore(uint32_t initial, uint32_t maximum)
    : count_(initial < maximum ? initial : maximum), maximum_(maximum) {}

bool Semaphore::release(uint32_t count) {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    if (count > maximum_ - count_) {
      return false;
    }
    count_ += count;
  }
  available_.notify_all();
  return true;
}

bool Semaphore::wait(uint32_t timeoutMilliseconds) {
  std::unique_lock<std::mutex> hold(mutex_);
  auto ready = [this] { return count_ > 0; };
  if (timeoutMilliseconds == kWaitForever) {
    available_.wait(hold, ready);
  } else if (!available_.wait_for(hold, std::chrono::milliseconds(timeoutMilliseconds), ready)) {
    return false;
  }
  --count_;
  return true;
}

uint32_t Semaphore::count() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return count_;
}

}  // namespace platform
