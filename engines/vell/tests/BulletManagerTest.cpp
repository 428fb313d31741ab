// The bullet manager without objects: the pools of the types and their shares, the return of
// removed bullets at the next update, the removal history and its timing, serial numbers, the
// generators' children and the map hit test.

#include "engines/vell/bullet/BulletManager.h"

#include "engines/vell/tests/BulletFixture.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

namespace {

using fieldtest::BulletTest;

// A floor of 8 x 8 units and a wall 0.05 thick across it from z = 5 to 5.05, made of two faces
// that look into the wall: +z at 5, -z at 5.05. A bullet meets the far face of the pair.
constexpr const char* kThinWall =
    "grid 0 0 8 8 0 4\nroom 0 5 8 5.05 0 4\nbounds 0 -4 0 8 8 8\n";

class BulletManagerTest : public BulletTest {
 protected:
  void SetUp() override { start(kThinWall); }
};

TEST_F(BulletManagerTest, ATypeTakesAsManyLaunchesAsItHasFreeBulletsAndEachShareAddsItsCount) {
  vell::BulletType* t = type(3);
  vell::BulletMotion* m = motion(t, {moving(u"0")});
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(launch(m, {4, 1, 1})) << i;
  // Pending launches count against the pool before they start.
  EXPECT_FALSE(launch(m, {4, 1, 1}));
  bullets->update();
  EXPECT_EQ(live().size(), 3u);
  EXPECT_FALSE(launch(m, {4, 1, 1}));
  bullets->shareType(*t);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(launch(m, {4, 1, 1})) << i;
  EXPECT_FALSE(launch(m, {4, 1, 1}));
  bullets->update();
  EXPECT_EQ(live().size(), 6u);
  EXPECT_EQ(t->bullets.size(), 6u);
}

TEST_F(BulletManagerTest, AnEndedBulletReturnsToItsTypeOnlyAtTheNextUpdate) {
  vell::BulletType* t = type(3);
  // Two frames of life: it asks to end in its second frame and ends in its third.
  vell::BulletMotion* m = motion(t, {moving(u"0")}, 0, 2);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(launch(m, {4, 1, 1}));
  bullets->update();
  bullets->update();
  EXPECT_EQ(live().size(), 3u);
  bullets->update();
  EXPECT_TRUE(live().empty());
  EXPECT_EQ(bullets->removed().count, 3u);
  EXPECT_FALSE(launch(m, {4, 1, 1})) << "removed bullets are not free before the next update";
  bullets->update();
  EXPECT_EQ(t->freeBullets.count, 3u);
  EXPECT_TRUE(launch(m, {4, 1, 1}));
}

TEST_F(BulletManagerTest, ABulletEndedInTheUpdateThatStartedItReturnsAtTheNextOne) {
  vell::BulletType* childType = type(2);
  vell::BulletMotion* child = motion(childType, {moving(u"0")});
  vell::BulletType* t = type(1);
  // One frame of life and a time-out generator: the first frame spawns one child and ends.
  vell::KeyFrameRecord k;
  k.genTimeout = u"1";
  vell::BindRecord bind;
  bind.motion = child->handle;
  k.binds = {bind};
  vell::BulletMotion* m = motion(t, {k}, 0, 1);
  ASSERT_TRUE(launch(m, {4, 1, 1}));
  bullets->update();
  const std::vector<vell::Bullet*> now = live();
  ASSERT_EQ(now.size(), 1u) << "the child started in the same update";
  EXPECT_EQ(now[0]->type, childType);
  EXPECT_EQ(t->freeBullets.count, 0u);
  EXPECT_FALSE(launch(m, {4, 1, 1}));
  bullets->update();
  EXPECT_EQ(t->freeBullets.count, 1u);
  EXPECT_TRUE(launch(m, {4, 1, 1}));
}

TEST_F(BulletManagerTest, APatternGeneratorGivesItsChildrenThroughTheManager) {
  vell::BulletType* childType = type(6);
  vell::BulletMotion* child = motion(childType, {moving(u"1")});
  vell::BulletType* t = type(1);
  vell::KeyFrameRecord k;
  k.genPat = u"0 1 r2";
  vell::BindRecord bind;
  bind.motion = child->handle;
  k.binds = {bind};
  vell::BulletMotion* m = motion(t, {k});
  ASSERT_TRUE(launch(m, {4, 2, 2}));
  bullets->update();
  std::set<std::tuple<int, int, int>> directions;
  for (vell::Bullet* b : live()) {
    if (b->type != childType) continue;
    // Each child flew its first unit along one axis from where the parent stood.
    const LVec3 d{b->worldPosition.x - 4, b->worldPosition.y - 2, b->worldPosition.z - 2};
    EXPECT_NEAR(std::fabs(d.x) + std::fabs(d.y) + std::fabs(d.z), 1.0f, 1e-4f);
    directions.insert({int(std::lround(d.x)), int(std::lround(d.y)), int(std::lround(d.z))});
  }
  const std::set<std::tuple<int, int, int>> axes = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                                    {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
  EXPECT_EQ(directions, axes);
  EXPECT_EQ(childType->freeBullets.count, 0u);
}

TEST_F(BulletManagerTest, RemoveHistoryShowsTheRemovedBulletsAfterTheNextUpdateOnly) {
  vell::BulletMotion* m = motion(type(3), {moving(u"0")});
  ASSERT_TRUE(launch(m, {1, 1, 1}));
  ASSERT_TRUE(launch(m, {2, 1, 1}));
  bullets->update();
  bullets->removeAll(vell::RemoveNotify::Yes);
  EXPECT_TRUE(live().empty());
  EXPECT_TRUE(bullets->history().isNull()) << "the same frame still shows the previous history";
  bullets->update();
  const ScriptObject& h = bullets->history();
  ASSERT_EQ(h.getType(), OT_ARRAY);
  ASSERT_EQ(h.getSize(), 2);
  for (int i = 0; i < 2; ++i) {
    const ScriptObject pos = h.findSlotByIndex(i).findSlot(u"pos");
    EXPECT_FLOAT_EQ(pos.getFloatSlot(u"x"), float(i + 1));
    EXPECT_FLOAT_EQ(pos.getFloatSlot(u"y"), 1.0f);
    EXPECT_FLOAT_EQ(pos.getFloatSlot(u"z"), 1.0f);
  }
  bullets->update();
  EXPECT_TRUE(bullets->history().isNull());
  // Without notices nothing is written.
  ASSERT_TRUE(launch(m, {3, 1, 1}));
  bullets->update();
  bullets->removeAll(vell::RemoveNotify::No);
  bullets->update();
  EXPECT_TRUE(bullets->history().isNull());
}

TEST_F(BulletManagerTest, RemoveAllDropsPendingLaunchesAndFreesTheirPlaces) {
  vell::BulletType* t = type(2);
  vell::BulletMotion* m = motion(t, {moving(u"0")});
  ASSERT_TRUE(launch(m, {1, 1, 1}));
  ASSERT_TRUE(launch(m, {1, 1, 1}));
  bullets->removeAll(vell::RemoveNotify::No);
  EXPECT_EQ(t->pending, 0);
  EXPECT_EQ(bullets->pendingCount(), 0u);
  bullets->update();
  EXPECT_TRUE(live().empty());
  EXPECT_TRUE(launch(m, {1, 1, 1}));
}

TEST_F(BulletManagerTest, TheSerialAfterTheLastOneIsOne) {
  vell::BulletMotion* m = motion(type(3), {moving(u"0")});
  bullets->setNextSerial(0xFFFFFFFEu);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(launch(m, {1, 1, 1}));
  bullets->update();
  std::vector<uint32_t> serials;
  for (vell::Bullet* b : live()) serials.push_back(b->serial);
  EXPECT_EQ(serials, (std::vector<uint32_t>{0xFFFFFFFEu, 0xFFFFFFFFu, 1u}));
  EXPECT_EQ(bullets->nextSerial(), 2u);
}

TEST_F(BulletManagerTest, ABulletThatCollidesWithTheMapStopsAtTheFirstFaceInItsWay) {
  const struct {
    const char* name;
    const char16_t* speed;
    float startZ;
    float yaw;  // degrees about +Y; 180 flies towards -z
    int32_t flags;
    bool stops;
    float stopZ;
  } cases[] = {
      {"slow towards +z", u"0.5", 1.0f, 0, vell::kDefMapCollision, true, 5.05f},
      {"one frame across the wall", u"6", 1.0f, 0, vell::kDefMapCollision, true, 5.05f},
      {"far beyond the map", u"40", 1.0f, 0, vell::kDefMapCollision, true, 5.05f},
      {"towards -z meets the other face", u"6", 7.0f, 180, vell::kDefMapCollision, true, 5.0f},
      {"without map collision", u"6", 1.0f, 0, 0, false, 7.0f},
  };
  for (const auto& c : cases) {
    bullets->removeAll(vell::RemoveNotify::No);
    vell::BulletMotion* m = motion(type(1), {moving(c.speed)}, c.flags);
    vell::Launch l;
    l.motion = m;
    l.position = {4, 1, c.startZ};
    const float half = c.yaw * 0.017453292f * 0.5f;
    l.rotation = {0.0f, std::sin(half), 0.0f, std::cos(half)};
    ASSERT_TRUE(bullets->add(l)) << c.name;
    bool stopped = false;
    for (int frame = 0; frame < 20 && !stopped; ++frame) {
      bullets->update();
      const std::vector<vell::Bullet*> now = live();
      ASSERT_EQ(now.size(), 1u) << c.name;
      vell::Bullet& b = *now[0];
      if (b.bulletFlags & vell::kBulletHitWall) {
        stopped = true;
        EXPECT_NEAR(b.worldPosition.z, c.stopZ, 0.002f) << c.name;
        EXPECT_NEAR(b.worldPosition.x, 4.0f, 1e-4f) << c.name;
        EXPECT_TRUE(b.bulletFlags & vell::kBulletEndRequested) << c.name;
      } else if (!c.stops && frame == 0) {
        EXPECT_NEAR(b.worldPosition.z, c.stopZ, 1e-4f) << c.name;
      }
    }
    EXPECT_EQ(stopped, c.stops) << c.name;
    if (stopped) {
      // It ends in its next frame (no fade-out animation) and is not moved on.
      bullets->update();
      EXPECT_TRUE(live().empty()) << c.name;
    }
  }
}

TEST_F(BulletManagerTest, TheMapHitTestIgnoresBackFacesAndSurfacesOffTheMove) {
  vell::Map& map = *engine->map();
  const struct {
    const char* name;
    LVec3 from, to;
    bool hit;
    float z;
  } cases[] = {
      {"front face within the move", {4, 1, 4.5f}, {4, 1, 5.5f}, true, 5.05f},
      {"standing still", {4, 1, 5}, {4, 1, 5}, false, 0},
      {"stops short of the wall", {4, 1, 3}, {4, 1, 4.9f}, false, 0},
      {"through a back face only", {4, 1, 4.9f}, {4, 1, 5.02f}, false, 0},
      {"down onto the floor", {2, 1, 2}, {2, -1, 2}, true, 2.0f},
      {"parallel to the floor", {1, 0.5f, 1}, {3, 0.5f, 1}, false, 0},
  };
  for (const auto& c : cases) {
    LVec3 hit{};
    int32_t set = -1;
    EXPECT_EQ(vell::mapHitTest(map, c.from, c.to, hit, set), c.hit) << c.name;
    if (c.hit) {
      EXPECT_NEAR(hit.z, c.z, 0.002f) << c.name;
    }
  }
}

TEST_F(BulletManagerTest, TheEnginesStateHashFollowsEveryBulletsMove) {
  vell::BulletMotion* m = motion(type(1), {moving(u"0.5")});
  std::set<uint64_t> hashes;
  uint64_t h = 0;
  ASSERT_TRUE(engine->stateHash(&h));
  hashes.insert(h);
  ASSERT_TRUE(launch(m, {4, 1, 1}));
  for (int frame = 0; frame < 3; ++frame) {
    bullets->update();
    ASSERT_TRUE(engine->stateHash(&h));
    hashes.insert(h);
  }
  EXPECT_EQ(hashes.size(), 4u);
}

}  // namespace
