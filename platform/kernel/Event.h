#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace platform {

enum class EventReset { Manual, Auto };
enum class EventInitial { NonSignalled, Signalled };

// A manual- or auto-reset event with the semantics the runtime was written against:
// - set: a manual event stays signalled and releases every waiter; an auto event releases exactly
//   one waiter (the longest waiting) and stays non-signalled, or stays signalled until one wait
//   consumes it when nobody waits;
// - pulse: releases every current waiter (manual) or one of them (auto) and leaves the event
//   non-signalled whether or not anybody was waiting;
// - wait: returns kSignalled, or kTimedOut when the time-out passed first.
// An event must outlive every wait on it and every object that signals it.
class Event {
 public:
  static constexpr uint32_t kInfinite = 0xFFFFFFFFu;
  static constexpr uint32_t kSignalled = 0;
  static constexpr uint32_t kTimedOut = 0x102;

  Event(EventReset reset, EventInitial initial);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void set();
  void reset();
  void pulse();
  uint32_t wait(uint32_t timeoutMs);

  // Number of waits now blocked on this event; lets a test release waiters it knows are waiting.
  std::size_t waiting() const;

 private:
  struct Waiter;
  struct Registration {
    Waiter* waiter;
    uint32_t index;
  };
  friend uint32_t waitForAny(std::span<Event* const> events, uint32_t timeoutMs);

  void release(bool all);

  const EventReset reset_;
  bool signalled_;
  std::vector<Registration> waiters_;  // in the order the waits began
};

// Waits until one of the events is signalled and returns its index (consuming the signal of an
// auto-reset event), or Event::kTimedOut. When several are signalled at once, the lowest index
// wins. A time-out of 0 only tests the events.
uint32_t waitForAny(std::span<Event* const> events, uint32_t timeoutMs);

inline uint32_t waitForAny(std::initializer_list<Event*> events, uint32_t timeoutMs) {
  return waitForAny(std::span<Event* const>(events.begin(), events.size()), timeoutMs);
}

}  // namespace platform
