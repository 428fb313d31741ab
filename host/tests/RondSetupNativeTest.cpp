// globalPrepareNextRondEngine: the versus engine's start record read from the script's table.

#include "foundation/omb/ombCore.h"
#include "host/engine/Engine.h"
#include "host/engine/EngineFactory.h"
#include "host/globals/GlobalNatives.h"
#include "host/system/System.h"
#include "script/ScriptManager.h"
#include "script/ScriptStackTop.h"
#include "script/ScriptThread.h"
#include "testsupport/LogCapture.h"
#include "testsupport/Text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

class QuietEngine : public Engine {};

std::optional<RondEngineSetup> g_received;

Engine* recordSetup(System& system, EngineStart& start) {
  g_received = *start.rond;
  auto* engine = new QuietEngine();
  engine->setup(&system);
  return engine;
}

class RondSetupNative : public testing::Test {
 protected:
  RondSetupNative() {
    engine.setup(&system);
    table = engine.scriptManager()->newTable(nullptr);
    registerGlobalApi(table);
    thread = new ScriptThread(engine.scriptManager(), table);
    thread->context.engine = &engine;
    engineRegisterFactory(EngineKind::Rond, &recordSetup);
    g_received.reset();
  }
  ~RondSetupNative() override {
    engineRegisterFactory(EngineKind::Rond, nullptr);
    delete thread;
  }

  void run(const std::string& source) {
    HSQUIRRELVM vm = thread->vm.vm;
    const std::u16string text = testsupport::u16(source);
    ScriptObject closure;
    {
      ScriptStackTop top(vm);
      ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(vm, text.c_str(), SQInteger(text.size()),
                                                u"snippet", SQTrue)));
      closure = ScriptObject::fromStack(vm, -1);
    }
    thread->vm.prepareCall(closure).run();
  }

  struct CoreUp {
    CoreUp() { ombCoreInit(); }
  } core;
  LogCapture log;
  System system{0};
  QuietEngine engine;
  ScriptObject table;
  ScriptThread* thread = nullptr;
};

TEST_F(RondSetupNative, ReadsEveryKeyAndTwoPlayerSlotsOnly) {
  run(R"(globalPrepareNextRondEngine({
    system = "sys", se = "se", stage = "stage/1",
    players = ["p1", 7, "p3"],
    controllers = [{device = true, brain = "cpu", brainLevel = 3}, {brainLevel = 2.9}, {brain = "x"}],
    drawTargets = [true, 1, true],
    inputHistorySave = "save.rep", inputHistoryReplay = 5,
    drawSave = "shot", drawSaveSpan = 4
  });)");
  ASSERT_TRUE(g_received.has_value());
  const RondEngineSetup& s = *g_received;
  EXPECT_EQ(s.systemDirectory, u"sys");
  EXPECT_EQ(s.seDirectory, u"se");
  EXPECT_EQ(s.stageDirectory, u"stage/1");
  // A non-string player is empty; the third entry is never read.
  EXPECT_EQ(s.players[0], u"p1");
  EXPECT_EQ(s.players[1], u"");
  // No tracker exists in this System, so "device" leaves the entry without one.
  EXPECT_EQ(s.controllers[0].device, nullptr);
  EXPECT_TRUE(s.controllers[0].hasBrain);
  EXPECT_EQ(s.controllers[0].brain, u"cpu");
  EXPECT_EQ(s.controllers[0].brainLevel, 3);
  EXPECT_FALSE(s.controllers[1].hasBrain);
  EXPECT_EQ(s.controllers[1].brainLevel, 2);
  // A non-bool draw target is false.
  EXPECT_TRUE(s.drawTargets[0]);
  EXPECT_FALSE(s.drawTargets[1]);
  EXPECT_EQ(s.inputHistorySave, u"save.rep");
  EXPECT_EQ(s.inputHistoryReplay, u"");
  EXPECT_EQ(s.drawSave, u"shot");
  EXPECT_EQ(s.drawSaveSpan, 4);
  // The new engine is queued.
  EXPECT_NE(system.nextEngine(), nullptr);
}

TEST_F(RondSetupNative, AbsentKeysGiveAnEmptyRecord) {
  run("globalPrepareNextRondEngine({});");
  ASSERT_TRUE(g_received.has_value());
  const RondEngineSetup& s = *g_received;
  EXPECT_EQ(s.systemDirectory, u"");
  EXPECT_EQ(s.players[0], u"");
  EXPECT_FALSE(s.controllers[0].hasBrain);
  EXPECT_FALSE(s.drawTargets[0]);
  EXPECT_EQ(s.drawSaveSpan, 0);
}

}  // namespace
