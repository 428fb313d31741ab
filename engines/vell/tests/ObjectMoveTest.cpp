// Objects placed on and moving over the map: placement on land, the move modes driven frame by
// frame through the object update, push apart, the collision entry and the event bit.

#include "engines/vell/ObjectMove.h"

#include "engines/vell/tests/FieldObjectFixture.h"

#include <cstdlib>

namespace {

using fieldtest::FieldObjectTest;

// An 8 x 8 floor walled in, with a group that has an enabled event over the cells x < 2 (the
// room's script disables events 0 and 1; shapes without a group are in group 0).
constexpr const char* kRoom =
    "event 5 1\nevent 6 1\nevent 7 1\n"
    "group cold 0\n"
    "group hot 0 2\n"
    "grid 2 0 8 8 0 3\n"
    "grid 0 0 2 8 0 1 group 1 1\n"
    "room 0 0 8 8 0 5\n"
    "bounds 0 -4 0 8 8 8\n";

class ObjectMoveTest : public FieldObjectTest {
 protected:
  void SetUp() override {
    startWithMap(kRoom);
    engine->map()->updateCache();
  }
};

TEST_F(ObjectMoveTest, PlacementAttachesOnlyAPointOnTheLand) {
  vell::Object* o = create("o", {4096, 0, 4096});
  vell::CollTriangle* floor = o->landTriangle;
  ASSERT_NE(floor, nullptr);
  EXPECT_EQ(o->groundTriangle, floor);
  EXPECT_EQ(floor->riders.count, 1u);
  // 1/1024 above the land: not on it, but the land is the ground under it.
  o->setPosition({4096, 1, 4096});
  EXPECT_EQ(o->landTriangle, nullptr);
  ASSERT_NE(o->groundTriangle, nullptr);
  EXPECT_EQ(o->groundHeight, 0);
  EXPECT_EQ(floor->riders.count, 0u);
}

TEST_F(ObjectMoveTest, LandPlacementWithoutLandKeepsTheRequestedPosition) {
  const struct {
    const char* name;
    FixedVec3 at;
    bool onLand;
    FixedVec3 expected;
  } cases[] = {
      {"above the floor", {3072, 2048, 3072}, true, {3072, 0, 3072}},
      {"outside the map", {20480, 2048, 3072}, false, {20480, 2048, 3072}},
  };
  for (const auto& c : cases) {
    vell::Object* o = create(c.name, c.at, vell::kCreateOnLand);
    EXPECT_EQ(o->landTriangle != nullptr, c.onLand) << c.name;
    EXPECT_EQ(o->position.x, c.expected.x) << c.name;
    EXPECT_EQ(o->position.y, c.expected.y) << c.name;
    EXPECT_EQ(o->position.z, c.expected.z) << c.name;
  }
}

TEST_F(ObjectMoveTest, FreshObjectsStartWithEveryMoveValueSet) {
  vell::Object* o = create("o", {4096, 0, 4096});
  EXPECT_EQ(o->moveMode, vell::kMoveNone);
  EXPECT_EQ(o->moveStatus, 0u);
  EXPECT_EQ(o->flags, 0u);
  EXPECT_EQ(o->moveDirection.z, 1.0f);
  EXPECT_EQ(o->reflect.z, 1.0f);
  EXPECT_EQ(o->land.self, &o->entry);
  EXPECT_EQ(o->push.self, &o->entry);
  EXPECT_EQ(o->entry.owner, o);
  EXPECT_EQ(o->entry.radius, 0);
  for (const vell::DamageRecord& r : o->damage) {
    EXPECT_EQ(r.mask, 0u);
    EXPECT_EQ(r.spheres.boundRadius, 0.0f);
    EXPECT_EQ(r.centre.x, o->position.x);
    for (const auto& e : r.history) EXPECT_EQ(e.counter, 0u);
  }
  EXPECT_EQ(o->currentGeometry, nullptr);
  EXPECT_EQ(o->collMap, nullptr);
}

TEST_F(ObjectMoveTest, LandModeWalksEveryFrameUntilAWallBlocks) {
  vell::Object* o = create("o", {4096, 0, 4096});
  setCylinder(*o, 512, 2048);
  o->moveMode = vell::kMoveLand;
  o->request.distance = 512;
  o->request.angle = 1608;  // +x
  engine->update();
  EXPECT_EQ(o->position.x, 4096 + 512);
  EXPECT_EQ(o->position.z, 4096);
  EXPECT_EQ(o->moveStatus, 0u);
  EXPECT_NEAR(o->moveDirection.x, 1.0f, 1e-4f);
  EXPECT_EQ(o->landTriangle, o->groundTriangle);
  EXPECT_EQ(o->landTriangle->riders.count, 1u);
  for (int i = 0; i < 10; ++i) engine->update();
  // Stopped by the wall at x = 8 with its radius.
  EXPECT_LE(o->position.x, 8192 - 512 + 2);
  EXPECT_NE(o->moveStatus & vell::kMoveBlocked, 0u);
  // A distance of 0: no move, same triangle, status 0, direction (0, 0, 0).
  vell::CollTriangle* on = o->landTriangle;
  const FixedVec3 at = o->position;
  o->request.distance = 0;
  engine->update();
  EXPECT_EQ(o->landTriangle, on);
  EXPECT_EQ(o->position.x, at.x);
  EXPECT_EQ(o->moveStatus, 0u);
  EXPECT_EQ(o->moveDirection.x, 0.0f);
  EXPECT_EQ(o->moveDirection.z, 0.0f);
}

TEST_F(ObjectMoveTest, ScriptsWalkObjectsThroughTheObjectNatives) {
  const HSQUIRRELVM vm = engine->scriptManager()->vm.vm;
  ScriptObject args = ScriptObject::newTable(vm);
  args.setSlot(u"tag", ScriptObject::newString(u"w", vm).getObject());
  args.setSlot(u"walk", ScriptObject::newFloat(vm, 0.5f).getObject());
  vell::CreateRecord record;
  record.position = {4096, 0, 4096};
  engine->objects()->create(u"crate", u"crate", record, args);
  for (int i = 0; i < 3; ++i) engine->update();
  // The script's request stays in force: 0.5 a frame, read back before each frame's move.
  EXPECT_EQ(objectLines(), (std::vector<std::string>{"w at 4 land true flag 0", "w frame 1",
                                                     "w at 4.5 land true flag 0", "w frame 2",
                                                     "w at 5 land true flag 0", "w frame 3"}));
}

TEST_F(ObjectMoveTest, AirMoveLandsAndSetsPushApart) {
  vell::Object* o = create("o", {4096, 3072, 4096});
  setCylinder(*o, 512, 2048);
  ASSERT_EQ(o->landTriangle, nullptr);
  o->moveMode = vell::kMoveAir;
  o->request.rise = -1024;
  for (int i = 0; i < 4; ++i) engine->update();
  EXPECT_EQ(o->position.y, 0);
  ASSERT_NE(o->landTriangle, nullptr);
  EXPECT_NE(o->flags & vell::kObjectPushApart, 0u);
  EXPECT_EQ(o->groundTriangle, o->landTriangle);
}

TEST_F(ObjectMoveTest, EventGroundSetsTheEventBitInEveryMode) {
  vell::Object* o = create("o", {1024, 0, 4096});
  engine->update();
  EXPECT_NE(o->moveStatus & vell::kMoveOnEvent, 0u);
  o->setPosition({4096, 0, 4096});
  engine->update();
  EXPECT_EQ(o->moveStatus & vell::kMoveOnEvent, 0u);
}

TEST_F(ObjectMoveTest, PushApartMovesOverlappingObjectsApartThenEnds) {
  vell::Object* a = create("a", {4096 - 256, 0, 4096});
  vell::Object* b = create("b", {4096 + 256, 0, 4096});
  for (vell::Object* o : {a, b}) {
    setCylinder(*o, 512, 2048);
    o->flags |= vell::kObjectPushApart;
  }
  // The first update files both in the space (a pushes against nothing yet).
  engine->update();
  int frames = 0;
  while ((a->flags | b->flags) & vell::kObjectPushApart) {
    const FixedVec3 pa = a->position, pb = b->position;
    engine->update();
    ASSERT_LT(++frames, 20);
    const int32_t da = a->position.x - pa.x, db = b->position.x - pb.x;
    // Each moves 102 per frame at most, away from the other, along x.
    EXPECT_TRUE(da == 0 || std::abs(da + 102) <= 1) << da;
    EXPECT_TRUE(db == 0 || std::abs(db - 102) <= 1) << db;
    EXPECT_EQ(a->position.z, 4096);
  }
  EXPECT_GT(frames, 1);
  EXPECT_GE(b->position.x - a->position.x, 1024 - 2);
  EXPECT_LE(b->position.x - a->position.x, 1024 + 204);
  const FixedVec3 rest = a->position;
  engine->update();
  EXPECT_EQ(a->position.x, rest.x);
}

TEST_F(ObjectMoveTest, ObjectsAtTheSameSpotOrOutOfTheSpaceAreNotPushed) {
  vell::Object* a = create("a", {4096, 0, 4096});
  vell::Object* b = create("b", {4096, 0, 4096});
  vell::Object* c = create("c", {4096 + 256, 0, 4096});
  for (vell::Object* o : {a, b, c}) setCylinder(*o, 512, 2048);
  c->flags |= vell::kObjectOutOfSpace;
  engine->update();
  a->flags |= vell::kObjectPushApart;
  engine->update();
  EXPECT_EQ(a->position.x, 4096);
  EXPECT_EQ(a->flags & vell::kObjectPushApart, 0u);
  EXPECT_EQ(c->entry.link.cell, nullptr);
}

}  // namespace
