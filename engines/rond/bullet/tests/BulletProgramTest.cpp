#include "engines/rond/bullet/BulletProgram.h"

#include "engines/rond/bullet/BulletRotation.h"
#include "foundation/math/DetMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace rond {
namespace {

constexpr float kDeg = 0.017453292f;

struct RandomDeleter {
  void operator()(OMB_RANDOM* r) const { std::free(r); }
};
using Random = std::unique_ptr<OMB_RANDOM, RandomDeleter>;
Random makeRandom(uint32_t seed = 7) { return Random(ombRandomCreate(seed)); }

struct Recorder : BulletSpawner {
  std::vector<std::pair<uint32_t, BulletSpawnRequest>> spawns;
  uint32_t frame = 0;
  void spawn(const BulletSpawnRequest& request) override { spawns.push_back({frame, request}); }
};

BulletOp at(int32_t frame, BulletOp op) {
  op.frame = frame;
  return op;
}

bool isUnit(const LQuat& q) {
  const float n = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w;
  return std::isfinite(n) && std::fabs(n - 1.0f) < 1e-4f;
}

TEST(BulletProgramTest, OpsListedAfterALaterFrameWaitForIt) {
  std::vector<BulletOp> ops{at(10, parseBulletMove(u"3")), at(5, parseBulletMove(u"1"))};
  BulletProgramState state;
  const auto random = makeRandom();
  for (uint32_t frame = 0; frame < 10; ++frame) runBulletProgram(state, ops, frame, {}, random.get());
  EXPECT_EQ(state.speed, 0);
  EXPECT_EQ(state.pc, 0u);
  runBulletProgram(state, ops, 10, {}, random.get());
  EXPECT_EQ(state.speed, 1024);  // both ran, in list order
  EXPECT_EQ(state.pc, 2u);
}

TEST(BulletProgramTest, RangedRotationsDrawInsideTheirRange) {
  struct Case {
    const char16_t* text;
    float low, high;  // degrees, signed
  } cases[] = {{u"0 1 0 -30 0 1 0 60", -30, 30}, {u"0 1 0 -30 0 1 0 30", -30, 0}};
  for (const Case& c : cases) {
    const std::vector<BulletOp> ops{parseBulletRot(c.text, BulletOpKind::Rot)};
    const auto random = makeRandom();
    float seenLow = 999, seenHigh = -999;
    for (int i = 0; i < 300; ++i) {
      BulletProgramState state;
      runBulletProgram(state, ops, 0, {}, random.get());
      ASSERT_TRUE(isUnit(state.rotation));
      ASSERT_NEAR(state.rotation.x, 0.0f, 1e-6);
      ASSERT_NEAR(state.rotation.z, 0.0f, 1e-6);
      const float degrees = 2.0f * detmath::atan2(state.rotation.y, state.rotation.w) / kDeg;
      const float signedDegrees = degrees > 180 ? degrees - 360 : degrees < -180 ? degrees + 360 : degrees;
      seenLow = std::min(seenLow, signedDegrees);
      seenHigh = std::max(seenHigh, signedDegrees);
    }
    EXPECT_GE(seenLow, c.low - 0.01f);
    EXPECT_LE(seenHigh, c.high + 0.01f);
    EXPECT_LT(seenLow, c.low + 3);
    EXPECT_GT(seenHigh, c.high - 3);
  }
}

TEST(BulletProgramTest, TinyAnglesAndAxesGiveTheIdentityWithoutNaN) {
  // A zero angle draws once (the angle) and stops; a zero axis draws all four. A whole turn
  // is no tiny angle: it is a rotation by 2 pi.
  struct Case {
    const char16_t* text;
    int draws;
    float w;
  } cases[] = {{u"0 1 0 0", 1, 1.0f}, {u"0 0 0 30", 4, 1.0f}, {u"0 1 0 360", 4, -1.0f}};
  for (const Case& c : cases) {
    const auto random = makeRandom(3), reference = makeRandom(3);
    BulletProgramState state;
    state.turn = {0, 0, 0, 1};
    runBulletProgram(state, {parseBulletRot(c.text, BulletOpKind::Drot)}, 0, {}, random.get());
    EXPECT_FLOAT_EQ(state.turn.w, c.w);
    EXPECT_TRUE(isUnit(state.rotation));
    for (int i = 0; i < c.draws; ++i) ombRandomGetU32(reference.get());
    EXPECT_EQ(ombRandomGetU32(random.get()), ombRandomGetU32(reference.get())) << c.draws;
  }
}

TEST(BulletProgramTest, FarOffAnglesWrapWithoutEndlessLoops) {
  EXPECT_EQ(wrapRadians(std::nanf("")), 0.0f);
  const float far = wrapRadians(1e30f);
  EXPECT_GE(far, 0.0f);
  EXPECT_LE(far, kTwoPi);
  EXPECT_FLOAT_EQ(wrapRadians(-kPi), kPi);
}

TEST(BulletProgramTest, DrotTurnsEveryFrame) {
  BulletProgramState state;
  const auto random = makeRandom();
  const std::vector<BulletOp> ops{parseBulletRot(u"0 1 0 10", BulletOpKind::Drot)};
  for (uint32_t frame = 0; frame < 9; ++frame) runBulletProgram(state, ops, frame, {}, random.get());
  // Nine turns of 10 degrees about +Y.
  EXPECT_NEAR(state.rotation.y, detmath::sin(45 * kDeg), 1e-5);
  EXPECT_NEAR(state.rotation.w, detmath::cos(45 * kDeg), 1e-5);
}

TEST(BulletProgramTest, RotYTopStandsTheBulletUpright) {
  BulletProgramState state;
  state.rotation = quatFromAxisAngle({1, 0, 0}, 60 * kDeg);
  BulletOp op;
  op.kind = BulletOpKind::RotYTop;
  const auto random = makeRandom();
  runBulletProgram(state, {op}, 0, {}, random.get());
  const LVec3 up = quatRow(state.rotation, 1);
  EXPECT_NEAR(up.y, 1.0f, 1e-5);
}

TEST(BulletProgramTest, LockonTurnsTowardTheTargetAtItsRate) {
  BulletProgramState state;  // facing +Z
  BulletAim aim;
  aim.targetBase = FixedVec3{100 * 1024, 0, 0};  // far along +X
  const std::vector<BulletOp> ops{parseBulletLockon(u"10")};
  const auto random = makeRandom();
  runBulletProgram(state, ops, 0, aim, random.get());
  EXPECT_NEAR(angleBetween(quatRow(state.rotation, 2), {0, 0, 1}), 10 * kDeg, 1e-4);
  for (uint32_t frame = 1; frame < 12; ++frame) runBulletProgram(state, ops, frame, aim, random.get());
  const LVec3 forward = quatRow(state.rotation, 2);
  EXPECT_NEAR(forward.x, 1.0f, 1e-4);
  EXPECT_TRUE(isUnit(state.rotation));
  EXPECT_EQ(state.lockFlags, kLockActive | kLockFirstStored);

  // The target passes behind the first direction: the lock-on ends.
  aim.targetBase = FixedVec3{-100 * 1024, 0, 0};
  runBulletProgram(state, ops, 12, aim, random.get());
  EXPECT_EQ(state.lockFlags, 0u);
}

TEST(BulletProgramTest, LockonOnATargetStraightBehindStaysARotation) {
  BulletProgramState state;
  BulletAim aim;
  aim.targetBase = FixedVec3{0, 0, -50 * 1024};
  const auto random = makeRandom();
  runBulletProgram(state, {parseBulletLockon(u"30 continue")}, 0, aim, random.get());
  EXPECT_TRUE(isUnit(state.rotation));
}

TEST(BulletProgramTest, LockonRateChangesUpToItsLimitAndEndsAtZero) {
  BulletProgramState state;
  const auto random = makeRandom();
  runBulletProgram(state, {parseBulletLockon(u"1 3 1")}, 0, {}, random.get());
  EXPECT_FLOAT_EQ(state.rate, 2 * kDeg);
  runBulletProgram(state, {parseBulletLockon(u"1 3 1")}, 1, {}, random.get());
  runBulletProgram(state, {parseBulletLockon(u"1 3 1")}, 2, {}, random.get());
  EXPECT_FLOAT_EQ(state.rate, 3 * kDeg);
  BulletProgramState stopping;
  runBulletProgram(stopping, {parseBulletLockon(u"0")}, 0, {}, random.get());
  EXPECT_EQ(stopping.lockFlags, 0u);
}

BulletOp generator(const char16_t* text, BulletOpKind kind, size_t binds) {
  BulletOp op = parseBulletGenerator(text, kind);
  for (size_t i = 0; i < binds; ++i) op.binds.push_back(makeBulletBind(int32_t(i), {}, std::nullopt, 0, {}));
  return op;
}

std::vector<uint32_t> spawnFrames(const BulletOp& op, uint32_t frames) {
  BulletProgramState state;
  const std::vector<BulletOp> ops{at(3, op)};
  const auto random = makeRandom();
  Recorder recorder;
  for (uint32_t frame = 0; frame < frames; ++frame) {
    recorder.frame = frame;
    runBulletProgram(state, ops, frame, {}, random.get());
    EXPECT_TRUE(runBulletGenerator(state, 0, {}, {}, recorder, random.get()));
  }
  std::vector<uint32_t> out;
  for (const auto& [frame, request] : recorder.spawns) out.push_back(frame);
  return out;
}

TEST(BulletProgramTest, GeneratorIntervalsSpaceTheirChildren) {
  struct Case {
    const char16_t* text;
    std::vector<uint32_t> frames;
  } cases[] = {
      {u"0 5", {3, 3, 3, 3, 3}},
      {u"2 3", {3, 5, 7}},
      {u"1 3", {3, 4, 5}},
      {u"0 0", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(spawnFrames(generator(c.text, BulletOpKind::GenRand, 2), 12), c.frames) << c.frames.size();
}

TEST(BulletProgramTest, GenSetCyclesAndGenPatSpawnsOnePerDirection) {
  BulletProgramState state;
  const auto random = makeRandom();
  Recorder recorder;
  // Running bullets point into their program's ops: the programs outlive them.
  const std::vector<BulletOp> cycle{generator(u"0 5", BulletOpKind::GenSet, 2)};
  runBulletProgram(state, cycle, 0, {}, random.get());
  runBulletGenerator(state, 0, {}, {}, recorder, random.get());
  ASSERT_EQ(recorder.spawns.size(), 5u);
  const int32_t order[] = {0, 1, 0, 1, 0};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(recorder.spawns[i].second.program, order[i]);

  BulletDirectionSets sets;
  sets[1] = {quatFromAxisAngle({0, 1, 0}, 90 * kDeg), quatFromAxisAngle({0, 1, 0}, 180 * kDeg)};
  BulletProgramState pattern;
  Recorder fan;
  const std::vector<BulletOp> fanOps{generator(u"0 2 r2", BulletOpKind::GenPat, 1)};
  runBulletProgram(pattern, fanOps, 0, {}, random.get());
  runBulletGenerator(pattern, 0, {}, sets, fan, random.get());
  ASSERT_EQ(fan.spawns.size(), 4u);
  EXPECT_NEAR(fan.spawns[0].second.rotation.y, detmath::sin(45 * kDeg), 1e-6);
  EXPECT_NEAR(fan.spawns[1].second.rotation.y, 1.0f, 1e-6);
}

TEST(BulletProgramTest, ChildrenStartAtTheTurnedOffset) {
  BulletProgramState state;
  state.rotation = quatFromAxisAngle({0, 1, 0}, 90 * kDeg);
  BulletOp op = parseBulletGenerator(u"0 1", BulletOpKind::GenSet);
  op.binds = {makeBulletBind(4, {1, 0, 0}, std::nullopt, 0, {0, 0.5f, 0})};
  const auto random = makeRandom();
  Recorder recorder;
  const std::vector<BulletOp> ops{op};
  runBulletProgram(state, ops, 0, {}, random.get());
  runBulletGenerator(state, 0, {10, 20, 30}, {}, recorder, random.get());
  ASSERT_EQ(recorder.spawns.size(), 1u);
  const BulletSpawnRequest& child = recorder.spawns[0].second;
  EXPECT_EQ(child.position.x, 10);
  EXPECT_EQ(child.position.y, 20);
  EXPECT_EQ(child.position.z, 30 - 1024);  // +X turned 90 degrees about +Y is -Z
  EXPECT_EQ(child.targetOffset.y, 512);
  EXPECT_NEAR(child.rotation.y, state.rotation.y, 1e-7);
}

TEST(BulletProgramTest, GenCollSpawnsWhenItsAxisIsCutAndMayEndTheBullet) {
  struct Case {
    const char16_t* text;
    uint32_t moveResult;
    size_t spawns;
    bool alive;
  } cases[] = {
      {u"y exit", 8, 2, false}, {u"y exit", 1 | 64, 0, true}, {u"y", 8, 2, true},
      {u"xz", 64, 2, true},     {u"xz", 1, 2, true},          {u"x", 8, 0, true},
  };
  for (const Case& c : cases) {
    BulletOp op = parseBulletCollision(c.text);
    op.binds = {makeBulletBind(1, {}, std::nullopt, 0, {}), makeBulletBind(2, {}, std::nullopt, 0, {})};
    BulletProgramState state;
    const auto random = makeRandom();
    Recorder recorder;
    const std::vector<BulletOp> ops{op};
    runBulletProgram(state, ops, 0, {}, random.get());
    EXPECT_EQ(runBulletGenerator(state, c.moveResult, {}, {}, recorder, random.get()), c.alive);
    EXPECT_EQ(recorder.spawns.size(), c.spawns);
    // Once fired the generator is gone.
    if (c.spawns != 0) {
      EXPECT_TRUE(runBulletGenerator(state, c.moveResult, {}, {}, recorder, random.get()));
    }
    EXPECT_EQ(recorder.spawns.size(), c.spawns);
  }
}

}  // namespace
}  // namespace rond
