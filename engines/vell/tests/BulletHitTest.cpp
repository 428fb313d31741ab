// Bullets and dynamic attacks against an object's damage spheres through the engine's frame:
// the notices they leave (marker, notifies, direction), the hit phase, every-hit and nearest
// mode, a dynamic attack's activity and its release with its object.

#include "engines/vell/bullet/BulletManager.h"

#include "engines/vell/tests/BulletFixture.h"

#include <string>

namespace {

using fieldtest::BulletTest;
using fieldtest::sphereModel;

constexpr const char* kFloor = "grid 0 0 8 8 0 4\nbounds 0 -4 0 8 8 8\n";

struct Notice {
  int32_t marker;
  std::string notifies;
  float rotXZ;
};

class BulletHitTest : public BulletTest {
 protected:
  void SetUp() override {
    pack.Add("field/bullet/ball.dgo", sphereModel({4}, {{"normal", 60}}));
    pack.Add("field/bullet/burst.dgo", sphereModel({4}, {{"normal", 60}, {"hit", 3}}));
    pack.Add("field/object/crate/target.dgo", sphereModel({3}, {{"default", 60}}));
    pack.Add("field/object/gunner/fist.dgo", sphereModel({4}, {{"default", 60}}));
    start(kFloor);
    target = create("target", {4096, 0, 4096});
    show(*target, u"target");
    target->damage[0].mask = 1;
  }

  static void show(vell::Object& o, const char16_t* model) {
    vell::ObjectGeometry* g = o.loadGeometry(model);
    ASSERT_NE(g, nullptr);
    o.setCurrentAnimation(vell::Object::getAnimation(*g, u"default"));
  }

  // A gunner whose script defines a dynamic attack with the flag and timeout and turns it on.
  vell::Object* gunner(const FixedVec3& at, int32_t flag, int32_t timeout, int32_t clearAt = 0,
                       int32_t exitAt = 0) {
    const HSQUIRRELVM vm = engine->scriptManager()->vm.vm;
    ScriptObject args = ScriptObject::newTable(vm);
    args.setSlot(u"scenario", ScriptObject::newString(u"dynamic", vm).getObject());
    args.setIntegerSlot(u"flag", flag);
    args.setIntegerSlot(u"timeout", timeout);
    if (clearAt != 0) args.setIntegerSlot(u"clearAt", clearAt);
    if (exitAt != 0) args.setIntegerSlot(u"exitAt", exitAt);
    vell::CreateRecord record;
    record.position = at;
    engine->objects()->create(u"gunner", u"gunner", record, args);
    auto* o = static_cast<vell::Object*>(
        ombListElement(&engine->objects()->live(), engine->objects()->live().head.prev));
    show(*o, u"fist");
    return o;
  }

  // The notices the target's first damage record holds after this frame.
  std::vector<Notice> notices() {
    std::vector<Notice> out;
    const ScriptObject& n = target->damage[0].notices;
    if (n.getVm() == nullptr || n.isNull()) return out;
    for (int32_t i = 0; i < n.getSize(); ++i) {
      const ScriptObject e = n.findSlotByIndex(i);
      const ScriptObject notifies = e.findSlot(u"notifies");
      out.push_back({e.getIntegerSlot(u"marker"),
                     notifies.getType() == OT_STRING ? testsupport::u8(notifies.toString()) : "",
                     e.getFloatSlot(u"rotXZ")});
    }
    return out;
  }

  vell::Object* target = nullptr;
};

TEST_F(BulletHitTest, ANearestModeBulletNotifiesOnceAndEndsOrPlaysItsHitAnimation) {
  const struct {
    const char* name;
    const char16_t* model;
    bool ownNotifies;
    int frames;  // updates it stays after the one of its hit
  } cases[] = {
      {"no hit animation, the type's notifies", u"ball", false, 0},
      {"a hit animation of 3 frames, its own notifies", u"burst", true, 4},
  };
  for (const auto& c : cases) {
    bullets->removeAll(vell::RemoveNotify::No);
    vell::BulletType* t = type(1, c.model, text(u"type"));
    vell::BulletMotion* m =
        motion(t, {moving(u"0.25")}, 0, 0, c.ownNotifies ? text(u"own") : ScriptObject());
    // Towards -z into the target: the notice's direction is 180 degrees.
    vell::Launch l;
    l.motion = m;
    l.position = {4, 0, 4.25f};
    l.rotation = {0, 1, 0, 0};
    l.collAttackMask = 1;
    ASSERT_TRUE(bullets->add(l)) << c.name;
    engine->update();
    ASSERT_EQ(live().size(), 1u) << c.name;
    vell::Bullet& b = *live()[0];
    const std::vector<Notice> got = notices();
    ASSERT_EQ(got.size(), 1u) << c.name;
    EXPECT_EQ(got[0].marker, int32_t(b.serial)) << c.name;
    EXPECT_EQ(got[0].notifies, c.ownNotifies ? "own" : "type") << c.name;
    EXPECT_NEAR(got[0].rotXZ, 180.0f, 1e-3f) << c.name;
    const LVec3 where = b.worldPosition;
    int stayed = 0;
    for (int f = 0; f < 10; ++f) {
      engine->update();
      EXPECT_TRUE(notices().empty()) << c.name << " frame " << f;
      if (live().empty()) break;
      ++stayed;
      EXPECT_EQ(b.phase, vell::kPhaseHit) << c.name;
      EXPECT_EQ(b.item.link.cell, nullptr) << c.name << ": it does not attack any more";
      EXPECT_FLOAT_EQ(b.worldPosition.z, where.z) << c.name << ": nor move";
    }
    EXPECT_EQ(stayed, c.frames) << c.name;
  }
}

TEST_F(BulletHitTest, AnEveryHitBulletFliesOnAndIsReportedOnceWhileItTouches) {
  vell::BulletMotion* m = motion(type(1, u"ball"), {moving(u"0")}, vell::kDefEveryHit);
  ASSERT_TRUE(launch(m, {4, 0, 4}, 1));
  size_t total = 0;
  for (int f = 0; f < 5; ++f) {
    engine->update();
    total += notices().size();
  }
  EXPECT_EQ(total, 1u);
  ASSERT_EQ(live().size(), 1u);
  EXPECT_EQ(live()[0]->phase, vell::kPhaseNormal);
}

TEST_F(BulletHitTest, ABulletWithoutTheTargetsMaskPassesThrough) {
  vell::BulletMotion* m = motion(type(1, u"ball"), {moving(u"0")});
  ASSERT_TRUE(launch(m, {4, 0, 4}, 2));
  engine->update();
  engine->update();
  EXPECT_TRUE(notices().empty());
  EXPECT_EQ(live().size(), 1u);
}

TEST_F(BulletHitTest, ADynamicAttackAttacksForItsTimeoutOrUntilItsFirstNearestHit) {
  const struct {
    const char* name;
    int32_t flag;
    int attackingFrames;
  } cases[] = {
      {"nearest mode", 0, 1},
      {"every-hit mode", vell::kDefEveryHit, 30},
  };
  for (const auto& c : cases) {
    // Beside the target towards -x: the direction from the gunner to it is 90 degrees.
    vell::Object* g = gunner({4096 - 512, 0, 4096}, c.flag, 30);
    int attacking = 0;
    std::vector<Notice> all;
    for (int f = 0; f < 40; ++f) {
      engine->update();
      ASSERT_NE(g->dynamicAttack, nullptr) << c.name;
      if (g->dynamicAttack->item.link.cell != nullptr) ++attacking;
      for (const Notice& n : notices()) all.push_back(n);
    }
    EXPECT_EQ(attacking, c.attackingFrames) << c.name;
    ASSERT_EQ(all.size(), 1u) << c.name;
    EXPECT_EQ(all[0].marker, int32_t(g->dynamicAttack->serial)) << c.name;
    EXPECT_EQ(all[0].notifies, "dyn") << c.name;
    EXPECT_NEAR(all[0].rotXZ, 90.0f, 1e-3f) << c.name;
    engine->objects()->exit(*g);
    engine->update();
  }
}

TEST_F(BulletHitTest, ADynamicAttackGoesWithItsObjectAndComesBackTwoUpdatesLater) {
  const struct {
    const char* name;
    int32_t clearAt, exitAt;
  } cases[] = {
      {"cleared by its script", 2, 0},
      {"its object exits", 0, 2},
  };
  for (const auto& c : cases) {
    const uint32_t free = bullets->freeDynamicCount();
    vell::Object* g = gunner({4096 - 512, 0, 4096}, 0, 0, c.clearAt, c.exitAt);
    engine->update();
    ASSERT_NE(g->dynamicAttack, nullptr) << c.name;
    EXPECT_EQ(bullets->freeDynamicCount(), free - 1) << c.name;
    EXPECT_EQ(g->references, 1u) << c.name << ": the attack holds its owner";
    engine->update();  // the script clears it or exits
    for (int f = 0; f < 3; ++f) engine->update();
    EXPECT_EQ(bullets->freeDynamicCount(), free) << c.name;
    bool exists = false;
    for (vell::Object* o : liveObjects()) exists = exists || o == g;
    if (c.clearAt != 0) {
      ASSERT_TRUE(exists) << c.name;
      EXPECT_EQ(g->dynamicAttack, nullptr) << c.name;
      EXPECT_EQ(g->references, 0u) << c.name;
      engine->objects()->exit(*g);
      engine->update();
    } else {
      EXPECT_FALSE(exists) << c.name;
      EXPECT_EQ(engine->objects()->exited().count, 0u) << c.name << ": not kept by its attack";
      EXPECT_EQ(engine->objects()->destroying().count, 0u) << c.name;
    }
  }
}

}  // namespace
