#pragma once

// The field engine on a System as the game brings it up for drawing: a main window, a device
// whose software rasteriser draws into its back buffer, sound and a renderer. A fixture game's
// archive is registered; the renderer's shaders come from beside it.

#include "engines/vell/Engine.h"
#include "foundation/dbtl/DFile.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombMsw.h"
#include "foundation/startup/Dmath.h"
#include "host/system/System.h"
#include "host/window/ombMswWindow.h"
#include "script/ScriptManager.h"
#include "script/ScriptValueSerial.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/FileBytes.h"
#include "testsupport/LogCapture.h"
#include "testsupport/Text.h"
#include "testsupport/render/DeviceFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fieldtest {

inline uint32_t fixedSeed() { return 7; }

// The framework core comes up before the log capture replaces the log output.
struct CoreUp {
  CoreUp() { ombCoreInit(); }
};

class FieldDeviceTest : public DeviceTest {
 protected:
  static constexpr int32_t kWidth = 160;
  static constexpr int32_t kHeight = 120;

  // The archive of a fixture game and the folder its host files were made in.
  void bringUp(const std::string& archive, const std::string& hostFolder) {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    engineSetSeedSource(&fixedSeed);
    ombFileUninit();
    ombFileInit();
    ASSERT_EQ(ombFileRegistPack(testsupport::u16(archive).c_str()), OMB_OK);
    const std::vector<uint8_t> shaders = readFileBytes(hostFolder + "/sys/renderer.csa");
    ASSERT_FALSE(shaders.empty()) << "the build makes " << hostFolder << "/sys/renderer.csa";
    pack.Add("sys/renderer.csa", shaders);
    Init(Profile("default"));
    ombMswInit();
    ombMswWindowInit();
    // The window layer routes the log to its own output: the capture comes after it.
    log.emplace();
    system = std::make_unique<System>(pack.Number());
    OMB_MSW_WINDOW_DESC window;
    window.width = kWidth;
    window.height = kHeight;
    ASSERT_TRUE(system->createMainWindow(window));
    system->device().Create(0, system->mainWindow()->window->handle(), 0, kWidth, kHeight, 0,
                            L3DDEV_CREATE_WINDOW);
    system->GetSoundManager().Create(system->mainWindow()->window->handle());
    system->resetRenderer();
  }

  // The files of a folder made at build time, under a name in the memory pack.
  void addFolder(const std::string& folder, const std::string& packPrefix) {
    namespace fs = std::filesystem;
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    for (const auto& file : fs::recursive_directory_iterator(folder)) {
      if (!file.is_regular_file()) continue;
      const std::string name = fs::relative(file.path(), folder).generic_string();
      pack.Add(packPrefix + name, readFileBytes(file.path().string()));
    }
  }

  // The valley game's System: its scripts come from the archive, the models and textures made at
  // build time from the pack.
  void bringUpValley() {
    const std::string built =
        std::filesystem::path(TEST_VALLEY_ARCHIVE).parent_path().string() + "/valley";
    addFolder(built + "/valley/map", "valley/map/");
    addFolder(built + "/valley/object", "valley/object/");
    pack.Add("valley/sys/mark.bmp", readFileBytes(built + "/valley/sys/mark.bmp"));
    pack.Add("valley/sys/shot.dgo", readFileBytes(built + "/valley/sys/shot.dgo"));
    bringUp(TEST_VALLEY_ARCHIVE, built);
  }

  void TearDown() override {
    engine.reset();
    system.reset();
    log.reset();
    ombMswWindowUninit();
    ombMswUninit();
    ombFileUninit();
    ombFileInit();
    DeviceTest::TearDown();
  }

  // The engine of the game in `directory`, with {scenario = ...} as its arguments when one is
  // named, set up as the host does before the first frame.
  void start(const char16_t* directory, const char16_t* scenario = u"") {
    EngineStart s;
    s.directory = directory;
    if (scenario[0] != 0) {
      ScriptManager caller;
      const ScriptObject args = ScriptObject::newTable(caller.vm.vm);
      args.setSlot(u"scenario", ScriptObject::newString(scenario, caller.vm.vm).getObject());
      s.args = serializeScriptValue(caller.vm, args);
    }
    engine.reset(dynamic_cast<vell::Engine*>(vell::createEngine(*system, s)));
    ASSERT_NE(engine, nullptr);
    engine->setupResources();
  }

  std::vector<uint8_t> capture() {
    dbtl::rcptr<DMemorySource> out;
    out.Create(1);
    dbtl::DFile file;
    file.OpenOverride("frame.bmp", out);
    EXPECT_TRUE(system->device().CaptureBackBuffer(file));
    file.Close();
    return out->data;
  }

  static std::vector<std::string> printed() {
    std::vector<std::string> lines;
    for (const LogCapture::Message& m : LogCapture::messages()) {
      std::string text = testsupport::u8(m.text);
      if (text.rfind("[] ", 0) == 0) text.erase(0, 3);
      if (m.level == OMB_LOG_DEBUG) lines.push_back(text);
    }
    return lines;
  }
  static std::vector<std::string> errors() {
    std::vector<std::string> lines;
    for (const LogCapture::Message& m : LogCapture::messages()) {
      if (m.level <= OMB_LOG_ERROR) lines.push_back(testsupport::u8(m.text));
    }
    return lines;
  }

  CoreUp core;
  std::optional<LogCapture> log;
  PackScope pack;
  std::unique_ptr<System> system;
  std::unique_ptr<vell::Engine> engine;
};

}  // namespace fieldtest
