#pragma once

// A versus match on the test scripts (tests/scripts: the system "sys", the fighter, the brain,
// the stages) with a fixed seed, the log captured and a lower-case scratch folder for replay
// files (the engine lower-cases replay names as the game's are).

#include "engines/rond/RondEngine.h"

#include "foundation/lfm/lfmPack.h"
#include "host/system/System.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace rondtest {

// Parameters of the test fighter (tests/scripts/fighter/main.nut).
enum : uint32_t { kLife, kSeen, kQuietFrames, kQuietRequest, kMode, kHandle };

inline uint32_t g_seed = 7;
inline uint32_t fixedSeed() { return g_seed; }

class MatchFixture : public testing::Test {
 protected:
  MatchFixture() {
    g_seed = 7;
    engineSetSeedSource(&fixedSeed);
    std::filesystem::create_directories(folder);
  }
  ~MatchFixture() override {
    engine.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  static RondEngineSetup match(bool target0 = true, bool target1 = true,
                               std::u16string stage = u"stages/arena01") {
    RondEngineSetup setup;
    setup.systemDirectory = u"Sys";
    setup.seDirectory = u"se";
    setup.stageDirectory = std::move(stage);
    setup.players[0] = u"fighter";
    setup.players[1] = u"fighter";
    setup.drawTargets[0] = target0;
    setup.drawTargets[1] = target1;
    return setup;
  }

  static void giveBrain(RondEngineSetup& setup, int32_t slot, int32_t level) {
    setup.controllers[slot].hasBrain = true;
    setup.controllers[slot].brain = u"brain";
    setup.controllers[slot].brainLevel = level;
  }

  rond::Engine& start(const RondEngineSetup& setup) {
    engine.reset();
    engine = std::make_unique<rond::Engine>();
    engine->setup(&system, setup);
    engine->setupResources();
    return *engine;
  }

  uint64_t hash() const {
    uint64_t h = 0;
    EXPECT_TRUE(engine->stateHash(&h));
    return h;
  }

  rond::PlayerParameter& param(int32_t slot, uint32_t index) {
    return engine->player(slot)->parameters.at(index);
  }

  static std::vector<std::u16string> messages(int32_t level) {
    std::vector<std::u16string> texts;
    for (const auto& m : LogCapture::messages()) {
      if (m.level == level) texts.push_back(m.text);
    }
    return texts;
  }
  static std::vector<std::u16string> errors() { return messages(OMB_LOG_ERROR); }

  // A path in the scratch folder, as the scripts would name it.
  std::u16string file(const std::string& name) const {
    return testsupport::u16((folder / name).string());
  }

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("rond-match-" + std::to_string(getpid()));
  scripttest::CoreUp core;
  LogCapture log;
  scripttest::FixtureArchive archive;
  // The game's pack, as the host registers it: models and sounds are looked up through it.
  int32_t pack = [] {
    lfmTerm();
    return lfmRegistPack("");
  }();
  System system{pack};
  std::unique_ptr<rond::Engine> engine;
};

}  // namespace rondtest
