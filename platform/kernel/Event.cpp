#include "platform/kernel/Event.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

namespace {

// One lock for every event: a wait on several events must test and register on all of them as
// one step, or a set between two of those tests would be lost. The lock is held only for a few
// instructions at a time, so sharing it costs nothing that matters at the runtime's event rates.
std::mutex& eventLock() {
  static std::mutex lock;
  return lock;
}

constexpr uint32_t kNotFired = 0xFFFFFFFFu;

}  // namespace

struct Event::Waiter {
  std::condition_variable wake;
  uint32_t fired = kNotFired;  // index of the event that released this waiter
};

Event::Event(EventReset reset, EventInitial initial)
    : reset_(reset), signalled_(initial == EventInitial::Signalled) {}

Event::~Event() = default;

void Event::set() {
  std::lock_guard<std::mutex> guard(eventLock());
  if (reset_ == EventReset::Manual) {
    signalled_ = true;
    release(true);
    return;
  }
  // An auto event hands its signal straight to the first waiter; only without one does it stay
  // signalled for the next wait to consume.
  for (const Registration& r : waiters_) {
    if (r.waiter->fired == kNotFired) {
      r.waiter->fired = r.index;
      r.waiter->wake.notify_one();
      return;
    }
  }
  signalled_ = true;
}

void Event::reset() {
  std::lock_guard<std::mutex> guard(eventLock());
  signalled_ = false;
}

void Event::pulse() {
  std::lock_guard<std::mutex> guard(eventLock());
  release(reset_ == EventReset::Manual);
  signalled_ = false;
}

uint32_t Event::wait(uint32_t timeoutMs) {
  Event* self = this;
  return waitForAny(std::span<Event* const>(&self, 1), timeoutMs);
}

std::size_t Event::waiting() const {
  std::lock_guard<std::mutex> guard(eventLock());
  return waiters_.size();
}

void Event::release(bool all) {
  for (const Registration& r : waiters_) {
    if (r.waiter->fired != kNotFired) {
      continue;  // already released by another event of the same wait
    }
    r.waiter->fired = r.index;
    r.waiter->wake.notify_one();
    if (!all) {
      return;
    }
  }
}

uint32_t waitForAny(std::span<Event* const> events, uint32_t timeoutMs) {
  std::unique_lock<std::mutex> guard(eventLock());
  for (uint32_t i = 0; i < events.size(); ++i) {
    Event* e = events[i];
    if (e->signalled_) {
      if (e->reset_ == EventReset::Auto) {
        e->signalled_ = false;
      }
      return i;
    }
  }
  if (timeoutMs == 0 || events.empty()) {
    return Event::kTimedOut;
  }

  Event::Waiter waiter;
  for (uint32_t i = 0; i < events.size(); ++i) {
    events[i]->waiters_.push_back({&waiter, i});
  }
  auto released = [&waiter] { return waiter.fired != kNotFired; };
  if (timeoutMs == Event::kInfinite) {
    waiter.wake.wait(guard, released);
  } else {
    waiter.wake.wait_for(guard, std::chrono::milliseconds(timeoutMs), released);
  }
  for (Event* e : events) {
    auto& list = e->waiters_;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&waiter](const Event::Registration& r) { return r.waiter == &waiter; }),
               list.end());
  }
  // A signal handed over while the time-out ran out still counts: an auto event has already
  // given it up for this waiter and must not lose it.
  return waiter.fired != kNotFired ? waiter.fired : Event::kTimedOut;
}

}  // namespace platform
