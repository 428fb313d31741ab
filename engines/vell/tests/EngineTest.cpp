// The field engine on the field fixture game: the scripts' order over frames, the bases and
// their natives, the map reset and the model cache, all through the engine as the host runs it.

#include "engines/vell/Engine.h"

#include "engines/vell/Map.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombCore.h"
#include "foundation/startup/Dmath.h"
#include "host/system/System.h"
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

// A model the map can take as a layer: it has the animation "start".
std::vector<uint8_t> layerModel() {
  return modelfile::scrambled(modelfile::write(modelfile::untexturedModel("start")));
}

// The framework core comes up before the log capture replaces the log output.
struct CoreUp {
  CoreUp() { ombCoreInit(); }
};

class FieldEngineTest : public ::testing::Test {
 protected:
  FieldEngineTest() {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    ombFileUninit();
    ombFileInit();
    EXPECT_EQ(ombFileRegistPack(u16(TEST_FIELD_ARCHIVE).c_str()), OMB_OK);
  }
  ~FieldEngineTest() override {
    engine.reset();
    ombFileUninit();
    ombFileInit();
  }

  // The engine of the fixture game as the factory makes it, with {scenario = ...} as its
  // arguments (none for an empty name), set up as the host does before the first frame.
  void start(const char16_t* scenario) {
    EngineStart s;
    s.directory = u"Field";
    if (scenario[0] != 0) {
      ScriptManager caller;
      const ScriptObject args = ScriptObject::newTable(caller.vm.vm);
      args.setSlot(u"scenario", ScriptObject::newString(scenario, caller.vm.vm).getObject());
      s.args = serializeScriptValue(caller.vm, args);
    }
    engine.reset(dynamic_cast<vell::Engine*>(vell::createEngine(system, s)));
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(s.args, nullptr);
    engine->setupResources();
  }

  // What the scripts printed, in order.
  static std::vector<std::string> printed() {
    std::vector<std::string> lines;
    for (const LogCapture::Message& m : LogCapture::messages()) {
      // Script prints carry the script system's empty name first.
      std::string text = u8(m.text);
      if (text.rfind("[] ", 0) == 0) text.erase(0, 3);
      if (m.level == OMB_LOG_DEBUG) lines.push_back(text);
    }
    return lines;
  }
  static std::vector<std::string> errors() {
    std::vector<std::string> lines;
    for (const LogCapture::Message& m : LogCapture::messages()) {
      if (m.level == OMB_LOG_ERROR) lines.push_back(u8(m.text));
    }
    return lines;
  }

  CoreUp core;
  LogCapture log;
  PackScope pack;
  System system{pack.Number()};
  std::unique_ptr<vell::Engine> engine;
};

TEST_F(FieldEngineTest, ScriptsRunInTheEnginesOrderEveryFrame) {
  start(u"");
  EXPECT_EQ(std::u16string(engine->baseDirectory()), u"field/");
  // Set-up runs each script's top level and init: root, camera, then the second script.
  EXPECT_EQ(printed(), (std::vector<std::string>{"root top", "root init", "camera top",
                                                 "camera init", "second top", "second init"}));
  LogCapture::messages().clear();
  for (int frame = 0; frame < 3; ++frame) engine->update();
  EXPECT_EQ(printed(), (std::vector<std::string>{
                           "root frame 1", "camera dir [../sys/]", "camera frame 1",
                           "second frame 1", "root frame 2", "camera frame 2", "second frame 2",
                           "root frame 3", "camera frame 3", "second frame 3"}));
  EXPECT_FALSE(engine->quitRequested());
  engine->update();
  EXPECT_TRUE(engine->quitRequested());
  EXPECT_TRUE(errors().empty()) << errors().front();
}

TEST_F(FieldEngineTest, DisabledTasksStopTheCameraAndTheSecondScript) {
  start(u"");
  engine->setTaskEnable(false);
  LogCapture::messages().clear();
  engine->update();
  EXPECT_EQ(printed(), std::vector<std::string>{"root frame 1"});
}

TEST_F(FieldEngineTest, BasesShareValuesAndArguments) {
  start(u"bases");
  LogCapture::messages().clear();
  engine->update();
  engine->update();
  const std::vector<std::string> expected = {
      "root id true true",
      "args bases bases",
      // A base without arguments gives a fresh null.
      "camera args null",
      "share 7",
      // The root is not an object; no map was reset yet.
      "status 0 map 0",
      "dirs [] [../] [../camera/]",
      "camera dir [../sys/]",
      "camera frame 1",
      // The second script's base id 0 is the root base.
      "second sees args bases",
      "second frame 1",
      "share after second second",
      "camera share camera",
      "camera frame 2",
      "second frame 2",
  };
  EXPECT_EQ(printed(), expected);
  EXPECT_TRUE(errors().empty()) << errors().front();
}

TEST_F(FieldEngineTest, RunClearsTheShareKeepsTheArgsAndReleaseIsIdempotent) {
  start(u"bases");
  vell::Base* root = engine->rootBase();
  const HSQUIRRELVM vm = engine->scriptManager()->vm.vm;
  root->setShare(ScriptObject::newInteger(vm, 5));
  root->run(u"main", engine->mapTable());
  EXPECT_TRUE(root->getShare().isNull());
  EXPECT_EQ(root->getArgs().getType(), OT_TABLE);
  // Fresh nulls each time, never the base's own value.
  vell::Base* second = engine->secondBase();
  EXPECT_TRUE(second->getArgs().isNull());
  second->release();
  EXPECT_EQ(second->engine, nullptr);
  EXPECT_EQ(second->thread, nullptr);
  second->release();
  EXPECT_EQ(second->kind, vell::kBaseSecond);
}

TEST_F(FieldEngineTest, MapNativesBeforeTheFirstMapAreAScriptError) {
  start(u"nomap");
  engine->update();
  // systemGetMapDir, systemGetObjectDir, mapSetDecalOffset and mapRegistDecal (whose handle is
  // not looked at).
  EXPECT_EQ(errors(), std::vector<std::string>(4, "[] Script Error: no map"));
  const std::vector<std::string> lines = printed();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "map dir null"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "object dir null"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "decals done"), lines.end());
}

TEST_F(FieldEngineTest, ResetMapLoadsLayersThroughTheCacheAndRunsTheMapScript) {
  // Layer files 0 and 2 but not 1: only layer 1 (the suffix 0) follows the main model.
  pack.Add("field/map/room/room.dgo", layerModel());
  pack.Add("field/map/room/room_layer0.dgo", layerModel());
  pack.Add("field/map/room/room_layer2.dgo", layerModel());
  pack.Add("field/map/room/room_waterc.dgo", layerModel());
  start(u"map");
  engine->update();
  const std::vector<std::string> lines = printed();
  auto has = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has("map before 0"));
  // The event table: "no", the options array, null past the events.
  EXPECT_TRUE(has("map top 12 2 true"));
  EXPECT_TRUE(has("map id true true"));
  EXPECT_TRUE(has("map dir ../map/room/"));
  EXPECT_TRUE(has("object dir ../object/"));
  EXPECT_TRUE(errors().empty()) << errors().front();

  vell::Map* map = engine->map();
  ASSERT_NE(map, nullptr);
  EXPECT_TRUE(map->layers[0].present());
  EXPECT_TRUE(map->layers[1].present());
  EXPECT_FALSE(map->layers[2].present());
  EXPECT_TRUE(map->water.present());
  EXPECT_EQ(engine->modelCache().usedCount(), 3u);
  // The map's script ran in the frame: both events disabled and the cache refreshed, the
  // models hidden.
  EXPECT_EQ(map->groups()[0].flags & vell::kGroupHasEnabledEvent, 0u);
  EXPECT_NE(map->flags & vell::kMapHidden, 0u);

  engine->update();
  const std::vector<std::string> later = printed();
  EXPECT_NE(std::find(later.begin(), later.end(), "map share room"), later.end());
  // The second reset in the script: the first map's base id is stale, the models are shared.
  engine->update();
  EXPECT_EQ(engine->modelCache().loads(), 3u);
  const std::vector<std::string> last = printed();
  EXPECT_NE(std::find(last.begin(), last.end(), "new map true null"), last.end());
  const std::vector<std::string> refused = errors();
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].rfind("[] Script Error: invalid base handle(", 0), 0u) << refused[0];
  // Releasing the map lets its models go; they wait for the frame's purge.
  vell::Engine& e = *engine;
  e.releaseMap();
  EXPECT_EQ(e.map(), nullptr);
  EXPECT_EQ(e.modelCache().usedCount(), 0u);
  EXPECT_EQ(e.modelCache().unusedCount(), 3u);
  e.modelCache().purge();
  EXPECT_EQ(e.modelCache().unusedCount(), 0u);
}

TEST_F(FieldEngineTest, ModelCacheLoadsOnceAndFreesAtTheEndOfTheFrame) {
  pack.Add("field/obj/box.dgo", layerModel());
  start(u"");
  vell::ModelCache& cache = engine->modelCache();
  vell::CacheEntry* a = cache.loadPlain(u"field/obj/box");
  vell::CacheEntry* b = cache.loadPlain(u"Field/Obj/BOX");
  EXPECT_EQ(a, b);
  EXPECT_EQ(cache.loads(), 1u);
  EXPECT_EQ(a->references, 2u);
  Da3dObject one, two;
  vell::ModelCache::instantiate(one, *a);
  vell::ModelCache::instantiate(two, *a);
  EXPECT_EQ(one.data.Get(), two.data.Get());
  EXPECT_NE(one.instance.Get(), two.instance.Get());

  cache.release(a);
  EXPECT_EQ(a->references, 1u);
  engine->update();
  EXPECT_EQ(cache.usedCount(), 1u);
  // Let go and taken back within one frame: no reload.
  cache.release(b);
  EXPECT_EQ(cache.unusedCount(), 1u);
  EXPECT_EQ(cache.get(u"field/obj/box"), a);
  EXPECT_EQ(cache.loads(), 1u);
  cache.release(a);
  engine->update();
  EXPECT_EQ(cache.unusedCount(), 0u);
  EXPECT_EQ(cache.usedCount(), 0u);
  EXPECT_EQ(cache.get(u"field/obj/box"), nullptr);
}

TEST_F(FieldEngineTest, StateHashFollowsTheSimulation) {
  start(u"");
  uint64_t first = 0, second = 0, again = 0;
  engine->update();
  ASSERT_TRUE(engine->stateHash(&first));
  engine->update();
  ASSERT_TRUE(engine->stateHash(&second));
  EXPECT_NE(first, second);
  ASSERT_TRUE(engine->stateHash(&again));
  EXPECT_EQ(second, again);
}

}  // namespace
