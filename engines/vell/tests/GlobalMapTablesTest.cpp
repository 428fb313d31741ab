// The global and map tables as the field engine's root and map scripts use them: the fixture
// game's root script runs script texts one frame at a time ("steps"), the room's map script
// likewise ("mapSteps"), and the tests read what they printed, what they reported and what
// changed in the System, the engine and the map.

#include "engines/vell/Engine.h"

#include "engines/vell/Map.h"

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
#include "testsupport/ModelSample.h"
#include "testsupport/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
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

class GlobalMapTablesTest : public ::testing::Test {
 protected:
  GlobalMapTablesTest() {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    engineRegisterFactory(EngineKind::Vell, &vell::createEngine);
    ombFileUninit();
    ombFileInit();
    EXPECT_EQ(ombFileRegistPack(u16(TEST_FIELD_ARCHIVE).c_str()), OMB_OK);
  }
  ~GlobalMapTablesTest() override {
    engine.reset();
    ombFileUninit();
    ombFileInit();
  }

  // The fixture game's engine, its root script running `steps` one in each frame (and the
  // room map's script `mapSteps`, once a step has reset the map).
  void start(const std::vector<std::string>& steps, const std::vector<std::string>& mapSteps = {}) {
    EngineStart s;
    s.directory = u"Field";
    ScriptManager caller;
    const HSQUIRRELVM vm = caller.vm.vm;
    const auto texts = [vm](const std::vector<std::string>& lines) {
      ScriptObject list = ScriptObject::newArray(vm, int32_t(lines.size()));
      for (size_t i = 0; i < lines.size(); ++i) {
        list.setSlotByIndex(int32_t(i),
                            ScriptObject::newString(u16(lines[i]).c_str(), vm).getObject());
      }
      return list;
    };
    const ScriptObject args = ScriptObject::newTable(vm);
    args.setSlot(u"scenario", ScriptObject::newString(u"steps", vm).getObject());
    args.setSlot(u"steps", texts(steps).getObject());
    if (!mapSteps.empty()) args.setSlot(u"mapSteps", texts(mapSteps).getObject());
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

TEST_F(GlobalMapTablesTest, TheHostsParametersAndQueries) {
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

TEST_F(GlobalMapTablesTest, ControllersReadTheDevicesThatExist) {
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

TEST_F(GlobalMapTablesTest, SpriteImagesComeFromTheBaseDirectory) {
  start({"return spriteImageLoadBase(\"pic/missing.png\");"});
  frames(1);
  EXPECT_EQ(lines(), std::vector<std::string>{"0"});
  ASSERT_FALSE(errors().empty());
  EXPECT_EQ(errors().back(), "Error: [vell::`anonymous-namespace'::spriteImageLoadBase] "
                             "スプライトイメージの読み込みに失敗しました(field/pic/missing.png)");
}

TEST_F(GlobalMapTablesTest, TheNextFieldEngineGetsItsDirectoryAndArguments) {
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

TEST_F(GlobalMapTablesTest, TheMapScriptSetsLightBackgroundEventsAndShow) {
  // The room's model: any model with the animation "start"; the test does not draw.
  pack.Add("field/map/room/room.dgo",
           modelfile::scrambled(modelfile::write(modelfile::untexturedModel("start"))));
  start({"systemResetMap(\"room\", \"room\");", "", "", ""},
        {"mapSetLightPos(1, 2, 3); mapSetLightColor(0.5, 0.25, 1); mapSetLightAmbient(0.1, 0.2, 0.3);",
         // The colour stays stored while the background is not cleared.
         "mapSetBackColor(1, 0, 0); mapSetBackDisable();"
         "mapSetEventEnable(1, false); mapSetEventEnable(0, false); mapSetEventEnable(0, true);"
         "mapUpdateCache();"
         "return mapGetEvent(1).no + \" \" + (mapGetEvent(2) == null) + \" \" + (mapGetEvent(-1) == null);",
         "mapSetShow(false);"});
  frames(1);
  const vell::Map* map = engine->map();
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->lightDirection[2], 3.0f);
  EXPECT_EQ(map->lightColor[1], 0.25f);
  EXPECT_EQ(map->lightColor[3], 0.0f);
  EXPECT_EQ(map->ambientColor[2], 0.3f);
  EXPECT_EQ(map->ambientColor[3], 1.0f);
  frames(1);
  EXPECT_EQ(map->backColor[0], 1.0f);
  EXPECT_EQ(map->flags & vell::kMapBackColor, 0u);
  EXPECT_EQ(map->events()[0].flags & 1u, 0u);
  EXPECT_EQ(map->events()[1].flags & 1u, 1u);
  EXPECT_EQ(map->flags & vell::kMapHidden, 0u);
  frames(1);
  EXPECT_EQ(map->flags & vell::kMapHidden, vell::kMapHidden);
  const std::vector<std::string> l = lines();
  EXPECT_NE(std::find(l.begin(), l.end(), "map 13 true true"), l.end());
  EXPECT_TRUE(errors().empty()) << errors().front();
}

}  // namespace
