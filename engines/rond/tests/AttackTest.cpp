// Attack definitions read from script tables, the damage rule and the damage angle, and one
// hit per activation.

#include "engines/rond/Attack.h"

#include "engines/rond/Player.h"
#include "engines/rond/PlayerParameter.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using rond::AttackDefinition;
using rond::AttackInherit;
using rond::AttackPair;

std::vector<std::pair<int32_t, int32_t>> pairsOf(const std::optional<std::vector<AttackPair>>& l) {
  std::vector<std::pair<int32_t, int32_t>> out;
  if (l) {
    for (const AttackPair& p : *l) out.emplace_back(p.first, p.second);
  }
  return out;
}

class AttackRead : public scripttest::ScriptTest {};

TEST_F(AttackRead, FullAndInheritingTables) {
  using Pairs = std::vector<std::pair<int32_t, int32_t>>;
  struct Case {
    const char* table;
    AttackInherit inherit;
    bool hasNotify, hasErase;
    Pairs notify, erase;
    int32_t levels[4];
  } cases[] = {
      {"{}", AttackInherit::No, true, true, {}, {}, {0, 0, 0, 0}},
      {"{}", AttackInherit::Yes, false, false, {}, {}, {-1, -1, -1, -1}},
      // A trailing odd element is ignored.
      {"{notifyPlayers = [0, -10, 2, 5, 7]}", AttackInherit::No, true, true, {{0, -10}, {2, 5}},
       {}, {0, 0, 0, 0}},
      // A count below 1 becomes 0.
      {"{eraseScoretips = [3, -2, 4, 1]}", AttackInherit::Yes, false, true, {}, {{3, 0}, {4, 1}},
       {-1, -1, -1, -1}},
      // Negative levels become 0; floats are truncated.
      {"{victimLevel = -4, victimCost = 2.9, erosionLevel = 3, erosionCost = -1}",
       AttackInherit::Yes, false, false, {}, {}, {0, 2, 3, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    const AttackDefinition d = AttackDefinition::read(eval(c.table), c.inherit);
    EXPECT_EQ(d.notifyPlayers.has_value(), c.hasNotify);
    EXPECT_EQ(d.eraseScoretips.has_value(), c.hasErase);
    EXPECT_EQ(pairsOf(d.notifyPlayers), c.notify);
    EXPECT_EQ(pairsOf(d.eraseScoretips), c.erase);
    EXPECT_EQ(d.victimLevel, c.levels[0]);
    EXPECT_EQ(d.victimCost, c.levels[1]);
    EXPECT_EQ(d.erosionLevel, c.levels[2]);
    EXPECT_EQ(d.erosionCost, c.levels[3]);
  }
  EXPECT_TRUE(errors().empty());
}

TEST(AttackCopy, UnspecifiedListsBecomeEmptyUnlessInheriting) {
  AttackDefinition source;
  source.eraseScoretips = std::vector<AttackPair>{{1, 2}};
  source.victimCost = -1;
  AttackDefinition full;
  full.copy(source, AttackInherit::No);
  ASSERT_TRUE(full.notifyPlayers.has_value());
  EXPECT_TRUE(full.notifyPlayers->empty());
  EXPECT_EQ(pairsOf(full.eraseScoretips), (std::vector<std::pair<int32_t, int32_t>>{{1, 2}}));
  EXPECT_EQ(full.victimCost, -1);
  AttackDefinition inherited;
  inherited.notifyPlayers = std::vector<AttackPair>{{9, 9}};
  inherited.copy(source, AttackInherit::Yes);
  EXPECT_FALSE(inherited.notifyPlayers.has_value());
}

TEST(DamageAngle, PointsFromTheVictimBackToTheSource) {
  struct Case {
    FixedVec3 delta;
    int32_t rotation, angle;
  } cases[] = {
      {{0, 0, -1024}, 500, 0},      // hit from straight behind on z
      {{1024, 0, 0}, 500, 4825},    // a = 4.712389, 4825.486
      {{-1024, 0, 0}, 500, 1608},   // pi / 2 * 1024 = 1608.50 in single precision rounds down
      {{0, 0, 1024}, 500, 3217},    // pi * 1024 = 3216.99
      {{0, 777, 0}, 1234, 1234},    // equal x and z: the victim's own rotation
      {{0, 0, 0}, 6434, 6434},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rond::damageAngle(c.delta, c.rotation), c.angle)
        << c.delta.x << ", " << c.delta.y << ", " << c.delta.z;
  }
}

class DamageRule : public testing::Test {
 protected:
  scripttest::CoreUp core;
  LogCapture log;
};

TEST_F(DamageRule, AConditionLimitsTheChange) {
  // Parameter 0 changes only while round(value of parameter 2 * 0.5) < 10.
  struct Case {
    int32_t other, expected;
  } cases[] = {{18, 105}, {19, 100}, {-100, 105}, {20, 100}};
  for (const Case& c : cases) {
    std::vector<rond::PlayerParameter> params(3);
    params[0].value = 100;
    params[0].resizeConditions(1, 10);
    params[0].conditions[0] = {2, 0.5f};
    params[2].value = c.other;
    const std::vector<AttackPair> pairs{{0, 5}};
    rond::applyParameterDamage(params, &pairs);
    EXPECT_EQ(params[0].value, c.expected) << "other " << c.other;
  }
}

TEST_F(DamageRule, PairsApplyInOrderAndSeeEarlierChanges) {
  std::vector<rond::PlayerParameter> params(3);
  params[0].value = 100;
  params[0].define(0, 100, 0);
  params[0].resizeConditions(1, 10);
  params[0].conditions[0] = {2, 0.5f};
  params[2].value = 18;
  // The first pair raises parameter 2 to 19, so the condition stops the second.
  const std::vector<AttackPair> pairs{{2, 1}, {0, -30}, {1, -7}};
  rond::applyParameterDamage(params, &pairs);
  EXPECT_EQ(params[2].value, 19);
  EXPECT_EQ(params[0].value, 100);
  EXPECT_EQ(params[1].value, -7);
  // Without the first pair the change applies, clamped into the range.
  const std::vector<AttackPair> big{{0, -300}};
  params[2].value = 0;
  rond::applyParameterDamage(params, &big);
  EXPECT_EQ(params[0].value, 0);
  EXPECT_TRUE(LogCapture::messages().empty());
}

TEST_F(DamageRule, IndicesOutsideTheTableAreAScriptError) {
  std::vector<rond::PlayerParameter> params(2);
  params[1].resizeConditions(1, 10);
  params[1].conditions[0] = {5, 1.0f};
  const std::vector<AttackPair> pairs{{7, 1}, {-1, 1}, {0, 3}, {1, 4}};
  rond::applyParameterDamage(params, &pairs);
  EXPECT_EQ(params[0].value, 3) << "the pairs inside the table still apply";
  EXPECT_EQ(params[1].value, 0) << "a condition naming a missing parameter stops its pair";
  std::vector<std::u16string> texts;
  for (const auto& m : LogCapture::messages()) {
    EXPECT_EQ(m.level, OMB_LOG_ERROR);
    texts.push_back(m.text);
  }
  EXPECT_EQ(texts, (std::vector<std::u16string>{
                       u"[] Script Error: parameter index out of range(7)",
                       u"[] Script Error: parameter index out of range(-1)",
                       u"[] Script Error: parameter index out of range(5)"}));
}

// Two players without an engine: what the attack phase reads are their sphere sets.
TEST_F(DamageRule, AnAttackHitsOncePerActivation) {
  rond::Player attacker;
  rond::Player victim;
  victim.parameters.resize(1);
  victim.parameters[0].value = 100;
  attacker.position = {0, 0, 0};
  victim.position = {1024, 0, 0};
  victim.rotationAngle = 42;
  AttackDefinition definition;
  definition.notifyPlayers = std::vector<AttackPair>{{0, -10}};
  attacker.activeAttack = attacker.addAttack(definition);
  attacker.attackSpheres.clear({0, 0, 0});
  attacker.attackSpheres.append({512, 0, 0, 256});
  attacker.attackSpheres.radius = 256;
  attacker.attackSpheres.centre = {512, 0, 0};
  victim.bodySpheres.clear(victim.position);
  victim.bodySpheres.append({1024, 0, 0, 256});
  victim.bodySpheres.radius = 256;
  victim.bodySpheres.centre = {1024, 0, 0};

  rond::Player::checkAttack(attacker, victim);
  EXPECT_EQ(victim.damageFlag, 1);
  EXPECT_EQ(victim.parameters[0].value, 90);
  EXPECT_EQ(victim.damageAngleValue, 4825);
  EXPECT_EQ(attacker.activeAttack, nullptr) << "the hit consumes the attack";
  victim.damageFlag = 0;
  rond::Player::checkAttack(attacker, victim);
  EXPECT_EQ(victim.parameters[0].value, 90);
  EXPECT_EQ(victim.damageFlag, 0);

  // Activated again, it hits again; a victim without body spheres cannot be hit.
  attacker.activeAttack = attacker.attacks().front().get();
  victim.bodySpheres.radius = 0;
  rond::Player::checkAttack(attacker, victim);
  EXPECT_EQ(victim.parameters[0].value, 90);
  EXPECT_NE(attacker.activeAttack, nullptr);
  victim.bodySpheres.radius = 256;
  rond::Player::checkAttack(attacker, victim);
  EXPECT_EQ(victim.parameters[0].value, 80);

  // An attack without a notifyPlayers list still hits: flag, angle, consumed.
  AttackDefinition bare;
  attacker.activeAttack = attacker.addAttack(bare);
  victim.damageFlag = 0;
  rond::Player::checkAttack(attacker, victim);
  EXPECT_EQ(victim.damageFlag, 1);
  EXPECT_EQ(attacker.activeAttack, nullptr);
  EXPECT_EQ(victim.parameters[0].value, 80);
}

}  // namespace
