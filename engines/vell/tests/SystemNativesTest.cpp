// The global table as the field engine's root script uses it: the fixture game's root script
// runs script texts one frame at a time ("steps"), and the tests read what it printed, what it
// reported and what changed in the System and the engine.

#include "engines/vell/Engine.h"

#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombCore.h"
#include "foundation/startup/Dmath.h"
#include "host/system/System.h"
#include "net/controller/Controller.h"
#include "script/ScriptManager.h"
#include "script/ScriptValueSerial.h"
#include "testsupport/LogCapture.h"
#include "testsupport/MemoryPack.h"
#include "testsupport/Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::u16;
using testsupport::u8;

struct CoreUp {
  CoreUp() { ombCoreInit(); }
};

// A pad whose one pressed button is `pressed`.
struct FakePad {
  uint32_t pressed = 0;

  InputSource source() {
    InputSource s;
    s.context = this;
    s.poll = [](void*) {};
    s.count = [](void*) -> uint32_t { return 4; };
    s.flag = [](void*, uint32_t) -> int32_t { return 0; };
    s.value = [](void* c, uint32_t i) -> float {
      return i == static_cast<FakePad*>(c)->pressed ? 1.0f : 0.0f;
    };
    return s;
  }
};

class SystemNativesTest : public ::testing::Test {
 protected:
  SystemNativesTest() {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    engineRegisterFactory(EngineKind::Vell, &vell::createEngine);
    ombFileUninit();
    ombFileInit();
    EXPECT_EQ(ombFileRegistPack(u16(TEST_FIELD_ARCHIVE).c_str()), OMB_OK);
  }
  ~SystemNativesTest() override {
    engine.reset();
    ombFileUninit();
    ombFileInit();
  }

  // The fixture game's engine, its root script running `steps` one in each frame.
  void start(const std::vector<std::string>& steps) {
    EngineStart s;
    s.directory = u"Field";
    ScriptManager caller;
    const HSQUIRRELVM vm = caller.vm.vm;
    ScriptObject list = ScriptObject::newArray(vm, int32_t(steps.size()));
    for (size_t i = 0; i < steps.size(); ++i) {
      list.setSlotByIndex(int32_t(i), ScriptObject::newString(u16(steps[i]).c_str(), vm).getObject());
    }
    const ScriptObject args = ScriptObject::newTable(vm);
    args.setSlot(u"scenario", ScriptObject::newString(u"steps", vm).getObject());
    args.setSlot(u"steps", list.getObject());
    s.args = serializeScriptValue(caller.vm, args);
    engine.reset(dynamic_cast<vell::Engine*>(vell::createEngine(system, s)));
    ASSERT_NE(engine, nullptr);
    engine->setupResources();
    LogCapture::messages().clear();
  }

  // The root script's lines (without the other scripts').
  static std::vector<std::string> lines() {
    std::vector<std::string> out;
    for (const LogCapture::Message& m : LogCapture::messages()) {
      std::string text = u8(m.text);
      if (text.rfind("[] ", 0) == 0) text.erase(0, 3);
      if (m.level != OMB_LOG_DEBUG || text.rfind("camera ", 0) == 0 ||
          text.rfind("second ", 0) == 0) {
        continue;
      }
      out.push_back(text);
    }
    return out;
  }
  static std::vector<std::string> errors() {
    std::vector<std::string> out;
    for (const LogCapture::Message& m : LogCapture::messages()) {
      if (m.level == OMB_LOG_ERROR) out.push_back(u8(m.text));
    }
    return out;
  }
  void frames(int n) {
    for (int i = 0; i < n; ++i) engine->update();
  }

  CoreUp core;
  LogCapture log;
  PackScope pack;
  System system{pack.Number()};
  std::unique_ptr<vell::Engine> engine;
};

TEST_F(SystemNativesTest, TheHostsParametersAndQueries) {
  start({
      "globalSetIntegerParameterCount(3); globalSetIntegerParameterValue(1, 5);"
      "globalSetIntegerParameterFlag(1, 8); globalUnsetIntegerParameterFlag(1, 1);"
      "globalSetIntegerParameterValue(7, 1);"
      "return globalGetIntegerParameterCount() + \" \" + globalGetIntegerParameterValue(1) +"
      "  \" \" + globalGetIntegerParameterValue(7);",
      "globalSetStringParameterCount(2); globalSetStringParameterValue(1, \"name\");"
      "return globalGetStringParameterValue(1) + \"|\" + globalGetStringParameterValue(0) + \"|\" +"
      "  globalGetStringParameterValue(2);",
      "local s = globalGetScreenSize();"
      "return s.width + \" \" + s.height + \" \" + globalIsDebugBuild() + \" \" + globalIsDadEvoz() +"
      "  \" \" + globalGetDadEvozCount() + \" \" + globalGetDadEvozId() + \" \" +"
      "  globalIsDadEvozReady() + \" \" + globalGetGameVersion();",
      // Nothing counted yet in the engine's first second.
      "local f = systemGetFps(); return f.len() + \" \" + f[0] + \" \" + f[1];",
  });
  frames(4);
  EXPECT_EQ(lines(), (std::vector<std::string>{"3 12 0", "name||", "0 0 false false 1 -1 true 0",
                                              "2 0 0"}));
  ASSERT_EQ(system.parameters().integers.size(), 3u);
  EXPECT_EQ(system.parameters().integers[1], 12);
  EXPECT_EQ(system.parameters().strings[1], u"name");
  EXPECT_TRUE(errors().empty()) << errors().front();
}

TEST_F(SystemNativesTest, ControllersReadTheDevicesThatExist) {
  FakePad first{0}, third{1};
  ASSERT_TRUE(system.trackerHolder(0)->create(first.source(), 10, 10));
  ASSERT_TRUE(system.trackerHolder(2)->create(third.source(), 10, 10));
  start({
      "return systemIsInputDeviceExist(0) + \" \" + systemIsInputDeviceExist(1) + \" \" +"
      "  systemIsInputDeviceExist(2) + \" \" + systemIsInputDeviceExist(-5) + \" \" +"
      "  systemIsInputDeviceExist(6);",
      // Negative slots and devices count as 0.
      "systemSetControllerInputDevice(-1, -1); systemSetControllerInputDevice(3, 2);"
      // Outside the four slots or devices, or a device without a tracker: nothing.
      "systemSetControllerInputDevice(1, 7); systemSetControllerInputDevice(2, 1);"
      "systemSetControllerInputDevice(4, 0);",
  });
  frames(3);
  EXPECT_EQ(lines(), std::vector<std::string>{"true false true true false"});
  const struct {
    uint32_t slot;
    int32_t type;
    uint32_t held;
  } cases[] = {
      {0, Controller::kTypeInput, 0},
      {1, Controller::kTypeBase, 99},
      {2, Controller::kTypeBase, 99},
      {3, Controller::kTypeInput, 1},
  };
  for (const auto& c : cases) {
    const Controller* controller = engine->controller(c.slot);
    ASSERT_NE(controller, nullptr) << c.slot;
    EXPECT_EQ(controller->getType(), c.type) << c.slot;
    for (uint32_t b = 0; b < 4; ++b) {
      EXPECT_EQ(controller->flags()[Controller::kButtons + b] != 0, b == c.held)
          << "slot " << c.slot << " button " << b;
    }
  }
  EXPECT_TRUE(errors().empty()) << errors().front();
}

TEST_F(SystemNativesTest, SpriteImagesComeFromTheBaseDirectory) {
  start({"return spriteImageLoadBase(\"pic/missing.png\");"});
  frames(1);
  EXPECT_EQ(lines(), std::vector<std::string>{"0"});
  ASSERT_FALSE(errors().empty());
  EXPECT_EQ(errors().back(), "Error: [vell::`anonymous-namespace'::spriteImageLoadBase] "
                             "スプライトイメージの読み込みに失敗しました(field/pic/missing.png)");
}

TEST_F(SystemNativesTest, TheNextFieldEngineGetsItsDirectoryAndArguments) {
  const struct {
    const char* table;
    bool hasArgs;
  } cases[] = {
      {"{dir = \"field\"}", false},
      {"{dir = \"field\", args = {scenario = \"bases\"}}", true},
  };
  for (const auto& c : cases) {
    start({std::string("globalPrepareNextVellEngine(") + c.table + ");"});
    frames(1);
    auto* next = dynamic_cast<vell::Engine*>(system.nextEngine());
    ASSERT_NE(next, nullptr) << c.table;
    next->setupResources();
    EXPECT_EQ(std::u16string(next->baseDirectory()), u"field/") << c.table;
    const ScriptObject args = next->rootBase()->getArgs();
    EXPECT_EQ(args.getType(), c.hasArgs ? OT_TABLE : OT_NULL) << c.table;
    if (c.hasArgs) {
      EXPECT_EQ(std::u16string(args.getStringSlot(u"scenario")), u"bases");
    }
    // The current engine runs on until its script asks to exit.
    EXPECT_FALSE(engine->quitRequested());
  }
  EXPECT_TRUE(errors().empty()) << errors().front();
}

}  // namespace
