// Collision maps of objects: built from a model into the map's spare records, enabled and
// disabled with their links, and moved as lifts and platforms that carry, lift and stop for the
// objects they meet.

#include "engines/vell/CollMap.h"

#include "engines/vell/tests/FieldObjectFixture.h"

#include <cstdlib>

namespace {

using fieldtest::FieldObjectTest;

constexpr const char* kFloor = "grid 0 0 8 8 0 4\nroom 0 0 8 8 0 5\nbounds 0 -4 0 8 12 8\n";

class CollMapTest : public FieldObjectTest {
 protected:
  // "lift": a 2 x 2 top at the object's height; "slab": the same with a ceiling 1 below it.
  void SetUp() override {
    modelfile::Material top;
    fieldtest::addSquare(top, -1, -1, 1, 1, 0, false);
    pack.Add("field/object/crate/lift.dgo", fieldtest::modelOf(top));
    modelfile::Material slab = top;
    fieldtest::addSquare(slab, -1, -1, 1, 1, -1, true);
    pack.Add("field/object/crate/slab.dgo", fieldtest::modelOf(slab));
    modelfile::Material pusher = top;
    fieldtest::addWall(pusher, 1, -1, 1, 0, 2);
    pack.Add("field/object/crate/pusher.dgo", fieldtest::modelOf(pusher));
    modelfile::Material many;
    for (int i = 0; i < 10; ++i) fieldtest::addSquare(many, float(i) * 0.5f, 0, float(i) * 0.5f + 0.5f, 1, 0, false);
    pack.Add("field/object/crate/many.dgo", fieldtest::modelOf(many));
    startWithMap(kFloor);
  }
  vell::Object* platform(const char16_t* model, const FixedVec3& at) {
    vell::Object* p = create("p", at);
    p->loadCollMap(model);
    EXPECT_NE(p->collMap, nullptr);
    vell::collMapSetEnable(*engine->map(), *p->collMap, true);
    return p;
  }
};

TEST_F(CollMapTest, ASetKeepsSixteenTrianglesAndEveryTriangleTakesASpareRecord) {
  const uint32_t before = engine->map()->set(vell::kSetLand).count;
  vell::Object* p = platform(u"many", {2048, 1024, 2048});
  EXPECT_EQ(engine->map()->set(vell::kSetLand).count, before + 20);
  int kept = 0;
  while (kept <= int(vell::kCollMapSetSize) && p->collMap->sets[0][kept] != nullptr) ++kept;
  EXPECT_EQ(kept, 16);
  EXPECT_EQ(p->collMap->sets[1][0], nullptr);
  // Placed at the object's position, widened by 5 on every side.
  EXPECT_EQ(p->collMap->boxMin.y, 1024 - 5);
  EXPECT_EQ(p->collMap->boxMin.x, 2048 - 5);
}

TEST_F(CollMapTest, EnableAndDisableAreIdempotentAndDisablingDetachesRiders) {
  vell::Object* p = platform(u"lift", {4096, 1024, 4096});
  vell::Map& map = *engine->map();
  vell::collMapSetEnable(map, *p->collMap, true);
  vell::Object* rider = create("r", {4096, 1024, 4096});
  vell::CollTriangle* top = rider->landTriangle;
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->set, vell::kSetLand);
  EXPECT_TRUE(top == p->collMap->sets[0][0] || top == p->collMap->sets[0][1]);
  // The two triangles of the top share an edge: linked both ways.
  vell::CollTriangle* t0 = p->collMap->sets[0][0];
  vell::CollTriangle* t1 = p->collMap->sets[0][1];
  auto linked = [](vell::CollTriangle* a, vell::CollTriangle* b) {
    return a->link0 == b || a->link1 == b || a->link2 == b;
  };
  EXPECT_TRUE(linked(t0, t1));
  EXPECT_TRUE(linked(t1, t0));
  vell::collMapSetEnable(map, *p->collMap, false);
  EXPECT_EQ(rider->landTriangle, nullptr);
  EXPECT_FALSE(linked(t0, t1));
  EXPECT_EQ(t0->entry.cell, nullptr);
  vell::collMapSetEnable(map, *p->collMap, false);
  EXPECT_EQ(t0->entry.cell, nullptr);
}

TEST_F(CollMapTest, ARisingLiftPicksUpWhatIsCloseAboveItAndCarriesItsRiders) {
  vell::Object* p = platform(u"lift", {4096, 1024, 4096});
  vell::Object* rider = create("rider", {4096 - 512, 1024, 4096});
  vell::Object* near = create("near", {4096 + 512, 1024 + 200, 4096});
  vell::Object* far = create("far", {4096, 1024 + 600, 4096 + 512});
  ASSERT_NE(rider->landTriangle, nullptr);
  EXPECT_EQ(near->landTriangle, nullptr);
  // Everybody files itself in the space.
  engine->update();
  p->moveMode = vell::kMoveMap;
  p->request = {0, 256, 0, 0};
  engine->update();
  EXPECT_EQ(p->position.y, 1024 + 256);
  EXPECT_EQ(rider->position.y, 1024 + 256);
  // 200 above the lift: within the rise (256 + 3), picked up and put on the lift's top.
  EXPECT_NE(near->landTriangle, nullptr);
  EXPECT_EQ(near->position.y, 1024 + 256);
  EXPECT_EQ(far->landTriangle, nullptr);
  EXPECT_EQ(far->position.y, 1024 + 600);
  engine->update();
  EXPECT_EQ(rider->position.y, 1024 + 512);
  EXPECT_EQ(near->position.y, 1024 + 512);
  EXPECT_EQ(p->moveStatus & ~vell::kMoveOnEvent, 0u);
}

TEST_F(CollMapTest, ADescendingPlatformStopsAboveAnObjectStandingOnLand) {
  // The slab's ceiling is 1 below its position: at 4 + ... it starts 2 above the object's top.
  vell::Object* p = platform(u"slab", {4096, 5120, 4096});
  vell::Object* standing = create("s", {4096, 0, 4096});
  setCylinder(*standing, 256, 2048);
  ASSERT_NE(standing->landTriangle, nullptr);
  engine->update();
  p->moveMode = vell::kMoveMap;
  p->request = {0, -512, 0, 0};
  int frames = 0;
  int32_t last = p->position.y;
  for (; frames < 20; ++frames) {
    engine->update();
    if (p->position.y == last) break;
    last = p->position.y;
  }
  EXPECT_LT(frames, 20);
  // Ceiling (position - 1024) 3 above the object's top (2048).
  EXPECT_EQ(p->position.y - 1024, 2048 + 3);
  EXPECT_EQ(standing->position.y, 0);
}

TEST_F(CollMapTest, APlatformPushingAnObjectAgainstAWallStopsUnlessItMustMoveFully) {
  for (const bool full : {false, true}) {
    startWithMap(kFloor);
    // The platform's wall faces +x at its position + 1; the object hovers between it and the
    // map's wall at x = 8.
    vell::Object* p = platform(u"pusher", {4096, 0, 4096});
    vell::Object* o = create("o", {7168, 512, 4096});
    setCylinder(*o, 512, 1024);
    engine->update();
    p->moveMode = vell::kMoveMap;
    p->request = {full ? int32_t(vell::kCollMapFullMove) : 0, 0, 256, 1608};
    for (int i = 0; i < 12; ++i) engine->update();
    if (full) {
      EXPECT_NEAR(p->position.x, 4096 + 12 * 256, 12);
    } else {
      // Stopped where the object, pushed to the map's wall, fills the gap: the platform's wall
      // (1 ahead of its position) one object width (1) before x = 8.
      const int32_t at = p->position.x;
      EXPECT_LE(at + 1024 + 1024, 8192);
      EXPECT_GE(at + 1024 + 1024, 8192 - 64);
      EXPECT_LE(o->position.x + 512, 8192);
      engine->update();
      EXPECT_EQ(p->position.x, at);
    }
    EXPECT_EQ(p->position.z, 4096);
  }
}

TEST_F(CollMapTest, TurningRidersMovesThemAroundThePivotButNotTheTriangles) {
  vell::Object* p = platform(u"lift", {4096, 1024, 4096});
  vell::Object* rider = create("rider", {4096 + 512, 1024, 4096});
  const FixedVec3 corner = p->collMap->sets[0][0]->p0;
  p->turnAngle = 1608;  // a quarter turn a frame
  engine->update();
  EXPECT_NEAR(rider->position.x, 4096, 2);
  EXPECT_NEAR(std::abs(rider->position.z - 4096), 512, 2);
  EXPECT_EQ(rider->position.y, 1024);
  EXPECT_NE(rider->landTriangle, nullptr);
  EXPECT_EQ(p->collMap->sets[0][0]->p0.x, corner.x);
  p->turnAngle = 0;
  const FixedVec3 at = rider->position;
  engine->update();
  EXPECT_EQ(rider->position.x, at.x);
  EXPECT_EQ(rider->position.z, at.z);
}

}  // namespace
