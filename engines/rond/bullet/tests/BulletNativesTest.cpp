// The bullet natives of the player table driven by the shooter script: requests against a
// type's pool, and the handles of programs checked at every use.

#include "engines/rond/RondEngine.h"
#include "engines/rond/tests/BulletMatchFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Parameters of the shooter (tests/scripts/shooter/main.nut).
enum : uint32_t { kResult = 1, kCanAdd = 2, kMode = 4, kHandle = 5 };

class BulletNativesTest : public rondtest::BulletMatchFixture {
 protected:
  BulletNativesTest() { start(u"shooter"); }

  int32_t& param(int32_t slot, uint32_t index) {
    return engine->player(slot)->parameters.at(index).value;
  }
  static std::vector<std::u16string> errors() {
    std::vector<std::u16string> texts;
    for (const auto& m : LogCapture::messages()) {
      if (m.level == OMB_LOG_ERROR) texts.push_back(m.text);
    }
    return texts;
  }
  size_t live(int32_t side) { return engine->bullets().live(side).size(); }
};

TEST_F(BulletNativesTest, AFrameOfRequestsStopsAtThePool) {
  ASSERT_TRUE(errors().empty()) << testsupport::u8(errors().front());
  param(0, kMode) = 1;
  engine->update();
  EXPECT_TRUE(errors().empty()) << testsupport::u8(errors().front());
  EXPECT_EQ(param(0, kResult), 3);
  EXPECT_EQ(param(0, kCanAdd), 0);
  EXPECT_EQ(live(0), 3u);
  EXPECT_EQ(live(1), 0u);
  // Relative to the player: 2 up and 1 ahead along its facing.
  const rond::Player& p = *engine->player(0);
  const rond::Bullet* b = engine->bullets().live(0).front();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->position.y, p.position.y + 2048);
  EXPECT_NEAR(b->position.z, p.position.z - 1024, 2) << "player 0 faces -z";
  // A rotation axis without an angle is no rotation: the bullet faces as its player.
  EXPECT_FLOAT_EQ(b->rotation.y, p.rotation.y);
  EXPECT_TRUE(errors().empty());
}

TEST_F(BulletNativesTest, ProgramHandlesAreCheckedAtEveryUse) {
  param(0, kMode) = 3;
  engine->update();
  const int32_t handle = param(0, kHandle);
  ASSERT_NE(handle, 0);
  param(0, kMode) = 2;
  engine->update();
  EXPECT_EQ(param(0, kResult), 1);
  EXPECT_TRUE(errors().empty());

  const std::u16string invalid = u"[] Script Error: invalid bullet motion handle(" +
                                 testsupport::u16(std::to_string(handle)) + u")";
  struct Case {
    int32_t slot, handle;
    bool restartFirst;
  } cases[] = {
      {1, handle, false},      // the other player's program
      {0, handle + 1, false},  // a made-up number
      {0, handle, true},       // a program of a restarted player
  };
  for (const Case& c : cases) {
    if (c.restartFirst) engine->player(0)->setupScript();
    LogCapture::messages().clear();
    param(c.slot, kResult) = 7;
    param(c.slot, kHandle) = c.handle;
    param(c.slot, kMode) = 2;
    engine->update();
    EXPECT_EQ(param(c.slot, kResult), 0);
    ASSERT_EQ(errors().size(), 1u);
    if (c.handle == handle) {
      EXPECT_EQ(errors()[0], invalid);
    }
  }
  // A bind naming the other player's program is refused when the program is read.
  LogCapture::messages().clear();
  param(0, kMode) = 3;
  engine->update();
  param(1, kHandle) = param(0, kHandle);
  param(1, kMode) = 4;
  engine->update();
  EXPECT_NE(param(1, kResult), 0) << "the program itself is made";
  EXPECT_EQ(errors().size(), 1u);
  EXPECT_TRUE(engine->bullets().programs().back()->ops.empty()) << "without the bind, no generator";
}

TEST_F(BulletNativesTest, AMatchWithBulletsHashesAlikeUnderOneSeed) {
  auto run = [this](bool shoot) {
    start(u"shooter");
    std::vector<uint64_t> hashes;
    for (int frame = 0; frame < 12; ++frame) {
      if (shoot && frame % 4 == 1) param(frame % 8 == 1 ? 0 : 1, kMode) = 1;
      engine->update();
      uint64_t hash = 0;
      EXPECT_TRUE(engine->stateHash(&hash));
      hashes.push_back(hash);
    }
    return hashes;
  };
  const std::vector<uint64_t> first = run(true);
  EXPECT_EQ(run(true), first);
  const std::vector<uint64_t> quiet = run(false);
  EXPECT_EQ(quiet[0], first[0]);
  EXPECT_NE(quiet.back(), first.back());
  EXPECT_TRUE(errors().empty());
}

}  // namespace
