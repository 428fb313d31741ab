// The player table through the test fighter's script: movement along the facing or the world,
// the rotation's wrap, parameters read across players and the controller's flat flag index.

#include "engines/rond/tests/MatchFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using rondtest::kLife;
using rondtest::kMode;
using rondtest::kQuietFrames;

class PlayerNativesTest : public rondtest::MatchFixture {
 protected:
  // One frame with the fighter of slot 0 in a mode.
  void runMode(int32_t mode) {
    param(0, kMode).value = mode;
    engine->update();
  }
};

TEST_F(PlayerNativesTest, MoveForwardFollowsTheFacingOrTheWorld) {
  // Slot 0 starts facing -Z (angle 3217); 0.5 world units a frame are 512 fixed units.
  struct Case {
    int32_t mode;
    FixedVec3 delta;
  } cases[] = {
      {4, {0, 0, -512}},
      {5, {0, 0, 512}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    start(match());
    const FixedVec3 before = engine->player(0)->position;
    runMode(c.mode);
    const FixedVec3 after = engine->player(0)->position;
    EXPECT_EQ(after.x - before.x, c.delta.x);
    EXPECT_EQ(after.y - before.y, c.delta.y);
    EXPECT_EQ(after.z - before.z, c.delta.z);
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(PlayerNativesTest, SetRotWrapsIntoOneTurn) {
  start(match());
  runMode(6);
  EXPECT_EQ(engine->player(0)->rotationAngle, 4826) << "-1608 wrapped";
}

TEST_F(PlayerNativesTest, ParametersAcrossPlayers) {
  start(match());
  runMode(7);
  EXPECT_EQ(param(0, rondtest::kHandle).value, 77) << "the own slot read as another's";
  EXPECT_EQ(param(0, kQuietFrames).value, 100) << "the other player's life";
  runMode(9);
  EXPECT_EQ(param(0, kLife).value, 100) << "back to the definition's value";
  EXPECT_TRUE(errors().empty());
}

TEST_F(PlayerNativesTest, ControllerFlagsShareOneFlatIndex) {
  start(match());
  runMode(8);
  EXPECT_EQ(param(0, rondtest::kHandle).value, 11);
  EXPECT_TRUE(errors().empty());
}

}  // namespace
