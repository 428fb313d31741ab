// The bullet natives from an object's script (the fixture game's gunner): bulletAdd's defaults,
// the motion definition read from its script tables, and handles that are stale, of another
// kind or made up.

#include "engines/vell/bullet/BulletManager.h"

#include "engines/vell/tests/BulletFixture.h"

#include <algorithm>
#include <string>

namespace {

using fieldtest::BulletTest;

constexpr const char* kFloor = "grid 0 0 8 8 0 4\nbounds 0 -4 0 8 8 8\n";

class BulletNativesTest : public BulletTest {
 protected:
  void SetUp() override { start(kFloor); }

  ScriptObject arguments(const char16_t* scenario) {
    const HSQUIRRELVM vm = engine->scriptManager()->vm.vm;
    ScriptObject args = ScriptObject::newTable(vm);
    args.setSlot(u"scenario", ScriptObject::newString(scenario, vm).getObject());
    return args;
  }

  vell::Object* gunner(const ScriptObject& args, const FixedVec3& at = {2048, 0, 3072}) {
    vell::CreateRecord record;
    record.position = at;
    engine->objects()->create(u"gunner", u"gunner", record, args);
    return static_cast<vell::Object*>(
        ombListElement(&engine->objects()->live(), engine->objects()->live().head.prev));
  }

  static bool printedLine(const std::string& line) {
    const std::vector<std::string> lines = printed();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

TEST_F(BulletNativesTest, BulletAddWithAnEmptyTableLaunchesFromTheCallingObject) {
  const struct {
    const char* name;
    bool ownerTrack;
  } cases[] = {{"empty table", false}, {"ownerTrack", true}};
  for (const auto& c : cases) {
    bullets->removeAll(vell::RemoveNotify::No);
    ScriptObject args = arguments(u"add");
    ScriptObject params = ScriptObject::newTable(engine->scriptManager()->vm.vm);
    if (c.ownerTrack) {
      params.setSlot(u"ownerTrack",
                     ScriptObject::newBool(engine->scriptManager()->vm.vm, true).getObject());
    }
    args.setSlot(u"params", params.getObject());
    LogCapture::messages().clear();
    vell::Object* g = gunner(args);
    engine->update();
    EXPECT_TRUE(printedLine("gunner add true")) << c.name;
    ASSERT_EQ(live().size(), 1u) << c.name;
    const vell::Bullet& b = *live()[0];
    EXPECT_EQ(b.owner, g) << c.name;
    EXPECT_EQ(g->references, 1u) << c.name;
    // Placed at the owner (position 0 relative to it), facing as it does.
    EXPECT_FLOAT_EQ(b.worldPosition.x, 2.0f) << c.name;
    EXPECT_FLOAT_EQ(b.worldPosition.y, 0.0f) << c.name;
    EXPECT_FLOAT_EQ(b.worldPosition.z, 3.0f) << c.name;
    EXPECT_FLOAT_EQ(b.worldRotation.w, 1.0f) << c.name;
    EXPECT_EQ(b.life, 7) << c.name << ": no timeout given, the motion's";
    EXPECT_FLOAT_EQ(b.state.lockonBias, 1.0f) << c.name;
    EXPECT_EQ(b.target, nullptr) << c.name;
    EXPECT_EQ(b.collAttackMask, 0) << c.name;
    EXPECT_EQ((b.bulletFlags & vell::kBulletTracksOwner) != 0, c.ownerTrack) << c.name;
    if (c.ownerTrack) {
      EXPECT_EQ(b.trackRotLimit, 6434) << c.name;
    } else {
      // Relative to the owner once: the bullet keeps its own pose.
      EXPECT_FLOAT_EQ(b.state.position.x, 2.0f) << c.name;
    }
    EXPECT_TRUE(errors().empty()) << c.name;
    engine->objects()->exit(*g);
    bullets->removeAll(vell::RemoveNotify::No);
    engine->update();
  }
}

TEST_F(BulletNativesTest, AMotionIsReadFromItsKeyFramesAndBinds) {
  gunner(arguments(u"define"));
  engine->update();
  int32_t id = 0;
  for (const std::string& line : printed()) {
    if (line.rfind("gunner motion ", 0) == 0) id = std::stoi(line.substr(14));
  }
  const auto* motion =
      static_cast<const vell::BulletMotion*>(scriptHandles().find(id, vell::kBulletMotionHandleKind));
  ASSERT_NE(motion, nullptr);
  const struct {
    int32_t frame;
    vell::MotionEventKind kind;
  } expected[] = {
      {0, vell::MotionEventKind::Move},
      {0, vell::MotionEventKind::Rot},
      {0, vell::MotionEventKind::GenRand},
      {3, vell::MotionEventKind::Rot},
  };
  ASSERT_EQ(motion->events.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(motion->events[i].frame, expected[i].frame) << i;
    EXPECT_EQ(motion->events[i].kind, expected[i].kind) << i;
  }
  EXPECT_EQ(motion->events[0].speed, 2048);
  // One whole group of six elements; the second group lacks its seventh element.
  const vell::MotionEvent& gen = motion->events[2];
  ASSERT_EQ(gen.binds.size(), 1u);
  EXPECT_NE(gen.binds[0].motion, 0);
  EXPECT_EQ(gen.binds[0].flags, vell::kBindAngle);
  EXPECT_EQ(gen.binds[0].trackRotLimit, 1608);
  EXPECT_FLOAT_EQ(gen.binds[0].positionBase.z, 3.0f);
  EXPECT_EQ(gen.binds[0].timeout, -1);
  EXPECT_TRUE(errors().empty());
}

TEST_F(BulletNativesTest, HandlesOfAReleasedMapAnotherKindOrMadeUpAreScriptErrors) {
  vell::BulletType* oldType = type(1);
  vell::BulletMotion* oldMotion = motion(oldType, {moving(u"0")});
  vell::DynamicDefinition* oldDynamic = bullets->defineDynamic(0, 0, ScriptObject());
  const int32_t typeId = oldType->handle, motionId = oldMotion->handle,
                dynamicId = oldDynamic->handle;
  engine->resetMap(u"room", u"room");
  engine->map()->build(mapwrite::mapFromDescription(kFloor), &engine->space());
  bullets = engine->bullets();
  // A live motion handle where a type is asked for.
  vell::BulletMotion* current = motion(type(1), {moving(u"0")});
  ScriptObject args = arguments(u"stale");
  args.setIntegerSlot(u"type", typeId);
  args.setIntegerSlot(u"motion", motionId);
  args.setIntegerSlot(u"dynamic", dynamicId);
  args.setIntegerSlot(u"current", current->handle);
  LogCapture::messages().clear();
  vell::Object* g = gunner(args);
  engine->update();
  EXPECT_TRUE(printedLine("gunner add false"));
  EXPECT_TRUE(printedLine("gunner done"));
  const std::vector<std::string> expected = {
      "[] Script Error: invalid bullet type handle(" + std::to_string(typeId) + ")",
      "[] Script Error: invalid bullet motion handle(" + std::to_string(motionId) + ")",
      "[] Script Error: invalid bullet type handle(" + std::to_string(current->handle) + ")",
      "[] Script Error: invalid dynamic attack handle(" + std::to_string(dynamicId) + ")",
      "[] Script Error: invalid bullet motion handle(12345)",
  };
  EXPECT_EQ(errors(), expected);
  EXPECT_TRUE(live().empty());
  EXPECT_EQ(g->dynamicAttack, nullptr);
}

}  // namespace
