// The bullet manager inside a running versus engine, on bullet models written by the model file
// builder: pool limits, generators through the request queue, erosion levels and budgets with
// their score tips, hits on a player, and the bullets in the state hash.

#include "engines/rond/bullet/BulletManager.h"

#include "engines/rond/RondEngine.h"
#include "engines/rond/tests/BulletMatchFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using rond::AttackDefinition;
using rond::Bullet;
using rond::BulletMotion;
using rond::BulletType;

class BulletManagerTest : public rondtest::BulletMatchFixture {
 protected:
  rond::BulletManager& bullets() { return engine->bullets(); }

  BulletType* type(int32_t side, int32_t count, const AttackDefinition& attack = {},
                   const char16_t* name = u"shot") {
    return bullets().defineType(side, attack, count, u"fighter", name);
  }
  // A program of the type with the events' ops; its handle is registered as the natives do.
  BulletMotion* program(BulletType* t, std::vector<rond::BulletOp> ops = {},
                        const AttackDefinition& attack = inherit(), uint32_t flags = 0) {
    BulletMotion* p = bullets().defineMotion(t, flags, 0, attack, std::move(ops));
    p->handle = engine->handles().add(rond::kBulletMotionHandle, p);
    return p;
  }
  static AttackDefinition inherit() {
    AttackDefinition a;
    a.victimLevel = a.victimCost = a.erosionLevel = a.erosionCost = -1;
    return a;
  }
  bool add(BulletMotion* p, FixedVec3 at = {0, 8192, 0}) {
    return bullets().requestSpawn(kQuatIdentity, p, rond::kSpawnFree, at, nullptr, {0, 0, 0},
                                  1.0f);
  }
  static std::vector<Bullet*> live(const rond::BulletManager& m, int32_t side) {
    std::vector<Bullet*> out;
    for (Bullet* b = m.live(side).front(); b != nullptr; b = rond::BulletManager::LiveList::next(b)) {
      out.push_back(b);
    }
    return out;
  }
  uint64_t hash() {
    uint64_t h = 0;
    EXPECT_TRUE(engine->stateHash(&h));
    return h;
  }

};

TEST_F(BulletManagerTest, ACountThreeTypeRefusesTheFourthUntilOneIsErased) {
  BulletType* t = type(0, 3);
  BulletMotion* p = program(t);
  EXPECT_EQ(t->flags, 0u) << "the model has attack spheres";
  EXPECT_TRUE(add(p));
  EXPECT_TRUE(add(p));
  EXPECT_TRUE(add(p));
  EXPECT_FALSE(add(p)) << "pending requests count against the pool";
  EXPECT_EQ(t->pending, 3);
  bullets().update();
  EXPECT_EQ(t->pending, 0);
  ASSERT_EQ(live(bullets(), 0).size(), 3u);
  EXPECT_TRUE(t->pool.empty());
  EXPECT_FALSE(add(p)) << "all three are live";
  bullets().eraseBullet(*live(bullets(), 0)[1]);
  EXPECT_TRUE(add(p));
  EXPECT_FALSE(add(p));
  bullets().update();
  EXPECT_EQ(live(bullets(), 0).size(), 3u);
  // Clearing the runtime takes live bullets and requests back and frees the pending counts.
  EXPECT_TRUE(add(program(type(1, 1))));
  bullets().removeAll();
  EXPECT_EQ(live(bullets(), 0).size(), 0u);
  EXPECT_EQ(bullets().requestCount(), 0u);
  EXPECT_EQ(t->pool.size(), 3u);
  for (const auto& each : bullets().types()) EXPECT_EQ(each->pending, 0);
}

TEST_F(BulletManagerTest, GeneratorsSpawnThroughTheQueueOnTheirFrames) {
  struct Case {
    const char16_t* text;
    std::vector<size_t> children;  // live children after each update
  } cases[] = {
      {u"0 5", {5, 5, 5, 5, 5, 5}},
      {u"2 3", {1, 1, 2, 2, 3, 3}},
      {u"1 3", {1, 2, 3, 3, 3, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testsupport::u8(c.text));
    engine->removeBulletSide(0);
    BulletMotion* child = program(type(0, 8));
    rond::BulletEventText event;
    event.binds = {rond::makeBulletBind(child->handle, {0, 0, 1}, std::nullopt, 0, {})};
    event.genRand = c.text;
    std::vector<rond::BulletOp> ops;
    rond::appendBulletEventOps(event, ops);
    BulletMotion* parent = program(type(0, 1), std::move(ops));
    ASSERT_TRUE(add(parent));
    std::vector<size_t> seen;
    for (size_t frame = 0; frame < c.children.size(); ++frame) {
      bullets().update();
      seen.push_back(child->type->bullets.size() - child->type->pool.size());
    }
    EXPECT_EQ(seen, c.children);
    // Children start one unit ahead of the parent.
    const std::vector<Bullet*> all = live(bullets(), 0);
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[1]->position.z, all[0]->position.z + 1024);
  }
}

TEST_F(BulletManagerTest, AChildOfARemovedProgramIsNotSpawned) {
  // A bind keeps the handle of its child; once the child's side is restarted the handle is
  // stale and the generator spawns nothing instead of following it.
  BulletMotion* child = program(type(1, 4));
  rond::BulletEventText event;
  event.binds = {rond::makeBulletBind(child->handle, {}, std::nullopt, 0, {})};
  event.genRand = u"1 3";
  std::vector<rond::BulletOp> ops;
  rond::appendBulletEventOps(event, ops);
  BulletMotion* parent = program(type(0, 1), std::move(ops));
  ASSERT_TRUE(add(parent));
  bullets().update();
  EXPECT_EQ(live(bullets(), 1).size(), 1u);
  engine->removeBulletSide(1);
  ASSERT_TRUE(add(parent));
  bullets().update();
  bullets().update();
  EXPECT_EQ(live(bullets(), 1).size(), 0u);
  EXPECT_EQ(live(bullets(), 0).size(), 1u);
}

TEST_F(BulletManagerTest, ErosionFollowsLevelsAndBudgets) {
  struct Case {
    int32_t erosionLevel, erosionCost;
    int32_t victimLevel, victimCost, victims;
    bool victimsErased, eroderErased;
    int32_t budget;
  } cases[] = {
      {3, 1000, 2, 0, 1, true, false, 1000},
      {3, 1000, 0, 0, 1, true, false, 1000},
      {3, 1000, 3, 0, 1, false, false, 1000},  // equal levels do not erode
      {3, 5, 1, 5, 1, true, true, 0},           // the cost is not below the budget
      {3, 5, 1, 2, 2, true, false, 1},
      {3, 5, 1, 2, 3, true, true, 0},
      {3, 2147483647, 1, 9, 3, true, false, 2147483647},  // never spent
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.erosionLevel << " " << c.erosionCost << " "
                                    << c.victimLevel << " " << c.victimCost << " " << c.victims);
    engine->removeBulletSide(0);
    engine->removeBulletSide(1);
    AttackDefinition eroding;
    eroding.erosionLevel = c.erosionLevel;
    eroding.erosionCost = c.erosionCost;
    eroding.victimLevel = 2147483647;  // in no victim group
    AttackDefinition victim;
    victim.victimLevel = c.victimLevel;
    victim.victimCost = c.victimCost;
    BulletMotion* a = program(type(0, 1, eroding));
    BulletMotion* v = program(type(1, 4, victim));
    ASSERT_TRUE(add(a));
    for (int32_t i = 0; i < c.victims; ++i) ASSERT_TRUE(add(v, {0, 8192, 256 * i}));
    bullets().update();
    bullets().erodeBullets();
    const Bullet* eroder = live(bullets(), 0).at(0);
    EXPECT_EQ(eroder->budget, c.budget);
    EXPECT_EQ((eroder->pendingEnd & rond::kBulletErased) != 0, c.eroderErased);
    for (const Bullet* b : live(bullets(), 1)) {
      EXPECT_EQ((b->pendingEnd & rond::kBulletErased) != 0, c.victimsErased);
    }
    // The next update plays the end animations; the bullets no longer collide.
    bullets().update();
    EXPECT_EQ(eroder->slot, c.eroderErased ? rond::kSlotErase : rond::kSlotNormal);
    EXPECT_EQ(eroder->canHit, c.eroderErased ? 0 : 1);
  }
}

TEST_F(BulletManagerTest, ErosionMatchesThePlainPairOrder) {
  // A crowd where eroders run out of budget part-way: which bullets end and the budgets left
  // depend on the order of the pairs, which the pass must keep while it skips distant ones.
  AttackDefinition eroding;
  eroding.victimLevel = 2147483647;
  eroding.erosionLevel = 4;
  eroding.erosionCost = 3;
  AttackDefinition victim;
  victim.victimLevel = 1;
  victim.victimCost = 1;
  BulletMotion* a = program(type(0, 60, eroding));
  BulletMotion* v = program(type(1, 60, victim));
  uint32_t x = 99;
  auto next = [&x] { return int32_t((x = x * 1103515245u + 12345u) >> 16) % 4096; };
  for (int i = 0; i < 60; ++i) {
    ASSERT_TRUE(add(a, {next(), next(), next()}));
    ASSERT_TRUE(add(v, {next(), next(), next()}));
  }
  bullets().update();
  const std::vector<Bullet*> eroders = live(bullets(), 0), victims = live(bullets(), 1);
  std::vector<int32_t> budget;
  std::vector<bool> eroderEnds(eroders.size()), victimEnds(victims.size());
  for (const Bullet* e : eroders) budget.push_back(e->budget);
  for (size_t i = 0; i < eroders.size(); ++i) {
    for (size_t j = 0; j < victims.size(); ++j) {
      if (!rond::overlaps(eroders[i]->attackSpheres, victims[j]->attackSpheres)) continue;
      victimEnds[j] = true;
      if (1 < budget[i]) {
        budget[i] -= 1;
      } else {
        budget[i] = 0;
        eroderEnds[i] = true;
      }
    }
  }
  bullets().erodeBullets();
  size_t ended = 0;
  for (size_t i = 0; i < eroders.size(); ++i) {
    EXPECT_EQ(eroders[i]->budget, budget[i]) << i;
    EXPECT_EQ((eroders[i]->pendingEnd & rond::kBulletErased) != 0, eroderEnds[i]) << i;
    ended += eroderEnds[i];
  }
  for (size_t j = 0; j < victims.size(); ++j) {
    EXPECT_EQ((victims[j]->pendingEnd & rond::kBulletErased) != 0, victimEnds[j]) << j;
  }
  EXPECT_GT(ended, 0u) << "the crowd is dense enough to spend budgets";
  EXPECT_LT(ended, eroders.size());
}

TEST_F(BulletManagerTest, ErosionCreditsScoreTipsToTheErodingSide) {
  rond::ScoreTips& tips = engine->scoreTips();
  tips.setDefinitionCount(1);
  rond::ScoreTipValues values;
  values.geometryName = u"tip";
  values.count = 2;
  tips.define(0, values, u"sys/");
  AttackDefinition eroding;
  eroding.erosionLevel = 5;
  eroding.erosionCost = 2147483647;
  AttackDefinition victim;
  victim.victimLevel = 1;
  victim.eraseScoretips = std::vector<rond::AttackPair>{{0, 3}};
  BulletMotion* a = program(type(1, 1, eroding));
  BulletMotion* v = program(type(0, 1, victim));
  ASSERT_TRUE(add(a));
  ASSERT_TRUE(add(v));
  bullets().update();
  bullets().erodeBullets();
  // Three tips for side 1 (the eroding side), of which the capacity of two is made.
  EXPECT_EQ(tips.definitions()[0].live[1], 2u);
  EXPECT_EQ(tips.definitions()[0].live[0], 0u);
}

TEST_F(BulletManagerTest, BulletsHitTheOtherSidesPlayer) {
  rond::Player& target = *engine->player(1);
  target.setAnimation(target.loadGeometry(u"body")->defaultEntry);
  target.stepBeforeMove();
  target.stepAfterMove();
  ASSERT_NE(target.bodySpheres.radius, 0);
  AttackDefinition hurt;
  hurt.notifyPlayers = std::vector<rond::AttackPair>{{0, -7}};
  const int32_t life = target.parameters.at(0).value;
  // One bullet with a hit animation, one without; one program that never hits players; one
  // bullet of the player's own side.
  BulletMotion* withHit = program(type(0, 1, hurt));
  BulletMotion* withoutHit = program(type(0, 1, hurt, u"nohit"));
  BulletMotion* harmless = program(type(0, 1, hurt), {}, inherit(), rond::kMotionNoPlayerHit);
  BulletMotion* own = program(type(1, 1, hurt));
  for (BulletMotion* p : {withHit, withoutHit, harmless, own}) ASSERT_TRUE(add(p, target.position));
  bullets().update();
  bullets().hitPlayer(target);
  EXPECT_EQ(target.parameters.at(0).value, life - 14) << "every overlapping bullet hits at once";
  EXPECT_EQ(target.damageFlag, 1);
  bullets().update();
  // The bullet without a hit animation is erased in the frame after its hit.
  EXPECT_EQ(live(bullets(), 0).size(), 2u);
  EXPECT_EQ(live(bullets(), 0)[0]->slot, rond::kSlotHit);
  EXPECT_EQ(live(bullets(), 0)[1]->program, harmless);
  EXPECT_EQ(live(bullets(), 1).size(), 1u);
}

TEST_F(BulletManagerTest, TheOutOfBoxCheckUsesTheAttackBound) {
  BulletMotion* p = program(type(0, 3));
  BulletMotion* stays = program(type(0, 1), {}, inherit(), rond::kMotionStaysOutside);
  ASSERT_TRUE(add(p, {5120 + 511, 0, 0}));  // its sphere of radius 512 still reaches in
  ASSERT_TRUE(add(p, {5120 + 513, 0, 0}));
  ASSERT_TRUE(add(stays, {9999, 0, 0}));
  bullets().update();
  bullets().eraseOutOfBox(engine->stage().bulletBox);
  const std::vector<Bullet*> all = live(bullets(), 0);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0]->pendingEnd, 0u);
  EXPECT_EQ(all[1]->pendingEnd, rond::kBulletLeftBox);
  EXPECT_EQ(all[2]->pendingEnd, 0u);
  bullets().update();
  EXPECT_EQ(all[1]->slot, rond::kSlotFadeout);
}

TEST_F(BulletManagerTest, TheReportListsTheFourNearestEnemyBullets) {
  rond::Player& p = *engine->player(0);
  BulletMotion* enemy = program(type(1, 5));
  const int32_t distances[5] = {9000, 3000, 7000, 1000, 5000};
  for (int32_t d : distances) {
    ASSERT_TRUE(add(enemy, {p.centre.x + d, p.centre.y, p.centre.z}));
  }
  bullets().update();
  const rond::BulletReport& report = bullets().nearestReport(p);
  ASSERT_EQ(report.count, 4u);
  const float expected[4] = {1000, 3000, 5000, 7000};
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(report.entries[i].distance, expected[i] / 1024.0f);
  EXPECT_EQ(bullets().nearestReport(*engine->player(1)).count, 0u) << "only enemy bullets";
}

TEST_F(BulletManagerTest, ATimeoutPlaysTheFadeoutToItsEnd) {
  // Timeout 3 and a fade-out of 4 frames: slot 1 from the fourth update, gone after the ninth.
  BulletMotion* p = bullets().defineMotion(type(0, 1), 0, 3, inherit(), {});
  ASSERT_TRUE(add(p));
  std::vector<int32_t> slots;
  for (int frame = 0; frame < 9; ++frame) {
    bullets().update();
    const Bullet* b = bullets().live(0).front();
    slots.push_back(b != nullptr ? b->slot : -1);
  }
  EXPECT_EQ(slots, (std::vector<int32_t>{0, 0, 0, 1, 1, 1, 1, 1, -1}));
  EXPECT_EQ(p->type->pool.size(), 1u);
}

TEST_F(BulletManagerTest, TrackingBulletsFollowTheRotationTrack) {
  rond::Player& player = *engine->player(0);
  BulletMotion* p = program(type(0, 1));
  ASSERT_TRUE(bullets().requestSpawn(kQuatIdentity, p, rond::kSpawnTracking, {0, 0, 1024},
                                     nullptr, {0, 0, 0}, 1.0f));
  player.rotationTrack = 0;
  bullets().update();
  const Bullet* b = bullets().live(0).front();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->mode, 0);
  EXPECT_EQ(b->position.x, player.position.x);
  EXPECT_EQ(b->position.z, player.position.z + 1024);
  // A quarter turn of the track (not of the player) swings the offset to +x.
  player.rotationTrack = 1608;
  player.position.y += 100;
  bullets().update();
  EXPECT_NEAR(b->position.x, player.position.x + 1024, 1);
  EXPECT_NEAR(b->position.z, player.position.z, 1);
  EXPECT_EQ(b->position.y, player.position.y);
  EXPECT_EQ(b->lastMove.y, 100);
}

TEST_F(BulletManagerTest, LiveBulletsAreInTheStateHash) {
  const uint64_t empty = hash();
  BulletMotion* p = program(type(0, 2));
  ASSERT_TRUE(add(p));
  const uint64_t queued = hash();
  EXPECT_NE(queued, empty);
  bullets().update();
  const uint64_t flying = hash();
  EXPECT_NE(flying, queued);
  live(bullets(), 0)[0]->position.y += 1;
  EXPECT_NE(hash(), flying);
  live(bullets(), 0)[0]->position.y -= 1;
  EXPECT_EQ(hash(), flying);
}

}  // namespace
