#include "engines/rond/bullet/BulletProgram.h"

#include <gtest/gtest.h>

namespace rond {
namespace {

constexpr float kDeg = 0.017453292f;

TEST(BulletTextTest, MoveTextsGiveFixedPointSpeeds) {
  struct Case {
    const char16_t* text;
    int32_t speed, target, step;
  } cases[] = {
      {u"2", 2048, 2048, 0},
      {u"0 4 0.5", 0, 4096, 512},
      {u"\u3000 1.5\t3", 1536, 3072, 0},  // blanks include tab and the ideographic space
      {u"speed=9 2", 0, 2048, 0},         // a word's "= value" is skipped
      {u"", 0, 0, 0},
  };
  for (const Case& c : cases) {
    const BulletOp op = parseBulletMove(c.text);
    EXPECT_EQ(op.kind, BulletOpKind::Move);
    EXPECT_EQ(op.speed, c.speed);
    EXPECT_EQ(op.targetSpeed, c.target);
    EXPECT_EQ(op.speedStep, c.step);
  }
}

TEST(BulletTextTest, LockonReadsFurtherNumbersOnlyWhenTheyBeginWithADigit) {
  struct Case {
    const char16_t* text;
    float rate, limit, change;
    uint32_t flags;
  } cases[] = {
      {u"3 -1", 3, 3, 0, 0},  // "-1" is a word, and no known one
      {u"3 5 0.5 continue XZ", 3, 5, 0.5f, kLockonOpContinue | kLockonOpXz},
      {u"2 \uFF18 rotx", 2, 0, 0, kLockonOpRotX},  // a full-width digit starts a number
      {u"4 continue=yes rotX", 4, 4, 0, kLockonOpContinue | kLockonOpRotX},
      {u"1 2 3 4 xzz", 1, 2, 3, 0},
  };
  for (const Case& c : cases) {
    const BulletOp op = parseBulletLockon(c.text);
    EXPECT_FLOAT_EQ(op.rate, c.rate * kDeg);
    EXPECT_FLOAT_EQ(op.limit, c.limit * kDeg);
    EXPECT_FLOAT_EQ(op.change, c.change * kDeg);
    EXPECT_EQ(op.lockFlags, c.flags);
  }
}

TEST(BulletTextTest, RotationRangesAreTheFarEndOfTheAxisAndTheAngleWidth) {
  const BulletOp one = parseBulletRot(u"0 1 0 -30", BulletOpKind::Rot);
  EXPECT_FLOAT_EQ(one.axis.y, 1.0f);
  EXPECT_FLOAT_EQ(one.angle, -30 * kDeg);
  EXPECT_EQ(one.angleRange, 0.0f);
  const BulletOp ranged = parseBulletRot(u"1 2 3 -30 2 2 5 60", BulletOpKind::Drot);
  EXPECT_EQ(ranged.kind, BulletOpKind::Drot);
  EXPECT_FLOAT_EQ(ranged.axisRange.x, 1.0f);
  EXPECT_FLOAT_EQ(ranged.axisRange.y, 0.0f);
  EXPECT_FLOAT_EQ(ranged.axisRange.z, 2.0f);
  EXPECT_FLOAT_EQ(ranged.angleRange, 60 * kDeg);
}

TEST(BulletTextTest, SeveralRotationsAreMultipliedIntoOneAxisAndAngle) {
  const BulletOp half = parseBulletRots({u"0 1 0 90", u"0 2 0 90"}, BulletOpKind::Rot);
  EXPECT_NEAR(half.angle, 180 * kDeg, 1e-5);
  EXPECT_NEAR(half.axis.y, 1.0f, 1e-6);
  EXPECT_EQ(half.angleRange, 0.0f);
  // -90 wraps to 270, and 270 + 90 is a whole turn: no rotation and no axis.
  const BulletOp whole = parseBulletRots({u"1 0 0 -90", u"1 0 0 90"}, BulletOpKind::Rot);
  EXPECT_NEAR(whole.angle, 360 * kDeg, 1e-3);
  // An array of one text is read as a single rotation text, ranges included.
  const BulletOp single = parseBulletRots({u"0 1 0 -30 0 1 0 60"}, BulletOpKind::Rot);
  EXPECT_FLOAT_EQ(single.angleRange, 60 * kDeg);
}

TEST(BulletTextTest, GeneratorTexts) {
  struct Case {
    const char16_t* text;
    BulletOpKind kind, expect;
    int32_t interval, count, set;
  } cases[] = {
      {u"0 5", BulletOpKind::GenRand, BulletOpKind::GenRand, 0, 5, 0},
      {u"0x10 010", BulletOpKind::GenSet, BulletOpKind::GenSet, 16, 8, 0},
      {u"2 3 R2", BulletOpKind::GenPat, BulletOpKind::GenPat, 2, 3, 1},
      {u"2 3 fan r5", BulletOpKind::GenPat, BulletOpKind::GenPat, 2, 3, 4},
      {u"2 3", BulletOpKind::GenPat, BulletOpKind::None, 2, 3, -1},  // no direction set
      {u"1 -4", BulletOpKind::GenRand, BulletOpKind::GenRand, 1, 0, 0},  // negative counts are 0
  };
  for (const Case& c : cases) {
    const BulletOp op = parseBulletGenerator(c.text, c.kind);
    EXPECT_EQ(op.kind, c.expect);
    EXPECT_EQ(op.interval, c.interval);
    EXPECT_EQ(op.count, c.count);
    if (c.kind == BulletOpKind::GenPat) {
      EXPECT_EQ(op.set, c.set);
    }
  }
  const BulletOp exit = parseBulletCollision(u"Y exit");
  EXPECT_EQ(exit.collAxis, BulletCollAxis::Y);
  EXPECT_EQ(exit.collFlags, kGenCollExit);
  EXPECT_EQ(parseBulletCollision(u"xz").collAxis, BulletCollAxis::XOrZ);
  EXPECT_EQ(parseBulletCollision(u"exit").kind, BulletOpKind::None);  // no axis
}

TEST(BulletTextTest, EventsAppendTheirOpsInTheFixedOrder) {
  BulletEventText event;
  event.frame = -3;
  event.genColl = u"x";
  event.genRand = u"0 1";
  event.rotYTop = true;
  event.drots = std::vector<std::u16string>{u"0 1 0 10"};
  event.rot = u"0 1 0 5";
  event.rots = std::vector<std::u16string>{u"1 0 0 5", u"0 1 0 5"};  // "rot" wins
  event.lockon = u"1";
  event.move = u"1";
  std::vector<BulletOp> ops;
  appendBulletEventOps(event, ops);
  // Without binds there are no generator ops.
  const BulletOpKind plain[] = {BulletOpKind::Move, BulletOpKind::Lockon, BulletOpKind::Rot,
                                BulletOpKind::Drot, BulletOpKind::RotYTop};
  ASSERT_EQ(ops.size(), std::size(plain));
  for (size_t i = 0; i < ops.size(); ++i) {
    EXPECT_EQ(ops[i].kind, plain[i]);
    EXPECT_EQ(ops[i].frame, 0);
  }
  EXPECT_FLOAT_EQ(ops[2].angle, 5 * kDeg);

  event.binds = {makeBulletBind(7, {1, 0, 0}, std::nullopt, 0, {}),
                 makeBulletBind(8, {}, LVec3{0, 1, 0}, 0.00001f, {0, 2, 0})};
  ops.clear();
  appendBulletEventOps(event, ops);
  ASSERT_EQ(ops.size(), 7u);
  EXPECT_EQ(ops[5].kind, BulletOpKind::GenRand);
  EXPECT_EQ(ops[6].kind, BulletOpKind::GenColl);
  ASSERT_EQ(ops[6].binds.size(), 2u);
  EXPECT_EQ(ops[6].binds[0].offset.x, 1024);
  // An angle below 0.0001 degrees is no rotation.
  EXPECT_EQ(ops[6].binds[1].rotation.w, 1.0f);
  EXPECT_EQ(ops[6].binds[1].targetOffset.y, 2048);
}

}  // namespace
}  // namespace rond
