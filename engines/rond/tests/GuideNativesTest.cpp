// The guide table on the fixture match: the views and targets a guide sees, the screen position
// of a point through a slot's camera, what it reads of the players and the session, and its
// index checks.

#include "engines/rond/tests/MatchFixture.h"
#include "engines/rond/tests/TableScript.h"

#include "engines/rond/Camera.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using rondtest::kLife;
using rondtest::TableScript;

class GuideNativesTest : public rondtest::MatchFixture {
 protected:
  TableScript guideScript(rond::Guide* guide) {
    return TableScript(*engine, engine->guideTable(), guide);
  }
};

TEST_F(GuideNativesTest, GuidesSeeTheViewsTheyDrawOn) {
  struct Case {
    bool target0, target1;
    int32_t drawType, drawTarget0, drawTarget1;
  } cases[] = {
      {true, true, 2, 0, 1},
      {false, true, 1, 1, 2},
      {false, false, 0, 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.target0 << c.target1);
    start(match(c.target0, c.target1));
    TableScript system(*engine, engine->guideTable(), engine->systemGuide());
    EXPECT_EQ(system.evalInt("guideGetTarget()"), 2);
    EXPECT_EQ(system.evalInt("guideGetDrawType()"), c.drawType);
    EXPECT_EQ(system.evalInt("guideGetDrawTarget(0)"), c.drawTarget0);
    EXPECT_EQ(system.evalInt("guideGetDrawTarget(1)"), c.drawTarget1);
    if (c.drawType > 0) {
      TableScript first(*engine, engine->guideTable(), engine->playerGuide(0));
      EXPECT_EQ(first.evalInt("guideGetTarget()"), c.drawTarget0);
    }
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(GuideNativesTest, ScreenPositionsGoThroughTheCameraAndItsFullViewProjection) {
  start(match(true, false));
  rond::Camera& camera = *engine->camera(0);
  camera.setView(LVec3{0.0f, 0.0f, 5.0f}, LVec3{0.0f, 0.0f, 0.0f}, LVec3{0.0f, 3.0f, 0.0f});
  // Asking for the half-width projection first must not change what a guide computes.
  LMat view;
  LMat projection;
  camera.selectProjection(2, view, projection);
  TableScript guide(*engine, engine->guideTable(), engine->systemGuide());
  // pi/4 and 4/3 at five units: x scales by cot(pi/8) / (4/3) / 5, y by cot(pi/8) / 5.
  struct Case {
    const char* point;
    float x, y;
  } cases[] = {
      {"Vec3(0.0, 0.0, 0.0)", 0.0f, 0.0f},
      {"Vec3(1.0, 0.0, 0.0)", 0.3621320f, 0.0f},
      {"Vec3(0.0, 1.0, 0.0)", 0.0f, 0.4828427f},
      {"Vec3(-1.0, -1.0, 0.0)", -0.3621320f, -0.4828427f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.point);
    guide.run(std::string("::at <- guideGetScreenPos(0, ") + c.point + ");");
    EXPECT_NEAR(guide.evalFloat("::at.x"), c.x, 1e-6f);
    EXPECT_NEAR(guide.evalFloat("::at.y"), c.y, 1e-6f);
  }

  // The camera script looks at a point above its player: that point is the view's centre.
  engine->update();
  const FixedVec3 p = engine->player(0)->position;
  guide.run("::at <- guideGetScreenPos(0, Vec3(" + std::to_string(fixedToFloat(p.x)) + ", " +
            std::to_string(fixedToFloat(p.y) + 0.5f) + ", " + std::to_string(fixedToFloat(p.z)) +
            "));");
  EXPECT_NEAR(guide.evalFloat("::at.x"), 0.0f, 1e-5f);
  EXPECT_NEAR(guide.evalFloat("::at.y"), 0.0f, 1e-5f);
  EXPECT_TRUE(errors().empty());
}

TEST_F(GuideNativesTest, GuidesReadPlayersAndTheSession) {
  start(match());
  engine->update();
  param(1, kLife).value = 25;
  TableScript guide(*engine, engine->guideTable(), engine->systemGuide());
  EXPECT_EQ(guide.evalString("playerGetName(1)"), "fighter/");
  EXPECT_EQ(guide.evalInt("playerGetParameterValue(1, 0)"), 25);
  EXPECT_FLOAT_EQ(guide.evalFloat("playerGetParameterRate(1, 0)"), 0.25f);
  EXPECT_EQ(guide.evalFloat("playerGetParameterRate(1, 1)"), 0.0f) << "a parameter without range";
  EXPECT_EQ(guide.evalInt("playerGetParameterRange(0).max"), 100);
  const FixedVec3 centre = engine->player(0)->centre;
  EXPECT_EQ(guide.evalFloat("playerGetDamageTarget(0).y"), fixedToFloat(centre.y));
  EXPECT_EQ(guide.evalFloat("playerGetDamageTarget(0).z"), fixedToFloat(centre.z));
  EXPECT_EQ(guide.evalString("\"\" + ctrlIsDevice(0) + ctrlGetEvent(0, 16)"), "falsefalse");
  EXPECT_EQ(guide.evalString("\"\" + systemIsDadEvoz() + systemGetDadEvozConnect() + "
                             "systemGetDadEvozDelay()"),
            "false00");
  EXPECT_TRUE(errors().empty());
}

TEST_F(GuideNativesTest, GuidesNeverReachTheSimulation) {
  // A player guide runs only where its view is drawn: its draws and writes must not change the
  // match, or runtimes that draw other views would part ways.
  start(match());
  engine->update();
  const uint64_t before = hash();
  TableScript guide(*engine, engine->guideTable(), engine->playerGuide(0));
  const float value = guide.evalFloat("commonGetRandomValue()");
  EXPECT_TRUE(value >= 0.0f && value < 1.0f) << value;
  const int32_t range = guide.evalInt("commonGetRandomRange(5, 2)");
  EXPECT_TRUE(range >= 2 && range <= 5) << range;
  guide.run("systemSetParameterValue(1, 77);");
  EXPECT_EQ(hash(), before);
  EXPECT_EQ(errors(), std::vector<std::u16string>{
                          u"[] Script Error: a guide script cannot change parameters("
                          u"systemSetParameterValue)"});
}

TEST_F(GuideNativesTest, BadArgumentsAreScriptErrors) {
  start(match());
  TableScript guide(*engine, engine->guideTable(), engine->systemGuide());
  struct Case {
    const char* call;
    const char16_t* error;
  } cases[] = {
      {"guideGetDrawTarget(2)", u"[] Script Error: view side index out of range(2)"},
      {"guideGetScreenPos(3, Vec3())", u"[] Script Error: versus slot index out of range(3)"},
      {"guideGetScreenPos(0, 5)", u"[] Script Error: can't get instance up"},
      {"playerGetParameterRate(0, 9)", u"[] Script Error: parameter index out of range(9)"},
      {"spriteCreatePlayerImage(-1, \"face\")", u"[] Script Error: versus slot index out of range(-1)"},
      {"guideGetDrawTarget(\"left\")", u"[] Script Error: get integer from stack(2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    LogCapture::messages().clear();
    guide.run(std::string(c.call) + ";");
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().front(), c.error);
  }
}

}  // namespace
