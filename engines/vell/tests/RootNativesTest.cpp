// The root table's controller, post-effect and sound natives, called by the field fixture
// game's root script (scenario "root") on an engine with a device and sound; the test sets the
// controllers' flags and reads the engine between the frames.

#include "engines/vell/Map.h"
#include "engines/vell/tests/FieldDeviceFixture.h"
#include "net/controller/Controller.h"
#include "sound/se/LSeManager.h"
#include "testsupport/ModelSample.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

// One second of 16-bit mono silence at 22050 Hz as a RIFF wave.
std::vector<uint8_t> silentWav() {
  const uint32_t data = 22050 * 2;
  std::vector<uint8_t> b(44 + data, 0);
  auto put = [&](size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
  };
  std::memcpy(&b[0], "RIFF", 4);
  put(4, 36 + data, 4);
  std::memcpy(&b[8], "WAVEfmt ", 8);
  put(16, 16, 4);
  put(20, 1, 2);  // PCM
  put(22, 1, 2);  // mono
  put(24, 22050, 4);
  put(28, 44100, 4);
  put(32, 2, 2);
  put(34, 16, 2);
  std::memcpy(&b[36], "data", 4);
  put(40, data, 4);
  return b;
}

std::vector<uint8_t> text(const std::string& s) { return {s.begin(), s.end()}; }

// A model the map can take as its layer: it has the animation "start".
std::vector<uint8_t> layerModel() {
  return modelfile::scrambled(modelfile::write(modelfile::untexturedModel("start")));
}

class RootNativesTest : public fieldtest::FieldDeviceTest {
 protected:
  void SetUp() override {
    // Sound 0 of the engine's group and sound 3 of each of the map's groups.
    pack.Add("field/sys/se.prp", text("@se0 name=beep count=1\n"));
    pack.Add("field/se/beep.wav", silentWav());
    pack.Add("field/map/room/room_se.prp", text("@se3 name=beep count=1\n"));
    pack.Add("field/map/room/room_voice.prp", text("@se3 name=beep count=1\n"));
    pack.Add("field/map/room/beep.wav", silentWav());
    pack.Add("field/map/room/room.dgo", layerModel());
    bringUp(TEST_FIELD_ARCHIVE,
            std::filesystem::path(TEST_FIELD_ARCHIVE).parent_path().string() + "/games");
  }

  // What plays: each active voice's group and sound number.
  std::vector<std::pair<LSeManager::_GROUPINFO*, uint32_t>> playing() const {
    std::vector<std::pair<LSeManager::_GROUPINFO*, uint32_t>> out;
    for (auto* v = system->seManager()->_GetActiveVoices(); v != nullptr; v = v->next) {
      out.emplace_back(v->sound->group, v->sound->number);
    }
    return out;
  }
  // The root script's lines, without the camera's, the second script's and the map's.
  static std::vector<std::string> rootPrinted() {
    std::vector<std::string> out;
    for (const std::string& l : printed()) {
      if (l.rfind("camera ", 0) != 0 && l.rfind("second ", 0) != 0 && l.rfind("map ", 0) != 0) {
        out.push_back(l);
      }
    }
    return out;
  }
  void stopAll() {
    LSeManager& se = *system->seManager();
    while (se._GetActiveVoices() != nullptr) se._StopVoice(se._GetActiveVoices());
  }
};

TEST_F(RootNativesTest, ControllersPostEffectsAndSounds) {
  start(u"Field", u"root");
  ASSERT_NE(system->seManager(), nullptr);
  // The System was brought up without a configured screen: the engine has no post effect,
  // which the post-effect natives answer with 0 and leave alone (the valley registers real
  // ones, see tests/run/valley_hashes.sh).
  EXPECT_EQ(engine->postEffect(), nullptr);
  Controller& c0 = *engine->controller(0);
  Controller& c1 = *engine->controller(1);
  c0.pressed()[1] = 1;
  c0.pressed()[15] = 1;
  c0.held()[2] = 1;
  c0.third()[3] = 1;
  c0.third()[0] = 1;
  c0.analog()[4] = 0.5f;
  c1.held()[0] = 1;
  LogCapture::messages().clear();
  engine->update();
  EXPECT_EQ(rootPrinted(), (std::vector<std::string>{
                           "mask 5 event=0100000000000001 intr=1001000000000000",
                           "mask 7 event=0000000000000000 intr=0000000000000000 "
                           "status=1000000000000000",
                           "mask 0 [] controller 9 event=0000000000000000",
                           "get true true true false false"}));
  // Set by the script; buttons and controllers out of range change nothing.
  EXPECT_EQ(c1.pressed()[4], 1);
  EXPECT_EQ(c1.held()[5], 1);
  EXPECT_EQ(c1.third()[15], 1);
  EXPECT_EQ(c0.held()[2], 0);
  EXPECT_EQ(std::count(c1.flags().begin(), c1.flags().end(), 1), 4);

  // Cleared: every flag and analog value of controller 0, none of controller 1.
  LogCapture::messages().clear();
  engine->update();
  EXPECT_EQ(std::count(c0.flags().begin(), c0.flags().end(), 0), 48);
  EXPECT_EQ(c0.analog()[4], 0.0f);
  EXPECT_EQ(c1.held()[0], 1);
  EXPECT_EQ(rootPrinted(), std::vector<std::string>{"post 00000000000"});
  engine->update();
  engine->update();

  // The map's sound-effect group for type 0, its voice group for type 1; a negative number
  // plays nothing.
  stopAll();
  engine->update();
  vell::Map& map = *engine->map();
  ASSERT_NE(map.seGroup, nullptr);
  ASSERT_NE(map.voiceGroup, nullptr);
  ASSERT_NE(map.seGroup, map.voiceGroup);
  EXPECT_EQ(playing(), (std::vector<std::pair<LSeManager::_GROUPINFO*, uint32_t>>{{map.seGroup, 3}}));
  stopAll();
  engine->update();
  EXPECT_EQ(playing(),
            (std::vector<std::pair<LSeManager::_GROUPINFO*, uint32_t>>{{map.voiceGroup, 3}}));
  // The root base plays from the engine's groups: it has "se", no "voice".
  stopAll();
  engine->update();
  ASSERT_NE(engine->seGroup(), nullptr);
  EXPECT_EQ(engine->voiceGroup(), nullptr);
  EXPECT_EQ(playing(),
            (std::vector<std::pair<LSeManager::_GROUPINFO*, uint32_t>>{{engine->seGroup(), 0}}));
  EXPECT_TRUE(errors().empty()) << errors().front();
}

}  // namespace
