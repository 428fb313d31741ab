// Score tips in a running match: capacity per side, the rise, wait and home steps, and the
// packing of live tips when one arrives (the last one takes its place and moves on at once).

#include "engines/rond/ScoreTip.h"

#include "engines/rond/tests/BulletMatchFixture.h"

#include "model/object/L3DObjectInstance.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using rond::ScoreTip;

class ScoreTipTest : public rondtest::BulletMatchFixture {
 protected:
  rond::ScoreTips& tips() { return engine->scoreTips(); }
  const rond::ScoreTipDefinition& definition(size_t i = 0) { return tips().definitions().at(i); }

  void define(int32_t count, int32_t waitFrames = 100) {
    tips().setDefinitionCount(1);
    rond::ScoreTipValues v;
    v.geometryName = u"tip";
    v.count = count;
    v.notifyPlayers = {{0, -10}};
    v.riseFrames = 1;
    v.riseSpeed = 0.25f;
    v.yMin = 1.0f;
    v.yMax = 2.0f;
    v.waitFrames = waitFrames;
    v.homeSpeed = 0.5f;
    tips().define(0, v, engine->systemDirectory());
  }
};

TEST_F(ScoreTipTest, EachSideHoldsAtMostItsCapacity) {
  define(2);
  for (int i = 0; i < 3; ++i) tips().addTip(0, 0, {0, 0, 0});
  EXPECT_EQ(definition().live[0], 2u);
  EXPECT_EQ(definition().live[1], 0u);
  tips().addTip(0, 1, {1024, 0, 0});
  EXPECT_EQ(definition().live[1], 1u);
  EXPECT_FLOAT_EQ(definition().tips[1][0].position.x, 1.0f);
  // The rise draws a direction of length riseSpeed with an upward part.
  const LVec3& v = definition().tips[1][0].velocity;
  EXPECT_NEAR(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), 0.25f, 1e-6);
  EXPECT_GT(v.y, 0.0f);

  define(0);
  tips().addTip(0, 0, {0, 0, 0});
  EXPECT_EQ(definition().live[0], 0u);
  EXPECT_TRUE(LogCapture::messages().empty());
  tips().addTip(1, 0, {0, 0, 0});
  ASSERT_EQ(LogCapture::messages().size(), 1u);
  EXPECT_EQ(LogCapture::messages()[0].text, u"[] Script Error: score tip index out of range(1)");
}

TEST_F(ScoreTipTest, StepsRiseWaitAndHome) {
  struct Case {
    int32_t state, frames;  // rise or wait frames
    int32_t state1, frame1;  // after one step
  } cases[] = {
      {ScoreTip::kRise, 0, ScoreTip::kWait, 0}, {ScoreTip::kRise, 1, ScoreTip::kWait, 0},
      {ScoreTip::kRise, 3, ScoreTip::kRise, 1}, {ScoreTip::kWait, 0, ScoreTip::kHome, 0},
      {ScoreTip::kWait, 1, ScoreTip::kHome, 0}, {ScoreTip::kWait, 2, ScoreTip::kWait, 1},
  };
  for (const Case& c : cases) {
    rond::ScoreTipDefinition d;
    d.riseFrames = d.waitFrames = c.frames;
    ScoreTip tip;
    tip.state = c.state;
    EXPECT_FALSE(rond::stepScoreTip(tip, {}, d));
    EXPECT_EQ(tip.state, c.state1);
    EXPECT_EQ(tip.frame, c.frame1);
  }
  rond::ScoreTipDefinition d;
  d.homeSpeed = 0.5f;
  ScoreTip tip;
  tip.state = ScoreTip::kHome;
  tip.position = {0, 0, 1.25f};
  EXPECT_FALSE(rond::stepScoreTip(tip, {0, 0, 0}, d));
  EXPECT_FLOAT_EQ(tip.position.z, 0.75f);
  EXPECT_FALSE(rond::stepScoreTip(tip, {0, 0, 0}, d));
  EXPECT_TRUE(rond::stepScoreTip(tip, {0, 0, 0}, d)) << "within 0.5 of the target";
  tip.state = 9;
  EXPECT_TRUE(rond::stepScoreTip(tip, {0, 0, 0}, d)) << "an unknown state has arrived";
}

TEST_F(ScoreTipTest, AnArrivedTipIsReplacedByTheLastAndCredited) {
  define(3);
  for (int32_t i = 0; i < 3; ++i) tips().addTip(0, 0, {1024 * i, 0, 0});
  auto& live = const_cast<rond::ScoreTipDefinition&>(definition()).tips[0];
  for (ScoreTip& t : live) t.state = ScoreTip::kWait;
  live[0].state = 7;  // arrives in this update
  const L3DObjectInstance* second = live[1].model.instance.Get();
  const L3DObjectInstance* third = live[2].model.instance.Get();
  ASSERT_NE(second, third);
  const int32_t life = engine->player(0)->parameters.at(0).value;
  tips().update();
  ASSERT_EQ(definition().live[0], 2u);
  EXPECT_EQ(live[0].model.instance.Get(), third);
  EXPECT_FLOAT_EQ(live[0].position.x, 2.0f);
  EXPECT_EQ(live[0].frame, 1) << "the moved tip steps in the same update";
  EXPECT_EQ(live[1].model.instance.Get(), second);
  EXPECT_EQ(live[1].frame, 1);
  EXPECT_EQ(engine->player(0)->parameters.at(0).value, life - 10);
  EXPECT_EQ(engine->player(1)->parameters.at(0).value, life);
  // The instance follows its tip.
  EXPECT_FLOAT_EQ(third->transform.position[0], 2.0f);
  tips().clearAll();
  EXPECT_EQ(definition().live[0], 0u);
}

}  // namespace
