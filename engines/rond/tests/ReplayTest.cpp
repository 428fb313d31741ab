// Replays of whole matches from the engine's side: a header-only file, and the simulation's
// independence from what is drawn.

#include "engines/rond/tests/MatchFixture.h"

#include "foundation/lerr/LExceptGame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

class ReplayTest : public rondtest::MatchFixture {};

TEST_F(ReplayTest, AHeaderOnlyFileFailsOnItsFirstStream) {
  // A match closed before its script asked to exit leaves the version and the seed alone.
  const std::u16string path = file("closed.rep");
  RondEngineSetup record = match();
  record.inputHistorySave = path;
  start(record).update();
  engine.reset();
  ASSERT_EQ(std::filesystem::file_size(folder / "closed.rep"), 8u);

  RondEngineSetup replay = match();
  replay.inputHistoryReplay = path;
  scripttest::ThrowingHook fatal;
  EXPECT_THROW(start(replay), LExceptGame);
  ASSERT_FALSE(errors().empty());
  EXPECT_EQ(errors().front(), u"Error: [File::readU32] ファイル操作でエラーが発生しました。");
}

TEST_F(ReplayTest, WhatIsDrawnNeverChangesTheMatch) {
  // Two engines of one process, run frame by frame side by side on the same seed and inputs
  // (a brain on slot 1 that presses at random), one drawing both players and the other none.
  RondEngineSetup both = match(true, true);
  RondEngineSetup none = match(false, false);
  giveBrain(both, 1, 1);
  giveBrain(none, 1, 1);
  start(both);
  std::unique_ptr<rond::Engine> drawing = std::move(engine);
  rond::Engine& blind = start(none);
  ASSERT_EQ(drawing->drawType(), 2);
  ASSERT_EQ(blind.drawType(), 0);
  for (int frame = 0; frame < 30; ++frame) {
    drawing->update();
    blind.update();
    uint64_t a = 0;
    uint64_t b = 0;
    drawing->stateHash(&a);
    blind.stateHash(&b);
    EXPECT_EQ(a, b) << "frame " << frame;
  }
}

}  // namespace
