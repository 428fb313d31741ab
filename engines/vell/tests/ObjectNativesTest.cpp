// The object table as an object's script uses it: probes of the fixture game run script texts
// one frame at a time through the engine's update, and the tests read what they printed, the
// errors they raised and the objects' records.

#include "engines/vell/ObjectNativeArgs.h"
#include "engines/vell/tests/FieldObjectFixture.h"

#include "model/L3DAnimData.h"
#include "model/anim/L3DAnimInstance.h"
#include "script/ScriptThread.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using fieldtest::FieldObjectTest;

// Every bone of the part needs a motion of its own for an animation to play.
modelfile::Anim animation(const modelfile::Anim& base, const char* name, uint32_t endFrame,
                          uint32_t loopFrame) {
  modelfile::Anim a = base;
  a.name = name;
  a.endFrame = endFrame;
  a.loopFrame = loopFrame;
  return a;
}

modelfile::Model modelWith(std::vector<std::pair<const char*, std::pair<uint32_t, uint32_t>>> anims) {
  modelfile::Model m = modelfile::untexturedModel("");
  const modelfile::Anim base = m.anims[0];
  m.anims.clear();
  for (const auto& [name, frames] : anims) {
    m.anims.push_back(animation(base, name, frames.first, frames.second));
  }
  return m;
}

// "body": a default animation written in capitals, "walk" looping back to frame 11 and "run"
// looping at its last frame (the loop frame after it lies past the end). "arm": one animation and no default.
std::vector<uint8_t> bodyModel() {
  return modelfile::scrambled(
      modelfile::write(modelWith({{"DEFAULT", {5, 0}}, {"walk", {60, 10}}, {"run", {20, 20}}})));
}
std::vector<uint8_t> armModel() {
  return modelfile::scrambled(modelfile::write(modelWith({{"wave", {8, 2}}})));
}

class ObjectNativesTest : public FieldObjectTest {
 protected:
  ObjectNativesTest() {
    pack.Add("field/object/probe/body.dgo", bodyModel());
    pack.Add("field/object/probe/arm.dgo", armModel());
  }

  // A probe at `at` that runs one of `steps` in each of the next frames.
  vell::Object* probe(const std::vector<std::string>& steps, const FixedVec3& at = {4096, 0, 4096}) {
    const HSQUIRRELVM vm = engine->scriptManager()->vm.vm;
    ScriptObject list = ScriptObject::newArray(vm, int32_t(steps.size()));
    for (size_t i = 0; i < steps.size(); ++i) {
      list.setSlotByIndex(int32_t(i),
                          ScriptObject::newString(testsupport::u16(steps[i]).c_str(), vm).getObject());
    }
    ScriptObject args = ScriptObject::newTable(vm);
    args.setSlot(u"steps", list.getObject());
    vell::CreateRecord record;
    record.flags = vell::kCreateKeepReference;
    record.position = at;
    return engine->objects()->create(u"probe", u"probe", record, args);
  }

  void frames(int n) {
    for (int i = 0; i < n; ++i) engine->update();
  }

  // The probes' lines: without the map's, the camera's and the second script's.
  static std::vector<std::string> lines() { return objectLines(); }
};

std::string anim(const vell::ObjectAnim* a) {
  return a != nullptr && a->anim && a->anim->data ? a->anim->data->name.GetText() : "none";
}

TEST_F(ObjectNativesTest, GeometriesAnimationsAndTheirFrames) {
  startWithMap(nullptr);
  vell::Object* o = probe({
      "g <- objectLoadGeometry(\"body\"); walk <- objectGetAnimation(g, \"walk\");"
      "run <- objectGetAnimation(g, \"run\"); d <- objectGetAnimationDefault(g);"
      "return (objectGetCurrentAnimation() == 0) + \" \" + (g != 0) + \" \" + (walk != d) +"
      "  \" \" + (objectGetAnimation(g, \"RUN\") == run) + \" \" +"
      "  (objectGetAnimation(g, \"missing\") == d) + \" \" + (objectGetAnimation(g, \"default\") == d);",
      "return objectGetAnimationLastFrame(walk) + \" \" + objectGetAnimationLoopFrame(walk) + \" \" +"
      "  objectGetAnimationLastFrame(run) + \" \" + objectGetAnimationLoopFrame(run) + \" \" +"
      "  objectGetAnimationLastFrame(d);",
      // Without a "default" the geometry gets an empty one: no frames.
      "h <- objectLoadGeometry(\"arm\"); e <- objectGetAnimationDefault(h);"
      "return objectGetAnimationLastFrame(e) + \" \" + objectGetAnimationLoopFrame(e) + \" \" +"
      "  (objectGetAnimation(h, \"wave\") != e) + \" \" + (objectGetAnimation(h, \"nothing\") == e);",
      "objectSetCurrentAnimation(walk); return objectGetCurrentAnimation() == walk;",
      // Adding plays the animation on the current geometry but keeps the current handle.
      "objectAddCurrentAnimation(run); return objectGetCurrentAnimation() == walk;",
      // The empty default of the other geometry can be current too.
      "objectSetCurrentAnimation(e); return objectGetCurrentAnimation() == e;",
  });
  frames(5);
  EXPECT_EQ(lines(), (std::vector<std::string>{"true true true true true true", "60 11 20 20 5",
                                              "0 0 true true", "true", "true"}));
  EXPECT_TRUE(errors().empty()) << errors().front();
  ASSERT_EQ(o->geometries.size(), 2u);
  EXPECT_EQ(o->currentGeometry, o->geometries[0].get());
  EXPECT_EQ(anim(o->currentAnim), "walk");
  EXPECT_EQ(o->geometries[0]->flags & vell::kGeometryShown, vell::kGeometryShown);
  EXPECT_EQ(o->geometries[1]->flags & vell::kGeometryShown, 0u);
  frames(2);
  EXPECT_EQ(lines().back(), "true");
  EXPECT_EQ(o->currentGeometry, o->geometries[1].get());
  EXPECT_EQ(o->currentAnim, o->geometries[1]->defaultAnim);
  EXPECT_EQ(o->geometries[0]->flags & vell::kGeometryShown, 0u);
  EXPECT_TRUE(errors().empty()) << errors().front();
}

TEST_F(ObjectNativesTest, ExtendAnimationSlotsAndTheirPlacement) {
  startWithMap(nullptr);
  vell::Object* o = probe({
      "h <- objectLoadGeometry(\"arm\"); wave <- objectGetAnimation(h, \"wave\");"
      "objectSetExtendAnimationCount(2); objectSetExtendAnimation(1, wave);"
      "objectSetExtendAnimationExtra(1, {pos = Vec3(1, 2, 3), scale = Vec3(2, 2, 2),"
      "  rot = [Vec3(0, 2, 0), 90, Vec3(1, 0, 0), 90]});",
  });
  frames(1);
  ASSERT_EQ(o->extend.size(), 2u);
  EXPECT_EQ(o->extend[0].anim, nullptr);
  EXPECT_EQ(o->extend[0].scale.x, 1.0f);
  EXPECT_EQ(o->extend[0].rotation.w, 1.0f);
  EXPECT_EQ(anim(o->extend[1].anim), "wave");
  const vell::ExtendSlot& s = o->extend[1];
  EXPECT_EQ(s.offset.x, 1.0f);
  EXPECT_EQ(s.offset.z, 3.0f);
  EXPECT_EQ(s.scale.y, 2.0f);
  // The Y turn times the X turn (q1 x q2), with the axis normalised; the other order would give
  // +0.5 in z.
  EXPECT_NEAR(s.rotation.x, 0.5f, 1e-6f);
  EXPECT_NEAR(s.rotation.y, 0.5f, 1e-6f);
  EXPECT_NEAR(s.rotation.z, -0.5f, 1e-6f);
  EXPECT_NEAR(s.rotation.w, 0.5f, 1e-6f);
  // The slot's model follows the object: its offset turned with it.
  const float* at = s.anim->geometry->object.instance->transform.position;
  EXPECT_FLOAT_EQ(at[0], 4.0f + 1.0f);
  EXPECT_FLOAT_EQ(at[2], 4.0f + 3.0f);
  EXPECT_TRUE(errors().empty()) << errors().front();
}

TEST_F(ObjectNativesTest, ExtendRotationsFromShortAndOddLists) {
  startWithMap(nullptr);
  const struct {
    const char* rot;
    LQuat expected;
  } cases[] = {
      {"[Vec3(0, 1, 0)]", {0.0f, 0.0f, 0.0f, 1.0f}},
      {"[]", {0.0f, 0.0f, 0.0f, 1.0f}},
      // The odd last element is left out.
      {"[Vec3(0, 0, 3), 180, Vec3(1, 0, 0)]", {0.0f, 0.0f, 1.0f, 0.0f}},
  };
  for (const auto& c : cases) {
    vell::Object* o = probe({std::string("objectSetExtendAnimationCount(1);"
                                         "objectSetExtendAnimationExtra(0, {rot = [Vec3(1, 0, 0), 90]});"
                                         "objectSetExtendAnimationExtra(0, {rot = ") +
                             c.rot + "});"});
    frames(1);
    ASSERT_EQ(o->extend.size(), 1u) << c.rot;
    const LQuat& q = o->extend[0].rotation;
    EXPECT_NEAR(q.x, c.expected.x, 1e-6f) << c.rot;
    EXPECT_NEAR(q.y, c.expected.y, 1e-6f) << c.rot;
    EXPECT_NEAR(q.z, c.expected.z, 1e-6f) << c.rot;
    EXPECT_NEAR(q.w, c.expected.w, 1e-6f) << c.rot;
  }
  EXPECT_TRUE(errors().empty()) << errors().front();
}

TEST_F(ObjectNativesTest, ExtendSlotsEmptyShrinkAndRefuseWhatLiesOutside) {
  startWithMap(nullptr);
  vell::Object* o = probe({
      "h <- objectLoadGeometry(\"arm\"); wave <- objectGetAnimation(h, \"wave\");"
      "objectSetExtendAnimationCount(2); objectAddExtendAnimation(0, wave);"
      "objectSetExtendAnimation(1, wave);",
      "objectSetExtendAnimation(1, null);",
      "objectSetExtendAnimation(2, wave); objectAddExtendAnimation(-1, wave);"
      "objectSetExtendAnimationExtra(5, {}); objectSetExtendAnimationCount(-1);"
      "objectSetExtendAnimationCount(100000);",
      "objectSetExtendAnimationExtra(0, {pos = null, scale = null});"
      "objectSetExtendAnimationExtra(0, {rot = null});",
      "objectSetExtendAnimationCount(1);",
  });
  frames(1);
  // An empty slot takes an added animation as a set one.
  EXPECT_EQ(anim(o->extend[0].anim), "wave");
  EXPECT_EQ(anim(o->extend[1].anim), "wave");
  frames(1);
  EXPECT_EQ(o->extend[1].anim, nullptr);
  LogCapture::messages().clear();
  frames(2);
  EXPECT_EQ(errors(), (std::vector<std::string>{
                          "[] Script Error: invalid extend animation slot(2)",
                          "[] Script Error: invalid extend animation slot(-1)",
                          "[] Script Error: invalid extend animation slot(5)",
                          "[] Script Error: invalid extend animation count(-1)",
                          "[] Script Error: invalid extend animation count(100000)",
                          // A null scale leaves the scale as it is; pos and rot must not be null.
                          "[] Script Error: can't find object(pos)",
                          "[] Script Error: can't find object(rot)",
                      }));
  EXPECT_EQ(o->extend.size(), 2u);
  EXPECT_EQ(o->extend[0].offset.x, 0.0f);
  EXPECT_EQ(o->extend[0].scale.x, 1.0f);
  frames(1);
  EXPECT_EQ(o->extend.size(), 1u);
}

TEST_F(ObjectNativesTest, AnotherObjectsOrAStaleHandleIsAScriptError) {
  startWithMap(nullptr);
  vell::Object* owner = probe({"g <- objectLoadGeometry(\"body\");"
                               "baseSetShareVar(0, [g, objectGetAnimation(g, \"walk\")]);",
                               "objectRequestExit();"});
  frames(1);
  const std::string share = "baseGetShareVar(" + std::to_string(owner->id()) + ")";
  const vell::Object* thief = probe({
      "held <- " + share + "; objectSetCurrentAnimation(held[1]); objectGetAnimation(held[0], \"x\");",
      "",
      // The owner has gone: its handles are stale.
      "objectSetCurrentAnimation(held[1]); objectGetAnimationDefault(held[0]);",
      "objectSetCurrentAnimation(0); objectGetAnimationLastFrame(123456);",
  });
  std::vector<int32_t> handles;
  {
    const ScriptObject held = owner->getShare();
    handles = {held.findSlotByIndex(0).toInteger(), held.findSlotByIndex(1).toInteger()};
  }
  LogCapture::messages().clear();
  frames(4);
  const std::string geometry = "[] Script Error: invalid geometry handle(" + std::to_string(handles[0]) + ")";
  const std::string animation =
      "[] Script Error: invalid animation handle(" + std::to_string(handles[1]) + ")";
  EXPECT_EQ(errors(), (std::vector<std::string>{animation, geometry, animation, geometry,
                                                "[] Script Error: invalid animation handle(0)",
                                                "[] Script Error: invalid animation handle(123456)"}));
  EXPECT_EQ(thief->currentAnim, nullptr);
}

// The four natives that read their own arguments report the first bad one by the binding
// layer's rules and do nothing.
TEST_F(ObjectNativesTest, NativesReadingTheirOwnArgumentsReportTheFirstBadOne) {
  startWithMap(nullptr);
  const struct {
    const char* call;
    const char* error;
  } cases[] = {
      {"objectMoveAir(\"up\", \"x\", 0, true)", "get float from stack(2)"},
      {"objectMoveAir(1, 0, 0, 1)", "get bool from stack(5)"},
      {"objectMoveAir(1, 0, 0)", "get bool from stack(5)"},
      {"objectMoveMap(1, 2, 3, \"x\")", "get integer from stack(5)"},
      {"objectMoveMap(1, null, 3, 0)", "get float from stack(3)"},
      {"objectRotateMapLand(\"a\", null)", "get float from stack(2)"},
      {"objectRotateMapLand(10)", "get stack object(3)"},
      {"objectRotateMapLand(10, 5)", "can't get instance up"},
      {"objectAddExtendAnimation(\"x\", 0)", "get integer from stack(2)"},
      {"objectAddExtendAnimation(0, \"x\")", "get integer from stack(3)"},
  };
  std::vector<std::string> steps = {"objectSetExtendAnimationCount(1);"};
  for (const auto& c : cases) steps.push_back(c.call);
  vell::Object* o = probe(steps);
  frames(1);
  for (const auto& c : cases) {
    LogCapture::messages().clear();
    frames(1);
    EXPECT_EQ(errors(), std::vector<std::string>{std::string("[] Script Error: ") + c.error})
        << c.call;
    EXPECT_EQ(o->turnAngle, 0) << c.call;
  }
  EXPECT_EQ(o->moveMode, vell::kMoveNone);
  EXPECT_EQ(o->request.rise, 0);
  EXPECT_EQ(o->turnAngle, 0);
  EXPECT_EQ(o->extend[0].anim, nullptr);
}

TEST_F(ObjectNativesTest, MoveRequests) {
  startWithMap(nullptr);
  const struct {
    const char* call;
    uint32_t mode;
    vell::MoveRequest request;
    bool airFromLand;
  } cases[] = {
      {"objectMoveLand(0.5, 90)", vell::kMoveLand, {0, 0, 512, 1608}, false},
      // A speed of 0 or below stops.
      {"objectMoveLand(1, 0); objectMoveLand(0, 90)", vell::kMoveNone, {0, 0, 1024, 0}, false},
      {"objectMoveLand(1, 0); objectMoveLand(-1, 90)", vell::kMoveNone, {0, 0, 1024, 0}, false},
      // Angles are kept as given; the move wraps them.
      {"objectMoveLand(2, 450)", vell::kMoveLand, {0, 0, 2048, 8042}, false},
      {"objectMoveLand(1, 0); objectMoveAir(0, 0, 45, true)", vell::kMoveNone, {0, 0, 1024, 0},
       false},
      // Straight up, from the land the object stands on.
      {"objectMoveAir(1, 0, 0, true)", vell::kMoveAir, {0, 1024, 0, 0}, true},
      {"objectMoveAir(-2, 0, 0, false)", vell::kMoveAir, {0, -2048, 0, 0}, false},
      {"objectMoveAir(0, 0.25, 180, false)", vell::kMoveAir, {0, 0, 256, 3217}, false},
      {"objectMoveMap(1, 2, -90, 3)", vell::kMoveMap, {3, 1024, 2048, -1608}, false},
  };
  for (const auto& c : cases) {
    vell::Object* o = probe({c.call});
    frames(1);
    EXPECT_EQ(o->moveMode, c.mode) << c.call;
    EXPECT_EQ(o->request.flags, c.request.flags) << c.call;
    EXPECT_EQ(o->request.rise, c.request.rise) << c.call;
    EXPECT_EQ(o->request.distance, c.request.distance) << c.call;
    EXPECT_EQ(o->request.angle, c.request.angle) << c.call;
    // The hint is spent by the move: the air move starts from the land the object stood on.
    EXPECT_EQ(o->air.landHint != nullptr, c.airFromLand) << c.call;
  }
  EXPECT_TRUE(errors().empty()) << errors().front();
}

TEST_F(ObjectNativesTest, MapTurnsAndMoveOptions) {
  startWithMap(nullptr);
  vell::Object* o = probe({
      "objectRotateMapLand(45, Vec3(1, 0, 2));",
      "objectRotateMapLand(0, null);",
      "objectSetMoveLandOption(7, {slideAngle = 45, slipAngle = 30, slipFall = 0.5});"
      "objectSetMoveAirOption(3, {slideAngle = 30});",
      // Absolute angle only: slide and slip are cleared.
      "objectSetMoveLandOption(1, null); objectSetMoveAirOption(0, null);",
      // Without the table's angles, a quarter turn.
      "objectSetMoveLandOption(6, {}); objectSetMoveAirOption(2, null);",
  });
  frames(1);
  EXPECT_EQ(o->turnAngle, 804);
  EXPECT_EQ(o->turnPivot.x, 1024);
  EXPECT_EQ(o->turnPivot.z, 2048);
  frames(1);
  EXPECT_EQ(o->turnAngle, 0);
  EXPECT_EQ(o->turnPivot.x, 0);
  frames(1);
  EXPECT_EQ(o->flags & (vell::kObjectLandAngleAbsolute | vell::kObjectAirAngleAbsolute),
            vell::kObjectLandAngleAbsolute | vell::kObjectAirAngleAbsolute);
  EXPECT_EQ(o->land.options, vell::kLandOptionSlide | vell::kLandOptionSlip);
  EXPECT_EQ(o->land.slideAngle, 804);
  EXPECT_EQ(o->land.slipAngle, 536);
  EXPECT_EQ(o->land.slipFall, 512);
  EXPECT_EQ(o->air.options, vell::kAirOptionSlide);
  EXPECT_EQ(o->air.slideAngle, 536);
  frames(1);
  EXPECT_EQ(o->flags & (vell::kObjectLandAngleAbsolute | vell::kObjectAirAngleAbsolute),
            vell::kObjectLandAngleAbsolute);
  EXPECT_EQ(o->land.options, 0u);
  EXPECT_EQ(o->air.options, 0u);
  frames(1);
  EXPECT_EQ(o->flags & vell::kObjectLandAngleAbsolute, 0u);
  EXPECT_EQ(o->land.options, vell::kLandOptionSlide | vell::kLandOptionSlip);
  EXPECT_EQ(o->land.slideAngle, 1608);
  EXPECT_EQ(o->land.slipAngle, 1608);
  EXPECT_EQ(o->land.slipFall, 0);
  EXPECT_EQ(o->air.options, vell::kAirOptionSlide);
  EXPECT_EQ(o->air.slideAngle, 1608);
  EXPECT_TRUE(errors().empty()) << errors().front();
}

TEST_F(ObjectNativesTest, IdentityFacingAndWhatLiesUnderTheObject) {
  startWithMap(nullptr);
  vell::Object* o = probe({
      "return objectGetGroup() + \" \" + objectGetName() + \" \" + (objectGetBaseId() != 0);",
      "objectSetRot(370); objectSetRotTrack(-90); return objectGetRot();",
      "return objectGetUnderLandGroup() + \" \" + show(objectGetMapEvent(0));",
      "local e = objectGetMapEvent(0);"
      "return e.no + \" \" + show(objectGetMapEvent(1)) + \" \" + show(objectGetMapEvent(-1));",
  });
  const vell::Object* outside = probe({"return objectGetUnderLandGroup();"}, {102400, 0, 4096});
  frames(2);
  EXPECT_EQ(o->trackAngle, 4826);
  // The map's script disabled both events in its first frame; event 1 comes back.
  frames(1);
  engine->map()->setEventEnable(1, true);
  engine->map()->updateCache();
  frames(1);
  const std::vector<std::string> l = lines();
  ASSERT_EQ(l.size(), 5u);
  EXPECT_EQ(l[0], "probe probe true");
  EXPECT_EQ(l[1], "-1");
  // 370 degrees is 6613, wrapped to 179: about 10 degrees.
  EXPECT_NEAR(std::stof(l[2]), 10.0f, 0.05f);
  ASSERT_NE(o->groundTriangle, nullptr);
  EXPECT_EQ(l[3], std::to_string(o->groundTriangle->groupNumber) + " null");
  EXPECT_GE(o->groundTriangle->groupNumber, 0);
  EXPECT_EQ(l[4], "13 null null");
  EXPECT_EQ(outside->groundTriangle, nullptr);
  EXPECT_TRUE(errors().empty()) << errors().front();
}

TEST_F(ObjectNativesTest, DamageRecordsNoticesAndSlots) {
  startWithMap(nullptr);
  vell::Object* o = probe({
      "objectSetCollDamage(0, {mask = 0x1FF, flag = 1}); objectSetCollDamage(1, {flag = 3});"
      "objectSetCollDamage(1, {}); objectSetSystemDamageNotify(1, \"hit\");"
      "return show(objectGetDamageNotifies(0)) + \" \" + show(objectGetDamageNotifies(1));",
      "local n = objectGetDamageNotifies(1);"
      "return n.len() + \" \" + n[0] + \" \" + show(objectGetDamageNotifies(0)) + \" \" +"
      "  systemGetDamageNotifies()[0];",
      "objectSetCollDamage(2, {mask = 1}); objectGetDamageNotifies(-1);"
      "objectSetSystemDamageNotify(5, 1);",
  });
  frames(1);
  EXPECT_EQ(o->damage[0].mask, 0xFFu);
  EXPECT_EQ(o->damage[0].flag, 1u);
  EXPECT_EQ(o->damage[1].mask, 0u);
  EXPECT_EQ(o->damage[1].flag, 3u);
  // What the hit pass does when an attack hits record 1.
  o->deliverNotice(1, ScriptObject::newInteger(engine->scriptManager()->vm.vm, 7));
  frames(2);
  EXPECT_EQ(lines(), (std::vector<std::string>{"null null", "1 7 null hit"}));
  EXPECT_EQ(errors(), (std::vector<std::string>{"[] Script Error: invalid damage slot(2)",
                                                "[] Script Error: invalid damage slot(-1)",
                                                "[] Script Error: invalid damage slot(5)"}));
}

TEST_F(ObjectNativesTest, ShadowsJoinAndLeaveTheEnginesList) {
  startWithMap(nullptr);
  vell::DecalHandle* decal = engine->decals().add({}, 0.5f);
  const std::string h = std::to_string(decal->handle);
  vell::Object* o = probe({
      "objectSetShadow(" + h + ", {alpha = 0.5, rot = 90, scale = Vec3(2, 1, 4),"
      "  heightScale = 0.25, heightScaleMin = 0.5, heightScaleMax = 2});",
      "objectSetShadow(" + h + ", null);",
      "objectClearShadow(); objectClearShadow();",
      "objectSetShadow(" + h + ", {scale = null}); objectSetShadow(12345, null);",
      "objectRequestExit();",
  });
  const std::vector<vell::Shadow*>& list = engine->shadows().shadows();
  frames(1);
  ASSERT_EQ(list, std::vector<vell::Shadow*>{&o->shadow});
  const vell::Shadow& s = o->shadow;
  EXPECT_EQ(s.handle, decal);
  EXPECT_FLOAT_EQ(s.alpha, 0.25f);
  EXPECT_EQ(s.heightScale, 0.25f);
  EXPECT_EQ(s.minimum, 0.5f);
  EXPECT_EQ(s.maximum, 2.0f);
  // The footprint: turned a quarter, 2 by 4 units.
  vell::Shadow expected;
  vell::ShadowList reference;
  reference.set(expected, decal, {2.0f, 1.0f, 4.0f}, 1.5707963f, 1.0f, 0.0f, 0.0f, 0.0f);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(s.base.m[r][c], expected.base.m[r][c], 1e-6f);
  }
  // Where the object stands, for the decal pass.
  EXPECT_EQ(s.caster.ground, o->groundTriangle);
  EXPECT_EQ(s.caster.position.x, o->position.x);
  frames(1);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_FLOAT_EQ(s.alpha, 0.5f);
  EXPECT_EQ(s.heightScale, 0.0f);
  EXPECT_EQ(s.minimum, -3.4028235e38f);
  EXPECT_EQ(s.maximum, 3.4028235e38f);
  EXPECT_NEAR(s.base.m[0][0], 1.0f, 1e-6f);
  frames(1);
  EXPECT_TRUE(list.empty());
  LogCapture::messages().clear();
  frames(1);
  EXPECT_EQ(errors(), (std::vector<std::string>{"[] Script Error: can't find object(scale)",
                                                "[] Script Error: invalid decal handle(12345)"}));
  ASSERT_EQ(list.size(), 1u);
  // An exit takes the shadow away, also from an object that is kept by a reference.
  frames(1);
  EXPECT_EQ(o->status, vell::kObjectExited);
  EXPECT_TRUE(list.empty());
}

TEST_F(ObjectNativesTest, DecalsAtTheObjectTurnedWithIt) {
  startWithMap(nullptr);
  vell::DecalHandle* decal = engine->decals().add({}, 0.5f);
  const std::string h = std::to_string(decal->handle);
  probe({
      "objectSetRot(90); objectRegistDecal(" + h + ", null);"
      "objectRegistDecal(" + h + ", {pos = Vec3(1, 0, 0), alpha = 0.5, rot = 90,"
      "  scale = Vec3(2, 1, 4), frameStart = 10, frameEnd = 20, frameDead = 30});",
      "objectRegistDecal(" + h + ", {pos = null}); objectRegistDecal(" + h + ", {scale = null});",
  });
  frames(1);
  const vell::MapDecals& decals = engine->map()->decals;
  ASSERT_EQ(decals.count(), 2u);
  const auto centre = [](const vell::DecalSlot& s) {
    const vell::Vec3f& v0 = s.triangle->f0;
    return LVec3{s.offset.x + v0.x, s.offset.y + v0.y, s.offset.z + v0.z};
  };
  // At the object, full alpha, size 1, for 60 frames, turned with the object.
  const vell::DecalSlot& plain = decals.slot(0);
  EXPECT_EQ(plain.handle, decal);
  EXPECT_NEAR(centre(plain).x, 4.0f, 1e-6f);
  EXPECT_NEAR(centre(plain).z, 4.0f, 1e-6f);
  EXPECT_EQ(plain.alpha, 1.0f);
  EXPECT_EQ(plain.inverseSize.x, 1.0f);
  EXPECT_EQ(plain.fadeIn, 0u);
  EXPECT_EQ(plain.fadeOut, 60u);
  EXPECT_EQ(plain.life, 60u);
  EXPECT_NEAR(plain.rotation.y, -std::sqrt(0.5f), 1e-3f);
  // One unit along x from an object turned a quarter about +Y lies one unit towards -z.
  const vell::DecalSlot& placed = decals.slot(1);
  EXPECT_NEAR(centre(placed).x, 4.0f, 1.0f / 1024.0f);
  EXPECT_NEAR(centre(placed).z, 3.0f, 1.0f / 1024.0f);
  EXPECT_EQ(placed.alpha, 0.5f);
  EXPECT_EQ(placed.inverseSize.x, 0.5f);
  EXPECT_EQ(placed.inverseSize.z, 0.25f);
  EXPECT_EQ(placed.fadeIn, 10u);
  EXPECT_EQ(placed.fadeOut, 20u);
  EXPECT_EQ(placed.life, 30u);
  // Half a turn: the object's quarter and the decal's own.
  EXPECT_NEAR(placed.rotation.y, -1.0f, 1e-3f);
  EXPECT_TRUE(errors().empty()) << errors().front();
  frames(1);
  EXPECT_EQ(errors(), (std::vector<std::string>{"[] Script Error: can't find object(pos)",
                                                "[] Script Error: can't find object(scale)"}));
}

// The effect's options as objectShowEffect reads them (the fixture has no effect manager to
// play them on).
TEST_F(ObjectNativesTest, EffectOptions) {
  startWithMap(nullptr);
  const float h = std::sqrt(0.5f);
  const struct {
    const char* table;
    LQuat rotation;
    const char* error;
  } cases[] = {
      {"null", {0, 0, 0, 1}, nullptr},
      // 450 degrees is a quarter turn about +Y.
      {"{rot = \"0 1 0 450\"}", {0, h, 0, h}, nullptr},
      // The axis is normalised, the angle brought into one turn: -90 is 270.
      {"{rot = \"0 2 0 -90\"}", {0, h, 0, -h}, nullptr},
      // The Y turn times the X turn, in the array's order.
      {"{rots = [\"0 1 0 90\", \"1 0 0 90\"]}", {0.5f, 0.5f, -0.5f, 0.5f}, nullptr},
      {"{rot = \"0 0 1 180\", rots = [\"0 1 0 90\"]}", {0, 0, 1, 0}, nullptr},
      {"{rots = null}", {0, 0, 0, 1}, "[] Script Error: can't find object(rots)"},
      {"{pos = null}", {0, 0, 0, 1}, "[] Script Error: can't find object(pos)"},
  };
  for (const auto& c : cases) {
    vell::Object* o = probe({std::string("baseSetShareVar(0, ") + c.table + ");"});
    frames(1);
    LogCapture::messages().clear();
    const vell::EffectRequest r =
        vell::effectRequest(vell::OptionTable(o->thread->vm.vm, o->getShare()));
    EXPECT_NEAR(r.rotation.x, c.rotation.x, 1e-6f) << c.table;
    EXPECT_NEAR(r.rotation.y, c.rotation.y, 1e-6f) << c.table;
    EXPECT_NEAR(r.rotation.z, c.rotation.z, 1e-6f) << c.table;
    EXPECT_NEAR(r.rotation.w, c.rotation.w, 1e-6f) << c.table;
    EXPECT_FALSE(r.systemData) << c.table;
    EXPECT_EQ(r.life, -1) << c.table;
    EXPECT_EQ(r.offset.x, 0) << c.table;
    EXPECT_EQ(r.scale.y, 1.0f) << c.table;
    EXPECT_EQ(errors(), c.error != nullptr ? std::vector<std::string>{c.error}
                                           : std::vector<std::string>{})
        << c.table;
  }
  vell::Object* o = probe({"baseSetShareVar(0, {system = true, life = 30, "
                           "pos = Vec3(1, 0.5, -2), scale = Vec3(2, 3, 4)});"});
  vell::Object* notBool = probe({"baseSetShareVar(0, {system = 1});"});
  frames(1);
  const vell::EffectRequest r =
      vell::effectRequest(vell::OptionTable(o->thread->vm.vm, o->getShare()));
  EXPECT_TRUE(r.systemData);
  EXPECT_EQ(r.life, 30);
  EXPECT_EQ(r.offset.x, 1024);
  EXPECT_EQ(r.offset.y, 512);
  EXPECT_EQ(r.offset.z, -2048);
  EXPECT_EQ(r.scale.z, 4.0f);
  EXPECT_FALSE(
      vell::effectRequest(vell::OptionTable(notBool->thread->vm.vm, notBool->getShare())).systemData);
}

}  // namespace
