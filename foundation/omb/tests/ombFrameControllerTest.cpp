#include "foundation/omb/ombFrameController.h"

#include "foundation/omb/ombTimer.h"
#include "testsupport/FakeClock.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The timer module on a fake clock; frequency 1000 is the millisecond clock (a fake counter
// above 500 MHz), any other value the counter.
class Paced {
 public:
  explicit Paced(uint64_t frequency) : clock(frequency == 1000 ? 1000000000 : frequency) {
    ombTimerInit();
    ombTimerSetEnable64(false);
    ombTimerSetEnable64(true);
  }
  ~Paced() { ombTimerSetEnable64(false); }

  // One frame that costs `work` milliseconds before drawing; returns 'd' when drawn, 's' when
  // skipped. A drawn frame then waits as the engine loop does.
  char frame(OMB_FRAMECONTROLLER* c, uint64_t workMilliseconds = 0) {
    const bool skip = ombFrameControllerUpdate(c);
    clock.advanceMilliseconds(workMilliseconds);
    ombFrameControllerWait(c);
    return skip ? 's' : 'd';
  }

  LogCapture log;
  FakeClock clock;
};

TEST(ombFrameController, IntervalIsSixteenDotSixteenTicksRounded) {
  struct Case {
    uint64_t frequency;
    uint32_t fps;
    uint64_t interval;
  };
  const Case cases[] = {
      {1000, 60, 1092267},
      {1000, 120, 546133},
      {10000000, 60, 10922666667},
      {10000000, 120, 5461333333},
  };
  for (const auto& c : cases) {
    Paced paced(c.frequency);
    OMB_FRAMECONTROLLER controller;
    ombFrameControllerInit(&controller, c.fps);
    EXPECT_EQ(controller.interval, c.interval) << c.frequency << " at " << c.fps;
  }
}

// The carried fraction makes the long-run rate exact: 60 updates at 60 per second advance the
// schedule by one second of ticks, in 16 and 17 ms steps on the millisecond clock.
TEST(ombFrameController, SixtyUpdatesAdvanceExactlyOneSecond) {
  for (const uint64_t frequency : {uint64_t{1000}, uint64_t{10000000}}) {
    Paced paced(frequency);
    OMB_FRAMECONTROLLER controller;
    ombFrameControllerInit(&controller, 60);
    uint64_t previous = 0;
    for (int i = 0; i < 60; ++i) {
      ombFrameControllerUpdate(&controller);
      if (frequency == 1000) {
        const uint64_t step = controller.schedule - previous;
        EXPECT_TRUE(step == 16 || step == 17) << step;
      }
      previous = controller.schedule;
    }
    EXPECT_EQ(controller.schedule, frequency);
  }
}

// On an idle machine every frame is drawn and the wait sleeps until the frame is due.
TEST(ombFrameController, IdleLoopDrawsEveryFrameOnTime) {
  Paced paced(10000000);
  OMB_FRAMECONTROLLER controller;
  ombFrameControllerInit(&controller, 60);
  std::string pattern;
  for (int i = 0; i < 120; ++i) {
    pattern += paced.frame(&controller, 2);
  }
  EXPECT_EQ(pattern, std::string(120, 'd'));
  EXPECT_EQ(paced.clock.ticks() - controller.start, 20000000u);
  // The frame due at 2 s closes the second statistics second: 60 frames, all drawn.
  paced.frame(&controller, 2);
  EXPECT_EQ(controller.framesLastSecond, 60u);
  EXPECT_EQ(controller.drawnLastSecond, 60u);
  EXPECT_EQ(controller.adaptation, 0);
}

// A loop that is always late skips, but draws one frame every second.
TEST(ombFrameController, LateLoopStillDrawsOncePerSecond) {
  Paced paced(1000);
  OMB_FRAMECONTROLLER controller;
  ombFrameControllerInit(&controller, 60);
  std::string pattern;
  for (int i = 0; i < 40; ++i) {
    pattern += paced.frame(&controller, 100);
  }
  // Frame 1 is due at 16 ms and comes at 0; from then on every frame is late, and every
  // tenth frame (1000 ms after the last draw) is drawn anyway.
  EXPECT_EQ(pattern, "dsssssssss" "dsssssssss" "dsssssssss" "dsssssssss");
}

TEST(ombFrameController, ForcedSkipLevelSkipsNOfEveryNPlusOneFrames) {
  Paced paced(10000000);
  OMB_FRAMECONTROLLER controller;
  ombFrameControllerInit(&controller, 60);
  controller.forcedSkipLevel = 2;
  std::string pattern;
  for (int i = 0; i < 9; ++i) {
    pattern += paced.frame(&controller);
  }
  EXPECT_EQ(pattern, "ssdssdssd");
}

// Drawing one frame a second is slow at every level: the level rises after six slow seconds
// from a reset and again after every further six, up to 4.
TEST(ombFrameController, LevelRisesAfterSlowSecondsUpToFour) {
  Paced paced(1000);
  OMB_FRAMECONTROLLER controller;
  ombFrameControllerInit(&controller, 60);
  std::string levels;  // the level after each statistics second
  for (int i = 0; i <= 10 * 32; ++i) {  // 100 ms a frame: 32 seconds
    paced.frame(&controller, 100);
    if (i % 10 == 0 && i != 0) {
      levels += static_cast<char>('0' + controller.forcedSkipLevel);
    }
  }
  EXPECT_EQ(levels, "00000111111222222333333444444444");
}

// One stall of 30 s in an otherwise smooth run counts as one slow second, not thirty.
TEST(ombFrameController, SingleLongStallDoesNotRaiseTheLevel) {
  Paced paced(10000000);
  OMB_FRAMECONTROLLER controller;
  ombFrameControllerInit(&controller, 60);
  for (int i = 0; i < 90; ++i) {
    paced.frame(&controller, 1);
  }
  paced.clock.advanceMilliseconds(30000);
  // Catching up skips frames that each cost 1 ms (about 2 s); then the loop runs smoothly again.
  for (int i = 0; i < 60 * 40; ++i) {
    paced.frame(&controller, 1);
    ASSERT_EQ(controller.forcedSkipLevel, 0u) << "frame " << i;
  }
  EXPECT_EQ(controller.drawnLastSecond, 60u);
  EXPECT_LE(paced.clock.ticks() - controller.secondStart, 10000000u);
}

TEST(ombFrameController, ResetRestartsTheSchedule) {
  Paced paced(1000);
  OMB_FRAMECONTROLLER controller;
  ombFrameControllerInit(&controller, 60);
  for (int i = 0; i < 5; ++i) {
    paced.frame(&controller, 100);
  }
  controller.forcedSkipLevel = 3;
  ombFrameControllerReset(&controller);
  EXPECT_EQ(controller.schedule, 0u);
  EXPECT_EQ(controller.forcedSkipLevel, 0u);
  EXPECT_EQ(controller.adaptation, -1);
  EXPECT_EQ(paced.frame(&controller), 'd');
}

}  // namespace
