// The AI brains: the values a brain script writes become a pad's flags, brains read the match
// through their table, and a brain that draws random numbers or tries to change the match does
// not stop the match from replaying.

#include "engines/rond/Brain.h"

#include "engines/rond/tests/MatchFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using rondtest::kQuietFrames;

class BrainTest : public rondtest::MatchFixture {
 protected:
  // Button 0's pressed, held and third flags of a slot's controller.
  std::array<int, 3> button0(int32_t slot) const {
    const auto& flags = engine->player(slot)->controller()->flags();
    return {flags[0], flags[16], flags[32]};
  }
};

TEST_F(BrainTest, ValuesBecomeFlagsAtTheThresholds) {
  // Per frame, button 0's value (in 1/10000) and the flags it gives: pressed, held, third.
  struct Frame {
    int32_t value;
    std::array<int, 3> flags;
  };
  struct Case {
    const char* what;
    std::vector<Frame> frames;
  } cases[] = {
      {"nothing set", {{0, {0, 0, 0}}, {0, {0, 0, 0}}}},
      {"0.5 presses", {{5000, {1, 1, 0}}}},
      {"0.4999 does not", {{4999, {0, 0, 0}}}},
      {"held at 1.0: pressed and third in its first frame only",
       {{10000, {1, 1, 1}}, {10000, {0, 1, 0}}, {10000, {0, 1, 0}}}},
      {"third needs a start below 0.01", {{100, {0, 0, 0}}, {10000, {1, 1, 0}}}},
      {"from 0.0099 it comes", {{99, {0, 0, 0}}, {10000, {1, 1, 1}}}},
      {"third needs more than 0.99", {{0, {0, 0, 0}}, {9900, {1, 1, 0}}}},
      {"a release presses again", {{10000, {1, 1, 1}}, {3999, {0, 0, 0}}, {6000, {1, 1, 0}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RondEngineSetup setup = match();
    giveBrain(setup, 0, 0);
    rond::Engine& e = start(setup);
    ASSERT_EQ(e.player(0)->controller()->getType(), Controller::kTypeBrain);
    EXPECT_EQ(e.player(1)->controller()->getType(), Controller::kTypeBase);
    for (size_t f = 0; f < c.frames.size(); ++f) {
      param(0, kQuietFrames).value = c.frames[f].value;
      e.update();
      EXPECT_EQ(button0(0), c.frames[f].flags) << "frame " << f;
    }
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(BrainTest, WithTasksOffTheLastFlagsRepeatAndAreRecorded) {
  RondEngineSetup setup = match();
  giveBrain(setup, 1, 0);
  setup.inputHistorySave = file("tasks.rep");
  rond::Engine& e = start(setup);
  param(1, kQuietFrames).value = 10000;
  e.update();
  EXPECT_EQ(button0(1), (std::array<int, 3>{1, 1, 1}));
  e.setTaskEnable(false);
  param(1, kQuietFrames).value = 0;
  e.update();
  e.update();
  EXPECT_EQ(button0(1), (std::array<int, 3>{1, 1, 1}));
  EXPECT_FLOAT_EQ(e.player(1)->controller()->analog()[0], 1.0f);
  const ControllerRecordLog* log = e.player(1)->controller()->recordLog();
  ASSERT_NE(log, nullptr);
  ASSERT_EQ(log->count(), 1u);
  EXPECT_EQ(log->entry(0).repeat, 2u) << "three identical frames";
  // Back on, the brain runs again and sees the value fall.
  e.setTaskEnable(true);
  e.update();
  EXPECT_EQ(button0(1), (std::array<int, 3>{0, 0, 0}));
}

TEST_F(BrainTest, TheBrainTableReadsTheMatch) {
  RondEngineSetup setup = match();
  giveBrain(setup, 0, 2);
  rond::Engine& e = start(setup);
  e.update();
  const auto& analog = e.player(0)->controller()->analog();
  // The other player's z before anyone moved, the own angle in degrees, the stage's move box,
  // the own life, the level, the slot, the directory's name, the extents' radius.
  EXPECT_FLOAT_EQ(analog[0], -1.0f);
  EXPECT_NEAR(analog[1], 180.0f, 0.01f);
  EXPECT_FLOAT_EQ(analog[2], 5.0f);
  EXPECT_FLOAT_EQ(analog[3], 100.0f);
  EXPECT_FLOAT_EQ(analog[4], 2.0f);
  EXPECT_FLOAT_EQ(analog[5], 0.0f);
  EXPECT_FLOAT_EQ(analog[6], 1.0f);
  EXPECT_FLOAT_EQ(analog[7], fixedToFloat(e.player(0)->extents.radius));
  EXPECT_EQ(errors(), std::vector<std::u16string>{u"[] Script Error: analog index out of range(16)"});
}

TEST_F(BrainTest, ABrainThatDrawsAndMeddlesReplaysAlike) {
  const std::u16string path = file("brain.rep");
  RondEngineSetup setup = match();
  giveBrain(setup, 1, 1);
  setup.inputHistorySave = path;
  rond::Engine& e = start(setup);
  constexpr int kFrames = 40;
  std::vector<uint64_t> recorded;
  int heldFrames = 0;
  for (int frame = 0; frame < kFrames; ++frame) {
    if (frame == kFrames - 1) e.requestExit();
    e.update();
    recorded.push_back(hash());
    heldFrames += e.player(1)->controller()->held()[0];
  }
  // The brain pressed at random, and its attempts to change the match were refused.
  EXPECT_GT(heldFrames, 0);
  EXPECT_LT(heldFrames, kFrames);
  EXPECT_EQ(e.parameterTables().system.at(1).value, kFrames) << "the system script's count";
  const std::vector<std::u16string> seen = errors();
  ASSERT_EQ(seen.size(), size_t(2 * kFrames));
  EXPECT_EQ(seen[0], u"[] Script Error: a brain script cannot call systemSetParameterValue");
  EXPECT_EQ(seen[1], u"[] Script Error: a brain script cannot call systemRequestExit");

  LogCapture::messages().clear();
  RondEngineSetup replay = match();
  giveBrain(replay, 1, 1);
  replay.inputHistoryReplay = path;
  rond::Engine& r = start(replay);
  EXPECT_EQ(r.player(1)->controller()->getType(), Controller::kTypeReplay);
  for (int frame = 0; frame < kFrames; ++frame) {
    r.update();
    EXPECT_EQ(hash(), recorded[size_t(frame)]) << "frame " << frame;
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(BrainTest, TwoBrainsDrawTheirOwnNumbers) {
  // The same script on both slots presses differently: each brain's generator is its own.
  RondEngineSetup setup = match();
  giveBrain(setup, 0, 1);
  giveBrain(setup, 1, 1);
  rond::Engine& e = start(setup);
  int differ = 0;
  for (int frame = 0; frame < 20; ++frame) {
    e.update();
    differ += e.player(0)->controller()->held()[0] != e.player(1)->controller()->held()[0];
  }
  EXPECT_GT(differ, 0);
}

}  // namespace
