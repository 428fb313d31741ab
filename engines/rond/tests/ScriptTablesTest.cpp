// The seven script tables of the versus engine: which natives each kind of script reaches, and
// the natives of the common and system tables.

#include "engines/rond/tests/MatchFixture.h"
#include "engines/rond/tests/TableScript.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using rondtest::TableScript;

class ScriptTablesTest : public rondtest::MatchFixture {};

TEST_F(ScriptTablesTest, EachKindOfScriptReachesItsOwnTableAndTheCommonOne) {
  start(match(true, true));
  rond::Engine& e = *engine;
  // One script per table, each with the self object its natives expect.
  TableScript system(e, e.systemTable(), &e);
  TableScript guide(e, e.guideTable(), e.systemGuide());
  TableScript camera(e, e.cameraTable(), e.camera(0));
  TableScript player(e, e.playerTable(), e.player(0));
  TableScript stage(e, e.stageTable(), &e.stage());
  struct Case {
    const char* native;
    const char* reachedBy;  // s system, g guide, c camera, p player, t stage
  } cases[] = {
      {"commonReload", "sgcpt"},
      {"commonGetRandomRange", "sgcpt"},
      {"systemPlaySe", "sgcpt"},
      {"systemGetParameterValue", "sgcpt"},
      {"binaryReadI32", "sgcpt"},
      {"systemSetTaskEnable", "s"},
      {"systemClearRuntimeResources", "s"},
      {"inputCustomize", "s"},
      {"systemRequestExit", "s"},
      {"globalPrepareNextRondEngine", "s"},
      {"spriteCreateImage", "s"},
      {"spriteCreateFont", "sg"},
      {"spriteSetRectBlend", "sg"},
      {"bgmFadeout", "sg"},
      {"bgmStop", "st"},
      {"ctrlGetEvent", "sgp"},
      {"guideGetScreenPos", "g"},
      {"systemGetDadEvozDelay", "g"},
      {"playerGetParameterRate", "g"},
      {"spriteCreatePlayerImage", "g"},
      {"bgmSetVolume", "g"},
      {"cameraSetView", "c"},
      {"playerGetCollMove", "c"},
      {"playerDefineAttack", "p"},
      {"bulletAdd", "p"},
      {"stageSetFogLinear", "t"},
  };
  const std::pair<char, TableScript*> scripts[] = {
      {'s', &system}, {'g', &guide}, {'c', &camera}, {'p', &player}, {'t', &stage}};
  for (const Case& c : cases) {
    for (const auto& [kind, script] : scripts) {
      const std::string reached = script->evalString(
          std::string("(function() { try { return typeof ") + c.native +
          "; } catch (e) { return \"none\"; } })()");
      const bool expected = std::string(c.reachedBy).find(kind) != std::string::npos;
      EXPECT_EQ(reached, expected ? "function" : "none") << c.native << " from " << kind;
    }
  }
}

TEST_F(ScriptTablesTest, RandomRangesComeFromTheEngineGenerator) {
  start(match());
  TableScript script(*engine, engine->systemTable(), engine.get());
  std::set<int32_t> seen;
  for (int i = 0; i < 200; ++i) {
    const int32_t v = script.evalInt("commonGetRandomRange(5, 2)");
    EXPECT_TRUE(v >= 2 && v <= 5) << v;
    seen.insert(v);
  }
  EXPECT_EQ(seen, (std::set<int32_t>{2, 3, 4, 5}));
  // One equal pair still takes a value of the match's generator, which the state hash holds.
  const uint64_t before = hash();
  EXPECT_EQ(script.evalInt("commonGetRandomRange(3, 3)"), 3);
  EXPECT_NE(hash(), before);
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptTablesTest, SystemNativesSetTheEngineFlags) {
  start(match());
  TableScript script(*engine, engine->systemTable(), engine.get());
  struct Case {
    const char* call;
    bool singleView, taskEnabled;
  } cases[] = {
      {"systemSetDrawTypeNormal(true)", true, true},
      {"systemSetDrawTypeNormal(false)", false, true},
      {"systemSetTaskEnable(false)", false, false},
      {"systemSetTaskEnable(true)", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    script.run(std::string(c.call) + ";");
    EXPECT_EQ(engine->singleView(), c.singleView);
    EXPECT_EQ(engine->taskEnabled(), c.taskEnabled);
    EXPECT_EQ(script.evalString("\"\" + systemIsTaskEnable()"), c.taskEnabled ? "true" : "false");
  }
  // Without sound nothing plays, and a negative number is no error either.
  script.run("systemPlaySe(-1); systemPlaySe(0); commonReload();");
  script.run("systemSetDrawTypeNormal(1);");
  ASSERT_EQ(errors().size(), 1u);
  EXPECT_EQ(errors().front(), u"[] Script Error: get bool from stack(2)");
}

}  // namespace
