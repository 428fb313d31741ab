#pragma once

#include "platform/kernel/Clock.h"

#include <cstdint>
#include <vector>

// A scripted clock, installed while it lives: time moves only when the test advances it or when
// the code under test sleeps (a sleep of n ms advances n ms; a yield advances 0.1 ms, so polling
// loops end). Every sleep request is recorded.
class FakeClock : public platform::Clock {
 public:
  explicit FakeClock(uint64_t frequency) : frequency_(frequency) { platform::setClock(this); }
  ~FakeClock() override { platform::setClock(nullptr); }
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  uint64_t counterFrequency() override { return frequency_; }
  uint64_t counter() override { return ticks_; }
  uint32_t milliseconds() override {
    return static_cast<uint32_t>(millisecondBase_ + ticks_ * 1000 / frequency_);
  }
  void sleep(uint32_t milliseconds) override {
    sleeps.push_back(milliseconds);
    ticks_ += milliseconds == 0 ? yieldTicks() : milliseconds * frequency_ / 1000;
  }

  void advanceTicks(uint64_t ticks) { ticks_ += ticks; }
  void advanceMilliseconds(uint64_t milliseconds) { ticks_ += milliseconds * frequency_ / 1000; }
  uint64_t ticks() const { return ticks_; }
  // Where the 32-bit millisecond time stands at tick 0, to place its wrap.
  void setMillisecondBase(uint32_t base) { millisecondBase_ = base; }

  std::vector<uint32_t> sleeps;

 private:
  uint64_t yieldTicks() const { return frequency_ >= 10000 ? frequency_ / 10000 : 1; }

  uint64_t frequency_;
  uint64_t ticks_ = 0;
  uint32_t millisecondBase_ = 0;
};
