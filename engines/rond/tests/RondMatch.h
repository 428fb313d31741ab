#pragma once

// A versus match on the test scripts (tests/scripts, packed at build time): the fixture of the
// stage and camera tests. The seed is fixed, so matches of one test can be compared.

#include "engines/rond/RondEngine.h"

#include "foundation/lfm/lfmPack.h"
#include "host/system/System.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace rondtest {

inline uint32_t matchSeed() { return 7; }

class Match : public testing::Test {
 protected:
  Match() { engineSetSeedSource(&matchSeed); }

  static RondEngineSetup record(bool target0, bool target1,
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

  rond::Engine& start(const RondEngineSetup& setup) {
    engine.reset();
    engine = std::make_unique<rond::Engine>();
    engine->setup(&system, setup);
    engine->setupResources();
    return *engine;
  }

  static std::vector<std::u16string> messages(int32_t level) {
    std::vector<std::u16string> texts;
    for (const auto& m : LogCapture::messages()) {
      if (m.level == level) texts.push_back(m.text);
    }
    return texts;
  }

  scripttest::CoreUp core;
  LogCapture log;
  scripttest::FixtureArchive archive;
  int32_t pack = [] {
    lfmTerm();
    return lfmRegistPack("");
  }();
  System system{pack};
  std::unique_ptr<rond::Engine> engine;
};

}  // namespace rondtest
