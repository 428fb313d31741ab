// The versus engine on the test scripts: set-up, the frame's quiescence, the damage flag seen by
// the script, the index and handle checks of the natives, and the state hash.

#include "engines/rond/RondEngine.h"

#include "foundation/lfm/lfmPack.h"
#include "host/system/System.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// Parameters of the test fighter (tests/scripts/fighter/main.nut).
enum : uint32_t { kLife, kSeen, kQuietFrames, kQuietRequest, kMode, kHandle };

uint32_t g_seed = 7;
uint32_t fixedSeed() { return g_seed; }

class RondEngineTest : public testing::Test {
 protected:
  RondEngineTest() { engineSetSeedSource(&fixedSeed); }

  static RondEngineSetup match(bool target0 = true, bool target1 = true,
                               std::u16string player0 = u"fighter") {
    RondEngineSetup setup;
    setup.systemDirectory = u"Sys";
    setup.seDirectory = u"se";
    setup.stageDirectory = u"stages/arena01";
    setup.players[0] = player0;
    setup.players[1] = u"fighter";
    setup.drawTargets[0] = target0;
    setup.drawTargets[1] = target1;
    return setup;
  }

  rond::Engine& start(bool target0 = true, bool target1 = true,
                      std::u16string player0 = u"fighter") {
    return start(match(target0, target1, std::move(player0)));
  }

  rond::Engine& start(const RondEngineSetup& setup) {
    engine.reset();
    engine = std::make_unique<rond::Engine>();
    engine->setup(&system, setup);
    engine->setupResources();
    return *engine;
  }

  rond::PlayerParameter& param(int32_t slot, uint32_t index) {
    return engine->player(slot)->parameters.at(index);
  }

  static std::vector<std::u16string> errors() {
    std::vector<std::u16string> texts;
    for (const auto& m : LogCapture::messages()) {
      if (m.level == OMB_LOG_ERROR) texts.push_back(m.text);
    }
    return texts;
  }

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

TEST_F(RondEngineTest, SetUpBringsUpScriptsPlayersAndViews) {
  struct Case {
    bool targets[2];
    int32_t drawType, view0, view1;
  } cases[] = {
      {{false, false}, 0, 2, 2},
      {{false, true}, 1, 1, 2},
      {{true, false}, 1, 0, 2},
      {{true, true}, 2, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.targets[0] << c.targets[1]);
    rond::Engine& e = start(c.targets[0], c.targets[1]);
    EXPECT_EQ(e.drawType(), c.drawType);
    EXPECT_EQ(e.activeView(0), c.view0);
    EXPECT_EQ(e.activeView(1), c.view1);
    // The system script ran first: the players' parameters come from its definitions, at the
    // stage's start places.
    ASSERT_NE(e.player(0), nullptr);
    ASSERT_NE(e.player(1), nullptr);
    EXPECT_EQ(e.player(0)->parameters.size(), 6u);
    EXPECT_EQ(param(1, kLife).value, 100);
    EXPECT_EQ(e.player(0)->position.z, 1024);
    EXPECT_EQ(e.player(1)->position.z, -1024);
    EXPECT_EQ(e.player(0)->rotationAngle, 3217);
    EXPECT_EQ(e.parameterTables().system.size(), 2u);
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(RondEngineTest, AMissingPlayerDirectoryEndsTheSlots) {
  rond::Engine& e = start(true, true, u"");
  EXPECT_EQ(e.player(0), nullptr);
  EXPECT_EQ(e.player(1), nullptr);
  EXPECT_EQ(e.drawType(), 0);
  e.update();
  EXPECT_EQ(e.stage().frame, 1u);
}

TEST_F(RondEngineTest, TheSoundListNamesTheSystemAndTheStage) {
  rond::Engine& e = start();
  using namespace std::string_literals;
  const std::u16string expected = u"se/systemCommon\0\1"s + u"se/systemarena01\0\1"s + u"\0"s;
  EXPECT_EQ(e.seListText(u"stages/arena01/", nullptr, false), expected);
  const std::u16string player = e.seListText(u"fighter/", u"chars/Ken/", true);
  const std::u16string withPlayer = u"se/systemCommon\0\1"s + u"se/systemfighter\0\1"s +
                                    u"se/playerKenCommon\0\1"s + u"se/playerKenfighter\0\1"s +
                                    u"se/playerKenVoice\0\2"s + u"se/stagefighter\0\1"s + u"\0"s;
  EXPECT_EQ(player, withPlayer);
}

TEST_F(RondEngineTest, QuiescenceHoldsTheStageForItsFrames) {
  struct Case {
    int32_t frames;
    std::vector<uint32_t> stageFrames;  // after each update, the request made in the first
  } cases[] = {
      {1, {2, 2, 3, 4}},
      {3, {2, 2, 2, 2, 3}},
      {0, {2, 3, 4}},
      {-5, {2, 3, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frames);
    rond::Engine& e = start();
    e.update();
    param(0, kQuietFrames).value = c.frames;
    param(0, kQuietRequest).value = 1;
    std::vector<uint32_t> seen;
    for (size_t i = 0; i < c.stageFrames.size(); ++i) {
      e.update();
      seen.push_back(e.stage().frame);
      if (i == 1 && c.frames > 1) {
        EXPECT_TRUE(e.quiescenceActive());
        EXPECT_EQ(e.quiescenceOwner(), 0);
        // A request made while the mode runs is discarded.
        e.requestQuiescence(1, 50);
      }
    }
    EXPECT_EQ(seen, c.stageFrames);
    EXPECT_FALSE(e.quiescenceActive());
  }
}

TEST_F(RondEngineTest, OnlyTheOwnerActsDuringQuiescence) {
  rond::Engine& e = start();
  e.update();
  param(1, kQuietFrames).value = 2;
  param(1, kQuietRequest).value = 1;
  e.update();
  const FixedVec3 still = e.player(0)->position;
  const FixedVec3 moving = e.player(1)->position;
  e.update();
  e.update();
  EXPECT_EQ(e.player(0)->position.x, still.x);
  EXPECT_EQ(e.player(0)->position.z, still.z);
  EXPECT_TRUE(e.player(1)->position.x != moving.x || e.player(1)->position.z != moving.z);
  e.update();
  EXPECT_TRUE(e.player(0)->position.x != still.x || e.player(0)->position.z != still.z);
}

TEST_F(RondEngineTest, TheScriptSeesTheDamageFlagInTheNextFrame) {
  rond::Engine& e = start();
  e.update();
  rond::Player::applyDamage(*e.player(1), nullptr, FixedVec3{0, 0, -1024});
  EXPECT_EQ(e.player(1)->damageAngleValue, 0);
  e.update();
  EXPECT_EQ(param(1, kSeen).value, 1);
  EXPECT_EQ(param(0, kSeen).value, 0);
  EXPECT_EQ(e.player(1)->damageFlag, 0) << "cleared right after the script step";
  e.update();
  EXPECT_EQ(param(1, kSeen).value, 0);
}

TEST_F(RondEngineTest, ScriptIndicesOutOfRangeAreOneScriptError) {
  rond::Engine& e = start();
  param(0, kMode).value = 1;
  e.update();
  EXPECT_EQ(errors(), (std::vector<std::u16string>{
                          u"[] Script Error: parameter index out of range(6)",
                          u"[] Script Error: versus slot index out of range(4)",
                          u"[] Script Error: flag index out of range(48)",
                          u"[] Script Error: parameter index out of range(-1)"}));
}

TEST_F(RondEngineTest, AttackHandlesAreCheckedAtEveryUse) {
  rond::Engine& e = start();
  param(0, kMode).value = 3;
  e.update();
  const int32_t handle = param(0, kHandle).value;
  ASSERT_NE(handle, 0);
  ASSERT_EQ(e.player(0)->attacks().size(), 1u);

  param(0, kMode).value = 2;
  e.update();
  EXPECT_EQ(e.player(0)->activeAttack, e.player(0)->attacks().front().get());
  EXPECT_TRUE(errors().empty());

  const std::u16string invalid =
      u"[] Script Error: invalid attack handle(" + testsupport::u16(std::to_string(handle)) + u")";
  // Another player's attack.
  param(1, kHandle).value = handle;
  param(1, kMode).value = 2;
  e.update();
  EXPECT_EQ(errors(), std::vector<std::u16string>{invalid});
  EXPECT_EQ(e.player(1)->activeAttack, nullptr);
  // A made-up number.
  LogCapture::messages().clear();
  param(0, kHandle).value = handle + 1;
  param(0, kMode).value = 2;
  e.update();
  EXPECT_EQ(errors().size(), 1u);
  // A handle of a restarted player's attack list.
  e.player(0)->setupScript();
  LogCapture::messages().clear();
  param(0, kHandle).value = handle;
  param(0, kMode).value = 2;
  e.update();
  EXPECT_EQ(errors(), std::vector<std::u16string>{invalid});
  EXPECT_EQ(e.player(0)->activeAttack, nullptr);
}

TEST_F(RondEngineTest, TheStateHashFollowsTheSeed) {
  auto run = [this](uint32_t seed) {
    g_seed = seed;
    rond::Engine& e = start();
    std::vector<uint64_t> hashes;
    for (int frame = 0; frame < 20; ++frame) {
      e.update();
      uint64_t hash = 0;
      EXPECT_TRUE(e.stateHash(&hash));
      hashes.push_back(hash);
    }
    return hashes;
  };
  const std::vector<uint64_t> first = run(7);
  EXPECT_EQ(run(7), first);
  const std::vector<uint64_t> other = run(8);
  for (size_t i = 0; i < first.size(); ++i) EXPECT_NE(other[i], first[i]) << i;
  // The hash follows the simulation: one parameter differs, the hash differs.
  g_seed = 7;
  rond::Engine& e = start();
  e.update();
  uint64_t before = 0;
  e.stateHash(&before);
  param(0, kLife).value = 99;
  uint64_t after = 0;
  e.stateHash(&after);
  EXPECT_NE(before, after);
  EXPECT_EQ(before, first[0]);
}

TEST_F(RondEngineTest, AReplayWrittenInTheExitFrameReplaysTheMatch) {
  // The engine lower-cases replay names, as the game's are: the folder's name has no capitals.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("rond-replay-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  struct Remove {
    std::filesystem::path path;
    ~Remove() { std::filesystem::remove_all(path); }
  } remove{folder};
  const std::string file = (folder / "match.rep").string();
  const std::u16string path = testsupport::u16(file);
  g_seed = 7;
  RondEngineSetup record = match();
  record.inputHistorySave = path;
  // With both names the file is written and nothing is read.
  record.inputHistoryReplay = u"no/such/replay";
  // A match that ends without the exit request leaves the header alone.
  start(record).update();
  engine.reset();
  EXPECT_EQ(std::filesystem::file_size(file), 8u) << "the header only";

  rond::Engine& e = start(record);
  std::vector<uint64_t> recorded;
  for (int frame = 0; frame < 12; ++frame) {
    if (frame == 11) e.requestExit();
    e.update();
    uint64_t hash = 0;
    e.stateHash(&hash);
    recorded.push_back(hash);
  }
  // Header, then per slot: kind, count and 12 frames of flags.
  EXPECT_GT(std::filesystem::file_size(file), 8u + 2 * 8u);
  EXPECT_TRUE(errors().empty());

  // Played back under another seed: the file's seed and streams give the same frames.
  g_seed = 99;
  RondEngineSetup replay = match();
  replay.inputHistoryReplay = path;
  rond::Engine& r = start(replay);
  EXPECT_EQ(r.seed(), 7u);
  ASSERT_NE(r.player(0)->controller(), nullptr);
  EXPECT_EQ(r.player(0)->controller()->getType(), Controller::kTypeReplay);
  for (int frame = 0; frame < 12; ++frame) {
    r.update();
    uint64_t hash = 0;
    r.stateHash(&hash);
    EXPECT_EQ(hash, recorded[size_t(frame)]) << "frame " << frame;
  }
}

TEST_F(RondEngineTest, AReplayOfAnotherVersionIsRefused) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("rond-version-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  struct Remove {
    std::filesystem::path path;
    ~Remove() { std::filesystem::remove_all(path); }
  } remove{folder};
  // Version 5, seed 1, then two empty streams of kind 1 (big-endian words).
  const std::string file = (folder / "old.rep").string();
  const char bytes[24] = {0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
  std::ofstream(file, std::ios::binary).write(bytes, sizeof bytes);
  RondEngineSetup replay = match();
  replay.inputHistoryReplay = testsupport::u16(file);
  start(replay);
  ASSERT_FALSE(errors().empty());
  EXPECT_EQ(errors().front(),
            u"Error: [rond::Engine::setupResources] リプレイデータのバージョンが異なります");
}

}  // namespace
