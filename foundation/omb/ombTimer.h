#pragma once

#include <cstdint>

// The timer module: one 64-bit tick counter (the platform's monotonic counter when its frequency
// is at most 500,000,000 per second, otherwise milliseconds), sleeps in ticks and a millisecond
// sleep. Everything goes through platform::clock(), which tests replace with a fake.

inline constexpr uint64_t OMB_TIMER_MAX_FREQUENCY = 500000000;

void ombTimerInit();
void ombTimerUninit();
// Switches between the counter and the millisecond clock.
void ombTimerSetEnable64(bool enable);
// Ticks per second: the counter's frequency, or 1000 while the counter is off.
uint64_t ombTimerGetFrequency64();
uint64_t ombTimerGetCount64();
// Sleeps the ticks (whole milliseconds until 3 ms before the end, then yields); returns the
// elapsed ticks; 0 at once for a count of 0 or less.
uint64_t ombTimerSleep64(int64_t ticks);
// Sleeps until 3 ms before the end, then yields; returns the elapsed milliseconds.
uint32_t ombTimerSleepMilliseconds(uint32_t milliseconds);
