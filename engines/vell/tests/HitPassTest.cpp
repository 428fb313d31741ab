// The objects' hit pass against attack items filed in the object space: every-hit mode with the
// record's history, nearest mode with one notice per attack, the swept test, and what keeps a
// record or an attack out of the pass.

#include "engines/vell/HitPass.h"

#include "engines/vell/tests/FieldObjectFixture.h"

#include <memory>

namespace {

using fieldtest::FieldObjectTest;

constexpr const char* kFloor = "grid 0 0 8 8 0 4\nbounds 0 -4 0 8 8 8\n";

struct Notice {
  const vell::Attack* attack;
  const vell::Object* object;
  uint32_t slot;
  float value;
  bool nearest;
};

// Stands in for the bullet manager: notices as they come, and how often the pass ended.
class Recorder : public vell::AttackNotices {
 public:
  void notifyDamage(vell::Attack& attack, vell::Object& object, uint32_t slot) override {
    notices.push_back({&attack, &object, slot, 0.0f, false});
  }
  void recordHit(uint32_t slot, vell::Object& object, vell::Attack& attack, float value) override {
    notices.push_back({&attack, &object, slot, value, true});
  }
  void sendHitNotifies() override { passes += 1; }

  std::vector<Notice> notices;
  int passes = 0;
};

// One sphere moving from `from` to `to` (units) as a sphere set with its bounding sphere and
// query box, as sphereSetBuild leaves it.
void oneSphere(vell::SphereSet& set, const LVec3& from, const LVec3& to, float radius) {
  set.items.assign(1, {from, to, radius});
  set.itemCount = 1;
  const float lo[3] = {std::min(from.x, to.x) - radius, std::min(from.y, to.y) - radius,
                       std::min(from.z, to.z) - radius};
  const float hi[3] = {std::max(from.x, to.x) + radius, std::max(from.y, to.y) + radius,
                       std::max(from.z, to.z) + radius};
  set.boxMin = vec3ToFixed(lo[0] - 1, lo[1] - 1, lo[2] - 1);
  set.boxMax = vec3ToFixed(hi[0] + 1, hi[1] + 1, hi[2] + 1);
  set.boundCentre = {(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
  float r = 0;
  for (int i = 0; i < 3; ++i) r = std::max(r, (hi[i] - lo[i]) / 2);
  set.boundRadius = r;
}

class HitPassTest : public FieldObjectTest {
 protected:
  void SetUp() override {
    startWithMap(kFloor);
    target = create("t", {4096, 0, 4096});
    target->damage[0].mask = 1;
    place(*target, 0, {4, 1, 4});
  }
  // The record's sphere of radius 0.5 standing at `at`.
  static void place(vell::Object& o, uint32_t slot, const LVec3& at) {
    oneSphere(o.damage[slot].spheres, at, at, 0.5f);
  }
  vell::Attack& attack(const LVec3& from, const LVec3& to, uint32_t flags, uint32_t mask = 1) {
    attacks.push_back(std::make_unique<vell::Attack>());
    vell::Attack& a = *attacks.back();
    a.item.owner = &a;
    a.flags = flags | vell::kAttackActive;
    oneSphere(a.spheres, from, to, 0.25f);
    engine->space().insert(a.spheres.boxMin, a.spheres.boxMax, &a.item);
    engine->space().setMask(mask, &a.item);
    return a;
  }
  void move(vell::Attack& a, const LVec3& at) {
    oneSphere(a.spheres, at, at, 0.25f);
    engine->space().insert(a.spheres.boxMin, a.spheres.boxMax, &a.item);
  }
  // One frame of the pass: the records age as the object update ages them.
  std::vector<Notice> frame() {
    for (vell::DamageRecord& r : target->damage) r.age();
    sink.notices.clear();
    engine->objects()->hitPass(&sink);
    return sink.notices;
  }
  void TearDown() override {
    for (auto& a : attacks) engine->space().remove(&a->item);
  }

  vell::Object* target = nullptr;
  std::vector<std::unique_ptr<vell::Attack>> attacks;
  Recorder sink;
};

TEST_F(HitPassTest, EveryHitAttackIsReportedOnceAndAgainWhenItsCounterRunsOut) {
  vell::Attack& a = attack({4, 1, 4}, {4, 1, 4}, vell::kAttackEveryHit);
  const LVec3 touching{4, 1.2f, 4};
  const LVec3 away{4, 6, 4};
  const struct {
    LVec3 at;
    size_t notices;
  } frames[] = {
      {touching, 1}, {touching, 0}, {touching, 0},  // remembered while it keeps touching
      {away, 0},     {touching, 0},                 // one frame away: still remembered
      {away, 0},     {away, 0},
      // The third update since the last contact halves the counter to 0: reported again.
      {touching, 1},
  };
  int n = 0;
  for (const auto& f : frames) {
    move(a, f.at);
    const std::vector<Notice> got = frame();
    EXPECT_EQ(got.size(), f.notices) << "frame " << n;
    for (const Notice& x : got) {
      EXPECT_FALSE(x.nearest);
      EXPECT_EQ(x.object, target);
      EXPECT_EQ(x.slot, 0u);
    }
    ++n;
  }
  EXPECT_EQ(sink.passes, n);
}

TEST_F(HitPassTest, RecordFlagAsksForEveryHitOfANearestModeAttack) {
  target->damage[0].flag = vell::kDamageEveryHit;
  attack({4, 1, 4}, {4, 1, 4}, 0);
  EXPECT_EQ(frame().size(), 1u);
  EXPECT_FALSE(sink.notices[0].nearest);
  EXPECT_EQ(frame().size(), 0u);
}

TEST_F(HitPassTest, TheThirtyThirdAttackerIsReportedButNotRemembered) {
  std::vector<vell::Attack*> all;
  for (int i = 0; i < 33; ++i) all.push_back(&attack({4, 1, 4}, {4, 1, 4}, vell::kAttackEveryHit));
  EXPECT_EQ(frame().size(), 33u);
  // Next frame: the 32 remembered ones are quiet; the one that found no free entry is new again.
  const std::vector<Notice> again = frame();
  ASSERT_EQ(again.size(), 1u);
  int remembered = 0;
  for (const vell::DamageRecord::Entry& e : target->damage[0].history) {
    if (e.counter != 0) ++remembered;
  }
  EXPECT_EQ(remembered, 32);
  const vell::Attack* forgotten = again[0].attack;
  for (const vell::DamageRecord::Entry& e : target->damage[0].history) {
    EXPECT_NE(e.attacker, forgotten);
  }
}

TEST_F(HitPassTest, NearestModeGivesOneNoticePerAttackPerFrameWithTheSmallestDistance) {
  // Two record spheres: the attack touches both; the nearer one decides.
  vell::SphereSet& mine = target->damage[0].spheres;
  oneSphere(mine, {4, 1, 4}, {4, 1.5f, 4}, 0.5f);
  mine.items = {{{4, 1, 4}, {4, 1, 4}, 0.5f}, {{4, 1.5f, 4}, {4, 1.5f, 4}, 0.5f}};
  mine.itemCount = 2;
  vell::Attack& a = attack({4, 1.9f, 4}, {4, 1.9f, 4}, 0);
  for (int f = 0; f < 3; ++f) {
    const std::vector<Notice> got = frame();
    ASSERT_EQ(got.size(), 1u) << "frame " << f;
    EXPECT_TRUE(got[0].nearest);
    EXPECT_EQ(got[0].attack, &a);
    EXPECT_NEAR(got[0].value, 0.4f * 0.4f, 1e-5f);
  }
}

TEST_F(HitPassTest, SweptAttackReportsTheEarliestTimeOfContact) {
  // From 3 units before the record to 3 units past it: contact when the gap closes to 0.75.
  vell::Attack& a = attack({1, 1, 4}, {7, 1, 4}, vell::kAttackSwept);
  const std::vector<Notice> got = frame();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].attack, &a);
  EXPECT_NEAR(got[0].value, (3.0f - 0.75f) / 6.0f, 1e-5f);
  // The static test of the same spheres where they end finds nothing.
  a.flags &= ~vell::kAttackSwept;
  EXPECT_TRUE(frame().empty());
}

TEST_F(HitPassTest, WhatKeepsRecordsAndAttacksOutOfThePass) {
  const struct {
    const char* name;
    uint32_t recordMask;
    bool sphereless;
    uint32_t attackFlags;
    uint32_t attackMask;
  } cases[] = {
      {"record mask 0", 0, false, 0, 1},
      {"record without spheres", 1, true, 0, 1},
      {"attack left out", 1, false, vell::kAttackLeftOut, 1},
      {"masks share no bit", 1, false, 0, 2},
  };
  for (const auto& c : cases) {
    target->damage[0].mask = c.recordMask;
    place(*target, 0, {4, 1, 4});
    if (c.sphereless) {
      target->damage[0].spheres.itemCount = 0;
      target->damage[0].spheres.boundRadius = 0;
    }
    vell::Attack& a = attack({4, 1, 4}, {4, 1, 4}, c.attackFlags, c.attackMask);
    EXPECT_TRUE(frame().empty()) << c.name;
    engine->space().remove(&a.item);
  }
}

TEST(SweptSpheres, TimesOfContact) {
  const struct {
    const char* name;
    vell::SphereItem p, q;
    bool hit;
    float tau;
  } cases[] = {
      {"touching at the start", {{0, 0, 0}, {5, 0, 0}, 1}, {{1.5f, 0, 0}, {1.5f, 0, 0}, 1}, true, 0},
      {"closing head on", {{0, 0, 0}, {4, 0, 0}, 0.5f}, {{4, 0, 0}, {0, 0, 0}, 0.5f}, true, 0.375f},
      {"moving together", {{0, 0, 0}, {4, 0, 0}, 0.5f}, {{3, 0, 0}, {7, 0, 0}, 0.5f}, false, 0},
      {"passing beside", {{0, 0, 0}, {4, 0, 0}, 0.5f}, {{2, 2, 0}, {2, 2, 0}, 0.5f}, false, 0},
      {"too short a move", {{0, 0, 0}, {1, 0, 0}, 0.5f}, {{4, 0, 0}, {4, 0, 0}, 0.5f}, false, 0},
  };
  for (const auto& c : cases) {
    float tau = -1;
    EXPECT_EQ(vell::sweptSpheresHit(c.p, c.q, tau), c.hit) << c.name;
    if (c.hit) {
      EXPECT_NEAR(tau, c.tau, 1e-6f) << c.name;
    }
  }
}

}  // namespace
