// Object motion: the move-result bits, the velocity model and the move in world space.

#include "engines/rond/Object.h"

#include <gtest/gtest.h>

namespace {

using rond::Object;

TEST(ObjectMotion, MoveResultBitsUnderEitherBias) {
  struct Case {
    int32_t requested, applied;
    uint32_t bits;  // of the x axis; z has the same bits shifted by 6, y is left unchanged
  } cases[] = {
      {10, 10, 0},
      {10, 4, 1 | 2},      // 4 < 10 >> 1
      {10, 5, 1},          // exactly half is not less than half
      {10, 0, 1 | 2 | 4},
      {10, 12, 1},
      {-10, -4, 1 | 2},    // -4 > -10 >> 1
      {-10, -5, 1},
      {-10, 0, 1 | 2 | 4},
      {-9, -5, 1},         // -9 >> 1 is -5 (arithmetic shift)
      {-9, -4, 1 | 2},
      {0, 3, 1},
  };
  for (int32_t bias : {0, 1024}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "bias " << bias << ": " << c.requested << " -> "
                                      << c.applied);
      Object o;
      o.bias = {bias, bias, bias};
      o.requestedMove = {c.requested, c.requested, c.requested};
      o.appliedMove = {c.applied, c.requested, c.applied};
      o.position = {100, 200, 300};
      o.applyMotion();
      EXPECT_EQ(o.moveResult, c.bits | (c.bits << 6));
      EXPECT_EQ(o.position.x, 100 + c.applied);
      EXPECT_EQ(o.position.y, 200 + c.requested);
      EXPECT_EQ(o.position.z, 300 + c.applied);
    }
  }
}

TEST(ObjectMotion, VelocityApproachesTheTargetThenKeepsTheBiasShare) {
  struct Case {
    int32_t v, target, acceleration, bias, next;
  } cases[] = {
      {500, 0, 0, 1024, 500},    // no acceleration, no bias: the velocity stays as set
      {500, 0, 0, 0, 0},         // bias 0: the target at once
      {500, 100, 0, 512, 300},   // half the distance kept
      {-500, 100, 0, 512, -200},
      {0, 100, 30, 1024, 30},
      {90, 100, 30, 1024, 100},  // never past the target
      {100, 0, -30, 1024, 70},
      {10, 0, -30, 1024, 0},
      {100, 0, 30, 1024, 100},   // a positive acceleration does not slow down
      {0, 100, -30, 1024, 0},    // nor does a negative one speed up
      {0, 100, 30, 512, 65},     // 30 first, then 70 * 512 / 1024 = 35 kept
      {0, 3, 0, 1, 3},           // truncation toward zero of the kept share
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v << " to " << c.target << " by " << c.acceleration
                                    << " bias " << c.bias);
    Object o;
    o.velocity = {c.v, c.v, c.v};
    o.target = {c.target, c.target, c.target};
    o.acceleration = {c.acceleration, c.acceleration, c.acceleration};
    o.bias = {c.bias, c.bias, c.bias};
    o.applyMotion();
    EXPECT_EQ(o.velocity.x, c.next);
    EXPECT_EQ(o.velocity.y, c.next);
    EXPECT_EQ(o.velocity.z, c.next);
  }
}

TEST(ObjectMotion, SetMotionResetsTheModel) {
  Object o;
  o.acceleration = {5, 5, 5};
  o.bias = {0, 0, 0};
  o.setMotion({7, -8, 9});
  EXPECT_EQ(o.velocity.y, -8);
  EXPECT_EQ(o.target.z, 9);
  EXPECT_EQ(o.acceleration.x, 0);
  EXPECT_EQ(o.bias.y, 1024);
}

TEST(ObjectMotion, TheVelocityTurnsWithTheFacingUnlessInWorldSpace) {
  struct Case {
    int32_t angle;
    uint32_t moveFlags;
    FixedVec3 velocity, move;
  } cases[] = {
      {0, 0, {10, 20, 1000}, {10, 20, 1000}},
      // Half a turn: forward becomes -z, side becomes -x.
      {3217, 0, {10, 20, 1000}, {-10, 20, -1000}},
      // A quarter turn: forward becomes +x.
      {1608, 0, {0, 0, 1000}, {1000, 0, 0}},
      {3217, rond::kMoveWorldSpace, {10, 20, 1000}, {10, 20, 1000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "angle " << c.angle << " flags " << c.moveFlags);
    Object o;
    o.rotation = quatFromYaw(c.angle);
    o.moveFlags = c.moveFlags;
    o.velocity = c.velocity;
    o.motionToWorld();
    EXPECT_EQ(o.requestedMove.x, c.move.x);
    EXPECT_EQ(o.requestedMove.y, c.move.y);
    EXPECT_EQ(o.requestedMove.z, c.move.z);
    EXPECT_EQ(o.appliedMove.x, o.requestedMove.x);
    EXPECT_EQ(o.appliedMove.z, o.requestedMove.z);
  }
}

}  // namespace
