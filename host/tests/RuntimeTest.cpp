// The runtime executable on fixture games: exit codes and the lines of its log file.

#include "host/tests/GameFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

using hosttest::contains;
using hosttest::GameFolder;
using hosttest::GameRun;

namespace {

constexpr char kHeader[] = "\xEF\xBB\xBF[Info] Information: [appInit] This is logger of dadevoz\r\n";
constexpr char kVersionLine[] = "[Mes] Message: [Config::init] game version is \"258\"\r\n";
// The fixture game has no "start/main": the first engine says so and ends.
constexpr char kNoEngineLine[] =
    "[Mes] Message: [simple::Engine::loadResources] script \"start/main\" isn't exist\r\n";

TEST(Runtime, StartsAndShutsDownWithTheLogHeaderAndTheVersion) {
  GameFolder folder("normal");
  const GameRun run = folder.run({});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  const std::string log = folder.log();
  EXPECT_EQ(log.rfind(kHeader, 0), 0u) << log;
  EXPECT_TRUE(contains(log, kVersionLine)) << log;
  // The settings were confirmed unseen: the report (with the script's header) reached the log
  // and the section remembers the confirmation.
  EXPECT_TRUE(contains(log, "[Info] Configuration Lists.\r\nFixture game, version 258\r\n"))
      << log;
  // The default adapter's desktop is 1280 x 1024: the first entry it can show full screen.
  EXPECT_TRUE(contains(log, "  Res: 1280 x 1024\r\n")) << log;
  EXPECT_TRUE(contains(log, kNoEngineLine)) << log;
  const std::string ini = folder.ini();
  EXPECT_TRUE(contains(ini, "[Config]")) << ini;
  EXPECT_TRUE(contains(ini, "default=1")) << ini;
  EXPECT_TRUE(contains(ini, "videoWidth=1280")) << ini;
}

TEST(Runtime, SavedVideoSettingsAreUsedOnTheNextStart) {
  GameFolder folder("normal");
  ASSERT_EQ(folder.run({}).exitCode, 0);
  std::string ini = folder.ini();
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"videoWidth=1280", "videoWidth=800"},
                                 {"videoHeight=1024", "videoHeight=600"},
                                 {"videoColor=0", "videoColor=2"}}) {
    const size_t at = ini.find(from);
    ASSERT_NE(at, std::string::npos) << ini;
    ini.replace(at, from.size(), to);
  }
  folder.writeIni(ini);
  ASSERT_EQ(folder.run({}).exitCode, 0);
  EXPECT_TRUE(contains(folder.log(), "  Res: 800 x 600\r\n")) << folder.log();
  EXPECT_TRUE(contains(folder.log(), "  Color: 0(Windowed)\r\n")) << folder.log();
  // A saved choice the adapter cannot show falls back to the defaults with a warning.
  ini = folder.ini();
  const size_t at = ini.find("videoWidth=800");
  ASSERT_NE(at, std::string::npos) << ini;
  ini.replace(at, 14, "videoWidth=801");
  folder.writeIni(ini);
  const GameRun fallback = folder.run({});
  EXPECT_EQ(fallback.exitCode, 0);
  EXPECT_TRUE(contains(fallback.errors, "有効なビデオの設定が見つかりません。")) << fallback.errors;
  EXPECT_TRUE(contains(folder.log(), "  Res: 1280 x 1024\r\n")) << folder.log();
}

TEST(Runtime, MissingVersionFileEndsWithItsMessage) {
  GameFolder folder("normal");
  std::filesystem::remove(folder.game() / "ver");
  const GameRun run = folder.run({});
  EXPECT_EQ(run.exitCode, 1);
  const std::string log = folder.log();
  EXPECT_TRUE(contains(log, "[Err] Error: [File::create] \"ver\"を開けません。\r\n")) << log;
  EXPECT_FALSE(contains(log, "game version")) << log;
}

TEST(Runtime, ShortVersionFileEndsWithTheReadError) {
  GameFolder folder("normal");
  std::ofstream(folder.game() / "ver", std::ios::binary) << "ab";
  EXPECT_EQ(folder.run({}).exitCode, 1);
  EXPECT_TRUE(contains(folder.log(),
                       "[Err] Error: [File::readU32] ファイル操作でエラーが発生しました。"))
      << folder.log();
}

struct SwitchCase {
  std::vector<std::string> arguments;
  int exitCode;
  bool readsVersion;   // "ver" was read (the start-up got past the command line)
  bool runsGame;       // the start-up went on after the configuration
  const char* section; // the settings section confirmed, or null
};

class RuntimeSwitches : public testing::TestWithParam<SwitchCase> {};

TEST_P(RuntimeSwitches, DecideTheLaunchMode) {
  const SwitchCase& c = GetParam();
  GameFolder folder("normal");
  const GameRun run = folder.run(c.arguments);
  EXPECT_EQ(run.exitCode, c.exitCode) << run.errors;
  const std::string log = folder.log();
  EXPECT_EQ(contains(log, kVersionLine), c.readsVersion) << log;
  EXPECT_EQ(contains(log, kNoEngineLine), c.runsGame) << log;
  if (c.section) {
    EXPECT_TRUE(contains(folder.ini(), std::string("[") + c.section + "]")) << folder.ini();
  }
}

std::string caseName(const testing::TestParamInfo<SwitchCase>& info) {
  std::string name;
  for (const std::string& a : info.param.arguments) {
    for (const char c : a) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    name += '_';
  }
  return name + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RuntimeSwitches,
    testing::Values(
        // Settings only: exit 0 before any game runs.
        SwitchCase{{"--adjusterconfig"}, 0, true, false, "AdjusterConfig"},
        SwitchCase{{"--netconfig"}, 0, true, false, "NetConfig"},
        // Pipe numbers left over from an overridden switch end the start-up before "ver".
        SwitchCase{{"--lounge", "100", "200", "--netconfig"}, 1, false, false, nullptr},
        SwitchCase{{"--adjuster", "0x10", "020", "--adjusterconfig"}, 1, false, false, nullptr},
        // The last switch wins and takes the pipes; adjuster mode without numbers runs.
        SwitchCase{{"--lounge", "100", "200", "--adjuster"}, 0, true, true, "AdjusterConfig"},
        SwitchCase{{"--adjuster"}, 0, true, true, "AdjusterConfig"},
        SwitchCase{{"--netconfig", "--lounge"}, 0, true, true, "NetConfig"},
        SwitchCase{{"--unknown", "x=1"}, 0, true, true, "Config"}),
    caseName);

TEST(Runtime, NumberedSystemArchivesStopAtTheFirstGap) {
  // system.dat and system1.dat without system0.dat: only system.dat is registered, so the base
  // script packed alone into system1.dat never names a sub-directory.
  GameFolder folder("split");
  const GameRun run = folder.run({});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_TRUE(contains(run.errors, "Message: [_loadResource] load resource \"system.dat\""))
      << run.errors;
  EXPECT_FALSE(contains(run.errors, "system1.dat")) << run.errors;
  EXPECT_TRUE(contains(folder.log(""), kVersionLine));
  EXPECT_FALSE(std::filesystem::exists(folder.appData("fromsystem1")));
}

TEST(Runtime, FailingConfigurationScriptEndsWithAFatalError) {
  GameFolder folder("failing");
  const GameRun run = folder.run({});
  EXPECT_EQ(run.exitCode, 1);
  const std::string log = folder.log();
  EXPECT_TRUE(contains(log, kVersionLine)) << log;
  EXPECT_TRUE(contains(log, "[Err] [] Script Error: can't run script\r\n")) << log;
  EXPECT_FALSE(contains(log, "Configuration Lists.")) << log;
}

TEST(Runtime, SecondInstanceBringsTheFirstToTheFrontAndEnds) {
  GameFolder folder("engines");
  // Every line reaches the file at once, so the first instance's progress can be watched. The
  // engines game's scenario 11 runs until the window closes.
  folder.writeIni("[debug]\r\nfileFlush=1\r\n");
  std::filesystem::create_directories(folder.appData("fixture"));
  std::ofstream(folder.appData("fixture") / "game.prm", std::ios::binary)
      << std::string("\0\0\0\1\0\0\0\x0b\0\0\0\0", 12);
  const pid_t first = folder.start({}, {"GAME_WINDOW_SCRIPT="});
  ASSERT_TRUE(hosttest::eventually(
      [&] { return contains(folder.log(), "[Mes] Message: [System::init] load paramete file"); }))
      << folder.log();
  const GameRun second = folder.run({});
  EXPECT_EQ(second.exitCode, 1) << second.errors;
  // The first instance recorded the request; a termination signal then ends it as a closed
  // window does: the running engine stops with exit code 1.
  EXPECT_TRUE(hosttest::eventually(
      [&] { return contains(folder.log(), "another instance asked for this window"); }))
      << folder.log();
  kill(first, SIGTERM);
  EXPECT_EQ(folder.wait(first).exitCode, 1);
  // With the first one gone, a new start runs again (and, the window closed at once, ends).
  EXPECT_EQ(folder.run({}).exitCode, 1);
}

TEST(Runtime, ClosingTheWindowEndsTheRun) {
  GameFolder folder("normal");
  const GameRun run = folder.run({}, {"GAME_WINDOW_SCRIPT=0 paint; 30 activate 0; 60 close"});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_TRUE(contains(folder.log(), kNoEngineLine));
}

}  // namespace
