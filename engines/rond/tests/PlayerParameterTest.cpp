// Parameter records: clamping, ranges, rates, conditions and the engine's two tables.

#include "engines/rond/PlayerParameter.h"

#include <gtest/gtest.h>

namespace {

using rond::ParameterDefinition;
using rond::ParameterTables;
using rond::PlayerParameter;

TEST(PlayerParameter, DefineClampsTestingMinFirst) {
  struct Case {
    int32_t min, max, start, written, stored;
    float range, rate;
  } cases[] = {
      // min = max switches clamping off and the rate is 0.
      {0, 0, 0, 12345, 12345, 0.0f, 0.0f},
      {5, 5, 0, -7, -7, 0.0f, 0.0f},
      // min above max: 7 is below min, so it becomes min (the test against min comes first);
      // 20 is above max.
      {10, 5, 0, 7, 10, -5.0f, -0.0f},
      {10, 5, 0, 2, 10, -5.0f, -0.0f},
      {10, 5, 0, 20, 5, -5.0f, 1.0f},
      {0, 100, 0, -1, 0, 100.0f, 0.0f},
      {0, 100, 0, 101, 100, 100.0f, 1.0f},
      {0, 100, 0, 25, 25, 100.0f, 0.25f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " <- " << c.written);
    PlayerParameter p;
    p.value = c.start;
    p.define(c.min, c.max, 9);
    p.set(c.written);
    EXPECT_EQ(p.value, c.stored);
    EXPECT_EQ(p.range, c.range);
    EXPECT_EQ(p.tag, 9);
    EXPECT_FLOAT_EQ(p.rate(), c.rate);
  }
  // With min above max the value is never between them, and a value above min reads as a
  // negative rate.
  PlayerParameter inverted;
  inverted.define(10, 5, 0);
  inverted.set(5);
  EXPECT_EQ(inverted.value, 10);
  inverted.value = 12;
  EXPECT_FLOAT_EQ(inverted.rate(), -0.4f);
}

TEST(PlayerParameter, SetRangeClampsTheCurrentValueOnlyWithARange) {
  PlayerParameter p;
  p.value = 15;
  p.setRange(5, 5);
  EXPECT_EQ(p.value, 15);
  p.setRange(0, 10);
  EXPECT_EQ(p.value, 10);
  EXPECT_EQ(p.range, 10.0f);
}

TEST(PlayerParameter, InitTakesTheDefinitionClamped) {
  PlayerParameter p;
  p.init(ParameterDefinition{50, 0, 30, 4});
  EXPECT_EQ(p.value, 30);
  EXPECT_EQ(p.tag, 4);
  EXPECT_EQ(p.conditionFlag, 1);
  PlayerParameter open;
  open.init(ParameterDefinition{-8, 3, 3, 0});
  EXPECT_EQ(open.value, -8);
}

TEST(PlayerParameter, ConditionResizeKeepsOrRenewsTheTerms) {
  PlayerParameter p;
  p.resizeConditions(2, 10);
  ASSERT_EQ(p.conditions.size(), 2u);
  EXPECT_EQ(p.conditions[0].id, -1);
  EXPECT_EQ(p.conditions[0].factor, 1.0f);
  EXPECT_EQ(p.conditionFlag, 10);
  p.conditions[1].id = 3;
  p.resizeConditions(2, 20);
  EXPECT_EQ(p.conditions[1].id, 3) << "the same count keeps the terms";
  EXPECT_EQ(p.conditionFlag, 20);
  p.resizeConditions(3, 30);
  EXPECT_EQ(p.conditions[1].id, -1) << "another count makes fresh terms";
  p.resizeConditions(0, 40);
  EXPECT_TRUE(p.conditions.empty());
  EXPECT_EQ(p.conditionFlag, 1) << "no terms always takes changes";
}

TEST(ParameterTables, CountsOnlyGrowAndKeepRecords) {
  ParameterTables t;
  t.setSystemCount(2);
  t.system[1].define(0, 9, 1);
  t.system[1].set(4);
  t.setSystemCount(1);
  t.setSystemCount(-3);
  ASSERT_EQ(t.system.size(), 2u);
  t.setSystemCount(4);
  ASSERT_EQ(t.system.size(), 4u);
  EXPECT_EQ(t.system[1].value, 4);
  EXPECT_EQ(t.system[3].conditionFlag, 1);
  t.setPlayerCount(3);
  t.setPlayerCount(1);
  EXPECT_EQ(t.player.size(), 3u);
  t.clear();
  EXPECT_TRUE(t.system.empty() && t.player.empty());
}

}  // namespace
