// The engine loop, the global and binary natives and both script-only engines in the runtime
// executable, on the engines fixture game. Its start script reads what to do from integer
// parameter 0 of the parameter file the test writes; results come back through the parameter
// file the game saves at exit.

#include "host/system/SystemParameters.h"
#include "host/tests/GameFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using hosttest::contains;
using hosttest::GameFolder;
using hosttest::GameRun;
using hosttest::readFile;

namespace {

namespace fs = std::filesystem;

enum Scenario : int32_t {
  kParameters = 1,
  kSwitchWithArgs = 2,
  kSwitchWithoutArgs = 3,
  kBinaries = 4,
  kDoubleDestroy = 5,
  kEarlierEngineHandle = 6,
  kErrorInSecondFrame = 7,
  kRandom = 8,
  kSprites = 9,
  kMadeUpHandle = 10,
};

constexpr char kInvalidBinary[] = "[Err] [] Script Error: invalid binary handle(";

fs::path prm(const GameFolder& folder) { return folder.appData("fixture") / "game.prm"; }

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

void writeParameters(const GameFolder& folder, const SystemParameters& parameters) {
  fs::create_directories(prm(folder).parent_path());
  const std::vector<uint8_t> bytes = writeSystemParameters(parameters);
  std::ofstream(prm(folder), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

SystemParameters readParameters(const GameFolder& folder) {
  Parsed<SystemParameters> parsed = parseSystemParameters(bytesOf(readFile(prm(folder))));
  EXPECT_TRUE(parsed) << "the parameter file does not parse";
  return parsed ? parsed.value() : SystemParameters{};
}

// Runs the scenario; the window stays open (the game ends itself).
GameRun play(GameFolder& folder, int32_t scenario, std::vector<std::string> env = {}) {
  writeParameters(folder, {{scenario}, {}});
  env.push_back("GAME_WINDOW_SCRIPT=0 activate 1");
  return folder.run({}, env);
}

std::string ascii(const std::u16string& text) { return {text.begin(), text.end()}; }

TEST(EngineRun, ParametersWrittenByTheScriptAreSavedAtExit) {
  GameFolder folder("engines");
  const GameRun run = play(folder, kParameters);
  ASSERT_EQ(run.exitCode, 0) << run.errors << folder.log();
  const SystemParameters saved = readParameters(folder);
  // Writes outside the count were ignored and reads there gave 0; the count never shrinks.
  EXPECT_EQ(saved.integers, (std::vector<int32_t>{kParameters, 77, 4, 10}));
  ASSERT_EQ(saved.strings.size(), 3u);
  EXPECT_EQ(ascii(saved.strings[0]), "saved");
  // Screen size, version and the session queries without a session.
  EXPECT_EQ(ascii(saved.strings[1]), "1280x1024 v258 false1-1falsetruefalse");
  // Slot 0 (a negative player too) has the keyboard's controller, slot 1 none; a player above
  // 3 or a button outside 0..15 reads false.
  EXPECT_EQ(ascii(saved.strings[2]), "truetruefalsefalsefalsefalsefalsefalsefalse");
}

TEST(EngineRun, AnEngineSwitchHandsOverNestedArguments) {
  struct Case {
    Scenario scenario;
    const char* received;
  } cases[] = {
      {kSwitchWithArgs,
       "{list=[integer:1,[integer:2,string:three],null,float:4.5],n=integer:-7,"
       "name=string:engine switch,pos=Vec3(1.5,-2,3),yes=bool:true}"},
      // Without arguments the basic engine sees an empty table.
      {kSwitchWithoutArgs, "{}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.received);
    GameFolder folder("engines");
    const GameRun run = play(folder, c.scenario);
    ASSERT_EQ(run.exitCode, 0) << run.errors << folder.log();
    const SystemParameters saved = readParameters(folder);
    ASSERT_EQ(saved.strings.size(), 1u) << folder.log();
    EXPECT_EQ(ascii(saved.strings[0]), c.received);
  }
}

TEST(EngineRun, BinaryNativesReadAndPatchArchiveAndDiskFiles) {
  GameFolder folder("engines");
  // Beside the executable only, while "start/data.bin" (00 00 01 00 05 06 07 08) lives only in
  // the archive.
  std::ofstream(folder.game() / "disk.bin", std::ios::binary) << std::string("\x12\x34\x56\x78", 4);
  const GameRun run = play(folder, kBinaries);
  ASSERT_EQ(run.exitCode, 0) << run.errors << folder.log();
  const SystemParameters saved = readParameters(folder);
  EXPECT_EQ(saved.integers, (std::vector<int32_t>{
                                kBinaries,
                                256,         // big-endian word at 0
                                1,           // byte at 2
                                0,           // 300 stored as 255 over 0
                                255,         //
                                0,           // -5 stored as 0 over 0
                                0,           //
                                0x05060708,  // the word that was at 4
                                0x01020304,  //
                                0, 0, 0, 0,  // outside the block: reads 0, writes ignored
                                0x01020304,  // unchanged by the ignored writes
                                0x12345678,  // the disk file
                            }));
}

TEST(EngineRun, ForeignBinaryHandlesAreScriptErrors) {
  for (Scenario scenario : {kDoubleDestroy, kEarlierEngineHandle, kMadeUpHandle}) {
    SCOPED_TRACE(scenario);
    GameFolder folder("engines");
    const GameRun run = play(folder, scenario);
    EXPECT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_TRUE(contains(folder.log(), kInvalidBinary)) << folder.log();
  }
}

TEST(EngineRun, AnErrorInTheSecondFrameEndsWithExitCode1AndSavesTheParameters) {
  GameFolder folder("engines");
  const GameRun run = play(folder, kErrorInSecondFrame);
  EXPECT_EQ(run.exitCode, 1) << run.errors;
  const std::string log = folder.log();
  EXPECT_TRUE(contains(log, "[Err] [] Script Error: can't continue script\r\n")) << log;
  EXPECT_EQ(readParameters(folder).integers, (std::vector<int32_t>{kErrorInSecondFrame, 55}));
}

TEST(EngineRun, TheSameSeedGivesTheSameRandomSequence) {
  auto sequence = [](const char* seed) {
    GameFolder folder("engines");
    const GameRun run = play(folder, kRandom, {std::string("GAME_RANDOM_SEED=") + seed});
    EXPECT_EQ(run.exitCode, 0) << run.errors << folder.log();
    return readParameters(folder).integers;
  };
  const std::vector<int32_t> first = sequence("1234");
  ASSERT_EQ(first.size(), 17u);
  for (size_t i = 1; i <= 8; ++i) {
    EXPECT_GE(first[i], -1000000);
    EXPECT_LE(first[i], 1000000);
  }
  EXPECT_EQ(sequence("1234"), first);
  EXPECT_NE(sequence("4321"), first);
}

TEST(EngineRun, AGameWithoutStartMainIsToldSoAndEnds) {
  GameFolder folder("normal");
  const GameRun run = folder.run({}, {"GAME_WINDOW_SCRIPT=0 activate 1"});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_TRUE(contains(
      folder.log(),
      "[Mes] Message: [simple::Engine::loadResources] script \"start/main\" isn't exist\r\n"))
      << folder.log();
}

TEST(EngineRun, ClosingTheWindowEndsTheRunWithExitCode1) {
  GameFolder folder("engines");
  writeParameters(folder, {{11}, {}});
  const GameRun run = folder.run({}, {"GAME_WINDOW_SCRIPT=0 paint; 30 activate 0; 200 close"});
  EXPECT_EQ(run.exitCode, 1) << run.errors;
  // Closed, not failed.
  EXPECT_FALSE(contains(folder.log(), "[Err]")) << folder.log();
  EXPECT_EQ(readParameters(folder).integers, std::vector<int32_t>{11});
}

}  // namespace
