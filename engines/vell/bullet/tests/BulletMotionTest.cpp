#include "engines/vell/bullet/BulletMotion.h"

#include "foundation/omb/ombRandom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace vell {
namespace {

constexpr float kDeg = 0.017453292f;

struct RandomDeleter {
  void operator()(OMB_RANDOM* r) const { std::free(r); }
};
using Random = std::unique_ptr<OMB_RANDOM, RandomDeleter>;
Random makeRandom() { return Random(ombRandomCreate(1234)); }

struct Recorder : ChildSpawner {
  std::vector<ChildLaunch> children;
  bool add(const ChildLaunch& child) override {
    children.push_back(child);
    return true;
  }
};

BindRecord bind(int32_t motion, int32_t flags = 0) {
  BindRecord b;
  b.motion = motion;
  b.flags = flags;
  return b;
}

TEST(BulletMotionParse, TextsGiveTheirEvents) {
  struct Case {
    const char* name;
    KeyFrameRecord frame;
    std::vector<MotionEvent> expected;
  };
  auto ev = [](MotionEventKind kind) {
    MotionEvent e;
    e.kind = kind;
    return e;
  };
  std::vector<Case> cases;
  {
    Case c{"one speed holds", {}, {ev(MotionEventKind::Move)}};
    c.frame.move = u"2";
    c.expected[0].speed = c.expected[0].speedLimit = 2048;
    cases.push_back(c);
  }
  {
    Case c{"speed, limit, acceleration", {}, {ev(MotionEventKind::Move)}};
    c.frame.frame = 7;
    c.frame.move = u" 0  4 0.5";
    c.expected[0] = {};
    c.expected[0].frame = 7;
    c.expected[0].kind = MotionEventKind::Move;
    c.expected[0].speedLimit = 4096;
    c.expected[0].acceleration = 512;
    cases.push_back(c);
  }
  {
    Case c{"negative second lockon number is a word", {}, {ev(MotionEventKind::Lockon)}};
    c.frame.lockon = u"5 -1";
    c.expected[0].rate = c.expected[0].rateLimit = 5 * kDeg;
    cases.push_back(c);
  }
  {
    Case c{"lockon words", {}, {ev(MotionEventKind::Lockon)}};
    c.frame.lockon = u"5 10 1 CONTINUE other strict=yes xz";
    c.expected[0].rate = 5 * kDeg;
    c.expected[0].rateLimit = 10 * kDeg;
    c.expected[0].rateAcceleration = 1 * kDeg;
    c.expected[0].lockonFlags = kLockonContinue | kLockonStrict | kLockonXz;
    cases.push_back(c);
  }
  {
    Case c{"generators need binds", {}, {}};
    c.frame.genRand = u"1 2";
    c.frame.genColl = u"hit";
    cases.push_back(c);
  }
  {
    Case c{"generator integers in any base", {}, {ev(MotionEventKind::GenSet)}};
    c.frame.genSet = u"0x10 010";
    c.frame.binds = {bind(3)};
    c.expected[0].interval = 16;
    c.expected[0].count = 8;
    cases.push_back(c);
  }
  {
    Case c{"pattern word", {}, {ev(MotionEventKind::GenPat)}};
    c.frame.genPat = u"3 2 R2";
    c.frame.binds = {bind(3)};
    c.expected[0].interval = 3;
    c.expected[0].count = 2;
    c.expected[0].pattern = 1;
    cases.push_back(c);
  }
  {
    Case c{"collision reaction and exit", {}, {ev(MotionEventKind::GenColl)}};
    c.frame.genColl = u"hit exit";
    c.frame.binds = {bind(3)};
    c.expected[0].interval = int32_t(GenReaction::Hit);
    c.expected[0].count = int32_t(kGenCollExit);
    cases.push_back(c);
  }
  {
    Case c{"unknown reaction makes no event", {}, {}};
    c.frame.genColl = u"sky exit";
    c.frame.binds = {bind(3)};
    cases.push_back(c);
  }
  {
    Case c{"kinds in order within a key frame", {},
           {ev(MotionEventKind::Move), ev(MotionEventKind::Rot), ev(MotionEventKind::RotYTop),
            ev(MotionEventKind::GenTimeout)}};
    c.frame.genTimeout = u"4";
    c.frame.rotYTop = true;
    c.frame.rotations = {u"0 1 0 90 0 1 1 30"};
    c.frame.move = u"1";
    c.frame.binds = {bind(3)};
    c.expected[0].speed = c.expected[0].speedLimit = 1024;
    c.expected[1].rotation.axisBase = {0, 1, 0};
    c.expected[1].rotation.axisRange = {0, 0, 1};
    c.expected[1].rotation.angleBase = 90 * kDeg;
    c.expected[1].rotation.angleRange = 30 * kDeg;
    c.expected[3].count = 4;
    cases.push_back(c);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<MotionEvent> events = BulletMotion::parse({c.frame});
    ASSERT_EQ(events.size(), c.expected.size());
    for (size_t i = 0; i < events.size(); ++i) {
      const MotionEvent& a = events[i];
      const MotionEvent& e = c.expected[i];
      EXPECT_EQ(a.kind, e.kind);
      EXPECT_EQ(a.frame, c.frame.frame);
      EXPECT_EQ(a.speed, e.speed);
      EXPECT_EQ(a.speedLimit, e.speedLimit);
      EXPECT_EQ(a.acceleration, e.acceleration);
      EXPECT_EQ(a.lockonFlags, e.lockonFlags);
      EXPECT_FLOAT_EQ(a.rate, e.rate);
      EXPECT_FLOAT_EQ(a.rateLimit, e.rateLimit);
      EXPECT_FLOAT_EQ(a.rateAcceleration, e.rateAcceleration);
      EXPECT_FLOAT_EQ(a.rotation.axisBase.y, e.rotation.axisBase.y);
      EXPECT_FLOAT_EQ(a.rotation.axisRange.z, e.rotation.axisRange.z);
      EXPECT_FLOAT_EQ(a.rotation.angleBase, e.rotation.angleBase);
      EXPECT_FLOAT_EQ(a.rotation.angleRange, e.rotation.angleRange);
      EXPECT_EQ(a.interval, e.interval);
      EXPECT_EQ(a.count, e.count);
      EXPECT_EQ(a.pattern, e.pattern);
      const bool generator = a.kind >= MotionEventKind::GenRand;
      EXPECT_EQ(a.binds.size(), generator ? c.frame.binds.size() : 0u);
    }
  }
}

TEST(BulletMotionParse, BindTextsGiveBasesAndRanges) {
  KeyFrameRecord k;
  BindRecord b = bind(9, int32_t(kBindAngle));
  b.position = u"1 2 3 2 4 6";
  b.targetOffset = u"0 5 0";
  b.rotations = {u"1 0 0 45"};
  b.trackRotLimit = 1608;
  b.timeout = 77;  // ignored without its flag
  k.binds = {b};
  k.genSet = u"1 1";
  const std::vector<MotionEvent> events = BulletMotion::parse({k});
  ASSERT_EQ(events.size(), 1u);
  const BulletBind& parsed = events[0].binds[0];
  EXPECT_EQ(parsed.motion, 9);
  EXPECT_FLOAT_EQ(parsed.positionRange.z, 3.0f);
  EXPECT_FLOAT_EQ(parsed.positionRange.y, 2.0f);
  EXPECT_FLOAT_EQ(parsed.targetOffsetBase.y, 5.0f);
  EXPECT_FLOAT_EQ(parsed.targetOffsetRange.y, 0.0f);
  EXPECT_FLOAT_EQ(parsed.rotation.angleBase, 45 * kDeg);
  EXPECT_EQ(parsed.trackRotLimit, 1608);
  EXPECT_EQ(parsed.timeout, -1);
}

bool finite(const LQuat& q) {
  return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
}

TEST(BulletMotionRotation, NullRotationsGiveNoNaN) {
  // Products without a turn have no axis; they must draw the identity, not NaN.
  const std::vector<std::vector<const char16_t*>> texts = {
      {u"0 1 0 0", u"0 1 0 0"}, {u"0 1 0 360", u"1 0 0 0"}, {u"0 0 0 90", u"0 0 0 180"},
      {u"0 1 0 0"}, {u"0 0 0 90"}};
  Random random = makeRandom();
  for (const auto& t : texts) {
    KeyFrameRecord k;
    k.rotations = t;
    k.turns = t;
    k.move = u"1";
    const std::vector<MotionEvent> events = BulletMotion::parse({k});
    BulletMotionState state;
    for (int frame = 0; frame < 3; ++frame, ++state.frame) {
      runMotionEvents(state, events, nullptr, random.get());
      moveBullet(state);
    }
    EXPECT_TRUE(finite(state.rotation));
    EXPECT_NEAR(state.position.z, 3.0f, 1e-4f);
  }
}

TEST(BulletMotionRun, AcceleratesAndTurnsAsEventsComeDue) {
  // Frame 0: speed 0 rising by 0.5 to 4; the turn event of frame 3 comes after one of frame 4
  // in the array, so it waits behind it.
  KeyFrameRecord a, b, c;
  a.move = u"0 4 0.5";
  b.frame = 4;
  b.turns = {u"0 1 0 90"};
  c.frame = 3;
  c.move = u"1";
  const std::vector<MotionEvent> events = BulletMotion::parse({a, b, c});
  Random random = makeRandom();
  BulletMotionState state;
  std::vector<float> z;
  std::vector<float> x;
  for (int frame = 0; frame < 6; ++frame) {
    runMotionEvents(state, events, nullptr, random.get());
    ++state.frame;
    moveBullet(state);
    approachSpeed(state);
    z.push_back(state.position.z);
    x.push_back(state.position.x);
  }
  // Speeds 0, 0.5, 1, 1.5 forward; at frame 4 the turn of 90 degrees about +Y applies (and the
  // speed becomes 1 in the same frame), so the bullet moves along +X; the turn stays and turns
  // it a quarter again every frame, so next it moves along -Z.
  const std::vector<float> wantZ = {0, 0.5f, 1.5f, 3.0f, 3.0f, 2.0f};
  const std::vector<float> wantX = {0, 0, 0, 0, 1.0f, 1.0f};
  for (size_t i = 0; i < z.size(); ++i) {
    EXPECT_NEAR(z[i], wantZ[i], 1e-4f) << i;
    EXPECT_NEAR(x[i], wantX[i], 1e-4f) << i;
  }
}

TEST(BulletMotionRun, LockonTurnsTowardsTheTargetAtItsRate) {
  KeyFrameRecord k;
  k.move = u"1";
  k.lockon = u"30";
  const std::vector<MotionEvent> events = BulletMotion::parse({k});
  Random random = makeRandom();
  BulletMotionState state;
  const LockonTarget target{{100.0f, 0.0f, 0.0f}, false};
  runMotionEvents(state, events, &target, random.get());
  // 90 degrees away, turned by 30.
  const LVec3 f = rotateVector(state.rotation, {0, 0, 1});
  EXPECT_NEAR(f.x, 0.5f, 1e-4f);
  EXPECT_NEAR(f.z, 0.8660254f, 1e-4f);
  EXPECT_NE(state.flags & kBulletLockStored, 0u);
  for (int i = 0; i < 3; ++i) runMotionEvents(state, events, &target, random.get());
  const LVec3 g = rotateVector(state.rotation, {0, 0, 1});
  EXPECT_NEAR(g.x, 1.0f, 1e-4f);
  // A target being destroyed: the bullet drops it.
  const LockonTarget dying{{0, 0, 0}, true};
  EXPECT_TRUE(runMotionEvents(state, events, &dying, random.get()));
  // Right on the aim point, or facing straight away, the turn stays finite.
  BulletMotionState on;
  const LockonTarget here{{0, 0, 0}, false};
  runMotionEvents(on, events, &here, random.get());
  EXPECT_TRUE(finite(on.rotation));
  BulletMotionState away;
  const LockonTarget behind{{0, 0, -10}, false};
  runMotionEvents(away, events, &behind, random.get());
  EXPECT_TRUE(finite(away.rotation));
  EXPECT_NEAR(rotateVector(away.rotation, {0, 0, 1}).z, 0.8660254f, 1e-4f);
}

TEST(BulletMotionRun, PassedTargetEndsTheLockon) {
  KeyFrameRecord k;
  k.lockon = u"1";
  const std::vector<MotionEvent> events = BulletMotion::parse({k});
  Random random = makeRandom();
  BulletMotionState state;
  const LockonTarget ahead{{0, 0, 10}, false};
  runMotionEvents(state, events, &ahead, random.get());
  EXPECT_NE(state.flags & kBulletLockActive, 0u);
  state.position = {0, 0, 20};
  runMotionEvents(state, events, &ahead, random.get());
  EXPECT_EQ(state.flags & kBulletLockBits, 0u);
}

struct GeneratorFixture {
  Random random = makeRandom();
  Recorder recorder;
  BulletMotionState state;
  std::vector<MotionEvent> events;
  GeneratorFrame frame;

  explicit GeneratorFixture(const KeyFrameRecord& k) : events(BulletMotion::parse({k})) {}
  // One frame; the motions spawned this frame.
  std::vector<int32_t> step(bool* alive = nullptr) {
    const size_t before = recorder.children.size();
    runMotionEvents(state, events, nullptr, random.get());
    ++state.frame;
    const bool result = runGenerator(state, frame, random.get(), recorder);
    if (alive != nullptr) *alive = result;
    std::vector<int32_t> motions;
    for (size_t i = before; i < recorder.children.size(); ++i)
      motions.push_back(recorder.children[i].motion);
    return motions;
  }
};

TEST(BulletMotionGenerator, SetSpawnsItsBindsInTurnEveryInterval) {
  KeyFrameRecord k;
  k.genSet = u"2 4";
  k.binds = {bind(10), bind(11)};
  GeneratorFixture g(k);
  const std::vector<std::vector<int32_t>> want = {{10}, {}, {11}, {}, {10}, {}, {11}, {}, {}};
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(g.step(), want[i]) << i;
  EXPECT_EQ(g.state.generator, MotionEventKind::None);
}

TEST(BulletMotionGenerator, ZeroIntervalSpawnsTheWholeCountAtOnce) {
  KeyFrameRecord k;
  k.genRand = u"0 3";
  k.binds = {bind(5)};
  GeneratorFixture g(k);
  EXPECT_EQ(g.step(), (std::vector<int32_t>{5, 5, 5}));
  EXPECT_TRUE(g.step().empty());
}

TEST(BulletMotionGenerator, PatternTurnsOneChildOntoEachDirection) {
  KeyFrameRecord k;
  k.genPat = u"0 1 r2";
  k.binds = {bind(4)};
  GeneratorFixture g(k);
  g.frame.worldPosition = {1, 2, 3};
  ASSERT_EQ(g.step().size(), 6u);
  const LVec3 want[6] = {{0, -1, 0}, {-1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {0, 0, 1}};
  for (size_t i = 0; i < 6; ++i) {
    const ChildLaunch& c = g.recorder.children[i];
    const LVec3 f = rotateVector(c.rotation, {0, 0, 1});
    EXPECT_NEAR(f.x, want[i].x, 1e-5f) << i;
    EXPECT_NEAR(f.y, want[i].y, 1e-5f) << i;
    EXPECT_NEAR(f.z, want[i].z, 1e-5f) << i;
    EXPECT_FLOAT_EQ(c.position.y, 2.0f);
    EXPECT_EQ(c.mode, 0);
    EXPECT_EQ(c.timeout, -1);
  }
}

TEST(BulletMotionGenerator, PatternDirectionsAreUnitTurnsOfForward) {
  const size_t sizes[5] = {4, 6, 8, 20, 12};
  for (int32_t p = 0; p < 5; ++p) {
    ASSERT_EQ(directionPattern(p).size(), sizes[p]);
    for (const LQuat& q : directionPattern(p))
      EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f, 1e-5f);
  }
  // The fourth direction of the first pattern aims straight up.
  const LVec3 up = rotateVector(directionPattern(0)[3], {0, 0, 1});
  EXPECT_NEAR(up.y, 1.0f, 1e-5f);
}

TEST(BulletMotionGenerator, CollisionSpawnsEveryBindAndMayEndTheBullet) {
  KeyFrameRecord k;
  k.genColl = u"hit exit";
  k.binds = {bind(1), bind(2, int32_t(kBindOwnerTrack)), bind(3, int32_t(kBindTargetOffsetFix))};
  GeneratorFixture g(k);
  bool alive = false;
  g.frame.contacts = kContactWall;
  EXPECT_TRUE(g.step(&alive).empty());
  EXPECT_TRUE(alive);
  // Without an owner the owner-tracking bind spawns nothing.
  g.frame.contacts = kContactHit;
  EXPECT_EQ(g.step(&alive), (std::vector<int32_t>{1, 3}));
  EXPECT_FALSE(alive);
  EXPECT_EQ(g.recorder.children.back().mode, 4);
}

TEST(BulletMotionGenerator, TimeoutSpawnsItsCountWrappingOverTheBinds) {
  KeyFrameRecord k;
  k.genTimeout = u"5";
  k.binds = {bind(1), bind(2)};
  GeneratorFixture g(k);
  EXPECT_TRUE(g.step().empty());
  g.frame.timedOut = true;
  bool alive = true;
  EXPECT_EQ(g.step(&alive), (std::vector<int32_t>{1, 2, 1, 2, 1}));
  EXPECT_FALSE(alive);
}

TEST(BulletMotionGenerator, ChildStartsAtTheBindOffsetTurnedByTheParent) {
  KeyFrameRecord k;
  BindRecord b = bind(8, int32_t(kBindTimeout | kBindOwnerTrack));
  b.position = u"0 0 2";
  b.timeout = 30;
  k.binds = {b};
  k.genSet = u"0 1";
  GeneratorFixture g(k);
  g.frame.hasOwner = true;
  // Turned a quarter about +Y, the local forward offset points along +X.
  g.state.rotation = {0.0f, 0.70710677f, 0.0f, 0.70710677f};
  g.state.position = {5, 0, 0};
  ASSERT_EQ(g.step().size(), 1u);
  const ChildLaunch& c = g.recorder.children[0];
  EXPECT_NEAR(c.position.x, 7.0f, 1e-5f);
  EXPECT_NEAR(c.position.z, 0.0f, 1e-5f);
  EXPECT_EQ(c.mode, 2);
  EXPECT_EQ(c.timeout, 30);
}

}  // namespace
}  // namespace vell
