#include "foundation/omb/ombTimer.h"

#include "testsupport/FakeClock.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace {

// Runs the timer module on a fake clock of the given frequency.
class TimerOnFakeClock {
 public:
  explicit TimerOnFakeClock(uint64_t frequency) : clock(frequency) {
    ombTimerInit();
    ombTimerSetEnable64(false);
    ombTimerSetEnable64(true);
  }
  ~TimerOnFakeClock() { ombTimerSetEnable64(false); }
  LogCapture log;
  FakeClock clock;
};

// A sleep may overrun when the machine is busy (tests run in parallel), so an upper bound is
// checked on the best of a few tries; the lower bound must hold on every try.
template <class Sleep>
std::chrono::steady_clock::duration shortestOfTries(std::chrono::steady_clock::duration bound,
                                                    Sleep&& sleep) {
  auto best = std::chrono::steady_clock::duration::max();
  for (int attempt = 0; attempt < 5 && best >= bound; ++attempt) {
    best = std::min(best, sleep());
  }
  return best;
}

// The real clock: a counter of at most 500 MHz that agrees with the system's steady clock, and a
// 20 ms sleep in ticks that lasts 20 to 30 ms.
TEST(ombTimer, RealClock) {
  ombTimerInit();
  ombTimerSetEnable64(true);
  const uint64_t frequency = ombTimerGetFrequency64();
  EXPECT_GT(frequency, 1000u);
  EXPECT_LE(frequency, OMB_TIMER_MAX_FREQUENCY);
  const auto best = shortestOfTries(std::chrono::milliseconds(30), [&] {
    const uint64_t before = ombTimerGetCount64();
    const auto start = std::chrono::steady_clock::now();
    const uint64_t ticks = frequency / 50;
    EXPECT_GE(ombTimerSleep64(static_cast<int64_t>(ticks)), ticks);
    const auto real = std::chrono::steady_clock::now() - start;
    const uint64_t counted = ombTimerGetCount64() - before;
    EXPECT_GE(real, std::chrono::milliseconds(20));
    EXPECT_NEAR(static_cast<double>(counted) / static_cast<double>(frequency),
                std::chrono::duration<double>(real).count(), 0.001);
    return real;
  });
  EXPECT_LT(best, std::chrono::milliseconds(30));
}

// The millisecond sleep counts whole milliseconds of a millisecond time, so it may end up to a
// millisecond short of the real span, as the system's millisecond timer does.
TEST(ombTimer, RealMillisecondSleep) {
  ombTimerInit();
  const auto best = shortestOfTries(std::chrono::milliseconds(30), [] {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_GE(ombTimerSleepMilliseconds(20), 20u);
    const auto real = std::chrono::steady_clock::now() - start;
    EXPECT_GE(real, std::chrono::milliseconds(19));
    return real;
  });
  EXPECT_LT(best, std::chrono::milliseconds(30));
}

TEST(ombTimer, EnablingReportsTheFrequency) {
  TimerOnFakeClock timer(10000000);
  ombTimerSetEnable64(false);
  ombTimerSetEnable64(true);
  ombTimerSetEnable64(true);  // already on: nothing
  const std::vector<LogCapture::Message> expected = {
      {3, u"Information: [ombTimerSetEnable64] disable performance counter"},
      {3, u"Information: [ombTimerSetEnable64] enable performance counter(10000000)"},
  };
  EXPECT_EQ(std::vector<LogCapture::Message>(LogCapture::messages().end() - 2,
                                             LogCapture::messages().end()),
            expected);
}

// A counter above 500 MHz is not used: the module counts milliseconds, across the 32-bit wrap.
TEST(ombTimer, FastCounterFallsBackToMilliseconds) {
  TimerOnFakeClock timer(1000000000);
  EXPECT_EQ(ombTimerGetFrequency64(), 1000u);
  timer.clock.setMillisecondBase(0xFFFFFFF0u);
  const uint64_t before = ombTimerGetCount64();
  timer.clock.advanceMilliseconds(40);
  EXPECT_EQ(ombTimerGetCount64() - before, 40u);
  EXPECT_EQ(timer.clock.milliseconds(), 24u);  // the millisecond time itself has wrapped
}

TEST(ombTimer, SleepsStopThreeMillisecondsEarlyAndThenYield) {
  TimerOnFakeClock timer(10000000);
  EXPECT_EQ(ombTimerSleep64(0), 0u);
  EXPECT_EQ(ombTimerSleep64(-5), 0u);
  EXPECT_EQ(ombTimerSleepMilliseconds(0), 0u);
  EXPECT_TRUE(timer.clock.sleeps.empty());

  // 2 ms: below the margin, only yields.
  EXPECT_EQ(ombTimerSleepMilliseconds(2), 2u);
  EXPECT_EQ(timer.clock.sleeps, std::vector<uint32_t>(20, 0));

  // 10.5 ms in ticks: 7 whole milliseconds, then yields up to the exact count.
  timer.clock.sleeps.clear();
  EXPECT_EQ(ombTimerSleep64(105000), 105000u);
  ASSERT_FALSE(timer.clock.sleeps.empty());
  EXPECT_EQ(timer.clock.sleeps[0], 7u);
  EXPECT_EQ(timer.clock.sleeps.size(), 1u + 35u);
}

TEST(ombTimer, MillisecondClockSleepsInMilliseconds) {
  TimerOnFakeClock timer(2000000000);
  EXPECT_EQ(ombTimerSleep64(10), 10u);
  ASSERT_FALSE(timer.clock.sleeps.empty());
  EXPECT_EQ(timer.clock.sleeps[0], 7u);
}

}  // namespace
