// A drawn versus frame checked as pixels: the fixture match (the test scripts, both slots drawn
// side by side) with a coloured body model written by the test's model writer, drawn through
// the host's own frame by the device stand-in's software rasteriser, and compared with the
// reviewed picture golden/versus_split.bmp. ENGINES_WRITE_GOLDEN=1 writes it anew (on purpose
// only).

#include "engines/rond/RondEngine.h"

#include "foundation/dbtl/DFile.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/omb/ombMsw.h"
#include "foundation/startup/Dmath.h"
#include "host/system/System.h"
#include "host/window/ombMswWindow.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/FileBytes.h"
#include "testsupport/GoldenPicture.h"
#include "testsupport/ModelSample.h"
#include "testsupport/render/DeviceFixture.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 160;
constexpr int32_t kHeight = 120;

uint32_t drawnSeed() { return 7; }

// The fighter's body: a red, green and blue triangle two units high, both windings, so it shows
// from either side.
std::vector<uint8_t> bodyModel() {
  modelfile::Model m;
  modelfile::Part part = modelfile::trianglePart("body", {modelfile::bone("hip")});
  part.meshes[0].vertices = {{-0.5f, 0.0f, 0.0f, 0xFFFF0000u},
                             {0.5f, 0.0f, 0.0f, 0xFF00FF00u},
                             {0.0f, 1.5f, 0.0f, 0xFF0000FFu}};
  part.meshes[0].indexBytes = {0, 0, 1, 0, 2, 0, 0, 0, 2, 0, 1, 0};
  part.meshes[0].primitiveCount = 2;
  m.parts = {part};
  return modelfile::scrambled(modelfile::write(m));
}

class DrawnFrameTest : public DeviceTest {
 protected:
  void SetUp() override {
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    engineSetSeedSource(&drawnSeed);
    const std::vector<uint8_t> shaders = readFileBytes(
        std::filesystem::path(TEST_SCRIPTS_ARCHIVE).parent_path().string() +
        "/scripts/sys/renderer.csa");
    ASSERT_FALSE(shaders.empty()) << "the build makes the test archive's sys/renderer.csa";
    m_pack.Add("sys/renderer.csa", shaders);
    m_pack.Add("fighter/body.dgo", bodyModel());
    Init(Profile("default"));
    ombMswInit();
    ombMswWindowInit();
    m_system = std::make_unique<System>(m_pack.Number());
    OMB_MSW_WINDOW_DESC window;
    window.width = kWidth;
    window.height = kHeight;
    ASSERT_TRUE(m_system->createMainWindow(window));
    m_system->device().Create(0, m_system->mainWindow()->window->handle(), 0, kWidth, kHeight, 0,
                              L3DDEV_CREATE_WINDOW);
    m_system->resetRenderer();
  }
  void TearDown() override {
    m_engine.reset();
    m_system.reset();
    ombMswWindowUninit();
    ombMswUninit();
    DeviceTest::TearDown();
  }

  std::vector<uint8_t> capture() {
    dbtl::rcptr<DMemorySource> out;
    out.Create(1);
    dbtl::DFile file;
    file.OpenOverride("frame.bmp", out);
    EXPECT_TRUE(m_system->device().CaptureBackBuffer(file));
    file.Close();
    return out->data;
  }

  scripttest::CoreUp core;
  LogCapture log;
  scripttest::FixtureArchive archive;
  PackScope m_pack;
  std::unique_ptr<System> m_system;
  std::unique_ptr<rond::Engine> m_engine;
};

TEST_F(DrawnFrameTest, BothPlayersFromTheirCamerasSideBySide) {
  RondEngineSetup setup;
  setup.systemDirectory = u"Sys";
  setup.seDirectory = u"se";
  setup.stageDirectory = u"stages/arena01";
  setup.players[0] = u"fighter";
  setup.players[1] = u"fighter";
  setup.drawTargets[0] = true;
  setup.drawTargets[1] = true;
  m_engine = std::make_unique<rond::Engine>();
  m_engine->setup(m_system.get(), setup);
  m_engine->setupResources();
  ASSERT_EQ(m_engine->drawType(), 2);
  for (int32_t slot = 0; slot < 2; ++slot) {
    rond::Player& player = *m_engine->player(slot);
    rond::Geometry* body = player.loadGeometry(u"body");
    ASSERT_NE(body, nullptr);
    player.setAnimation(body->defaultEntry);
  }
  for (int frame = 0; frame < 3; ++frame) {
    m_engine->runFrame(frame == 2 ? Engine::FrameDraw::Draw : Engine::FrameDraw::Skip);
  }
  const std::vector<uint8_t> picture = capture();
  ASSERT_GT(picture.size(), 54u);
  expectGoldenPicture(picture, std::string(TEST_SOURCE_DIR) + "/tests/golden/versus_split.bmp",
                      "ENGINES_WRITE_GOLDEN");
  for (const auto& m : LogCapture::messages()) EXPECT_NE(m.level, OMB_LOG_ERROR) << m.text.size();
}

}  // namespace
