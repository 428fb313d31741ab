// The System in the runtime executable: the parameter file across runs.

#include "host/tests/GameFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using hosttest::contains;
using hosttest::GameFolder;
using hosttest::GameRun;
using hosttest::readFile;

namespace {

namespace fs = std::filesystem;

constexpr char kMissingLine[] =
    "[Mes] Message: [System::init] parameter file \"//<localappdata>/game.prm\" isn't exist\r\n";
constexpr char kLoadLine[] =
    "[Mes] Message: [System::init] load paramete file \"//<localappdata>/game.prm\"\r\n";
constexpr char kSaveLine[] = "[Mes] Message: [System::~System] save parameter file\r\n";

fs::path prm(const GameFolder& folder) { return folder.appData("fixture") / "game.prm"; }

void writeBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

TEST(SystemRun, FirstRunWritesAnEmptyParameterFile) {
  GameFolder folder("normal");
  const GameRun run = folder.run({});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  const std::string log = folder.log();
  EXPECT_TRUE(contains(log, kMissingLine)) << log;
  EXPECT_TRUE(contains(log, kSaveLine)) << log;
  EXPECT_LT(log.find(kMissingLine), log.find(kSaveLine));
  EXPECT_EQ(readFile(prm(folder)), std::string(8, '\0'));
  EXPECT_FALSE(fs::exists(prm(folder).string() + ".tmp"));
}

TEST(SystemRun, IntegersAndStringsSurviveARunByteForByte) {
  GameFolder folder("normal");
  const std::string stored = be32(3) + be32(7) + be32(0xFFFFFFFFu) + be32(0x80000000u) + be32(2) +
                             be32(2) + std::string("\0h\x30\x42", 4) + be32(0);
  writeBytes(prm(folder), stored);
  const GameRun run = folder.run({});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  const std::string log = folder.log();
  EXPECT_TRUE(contains(log, kLoadLine)) << log;
  EXPECT_TRUE(contains(log, kSaveLine)) << log;
  EXPECT_EQ(readFile(prm(folder)), stored);
}

TEST(SystemRun, DamagedParameterFileIsRefusedAndLeftUnchanged) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* line;
  } cases[] = {
      {"truncated integers", be32(3) + be32(1), "[Err] Error: [File::readI32] "},
      {"length that wraps", be32(0) + be32(1) + be32(0xFFFFFFFFu) + "ab",
       "[Err] Error: [File::readString] "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameFolder folder("normal");
    writeBytes(prm(folder), c.bytes);
    const GameRun run = folder.run({});
    EXPECT_EQ(run.exitCode, 1) << run.errors;
    const std::string log = folder.log();
    EXPECT_TRUE(contains(log, std::string(c.line) + "ファイル操作でエラーが発生しました。\r\n"))
        << log;
    EXPECT_FALSE(contains(log, kSaveLine)) << log;
    EXPECT_EQ(readFile(prm(folder)), c.bytes);
  }
}

TEST(SystemRun, FailedSaveIsLoggedAndLeavesNoTemporaryFile) {
  GameFolder folder("normal");
  // A folder where the file belongs: the rename over it fails.
  fs::create_directories(prm(folder) / "inside");
  const GameRun run = folder.run({});
  const std::string log = folder.log();
  EXPECT_TRUE(contains(log, kSaveLine)) << log;
  EXPECT_TRUE(contains(log, "[Err] Error: [File::close] ファイル操作でエラーが発生しました。"))
      << log;
  EXPECT_TRUE(fs::is_directory(prm(folder) / "inside"));
  EXPECT_FALSE(fs::exists(prm(folder).string() + ".tmp"));
  // The releases after the save still ran: the run ended normally.
  EXPECT_EQ(run.exitCode, 0) << run.errors;
}

TEST(SystemRun, ScriptedPadBoundToSlotZeroIsAnnounced) {
  GameFolder folder("normal");
  ASSERT_EQ(folder.run({}).exitCode, 0);
  // The first scripted pad's instance, as the settings file writes it, bound to slot 0 with a
  // remembered assignment (button 0 on pad button 0).
  const std::string guid = "50414430_52505343_69726373_64657470";
  std::string ini = folder.ini();
  const std::string from = "inputPad0Instance=";
  ini.replace(ini.find(from), from.size(), from + guid);
  ini.replace(ini.find("guid0="), 6, "guid0=" + guid + "\r\ntype0=0\r\nbutton0_0=29\r\nguid1=");
  folder.writeIni(ini);
  const GameRun run = folder.run({}, {"GAME_INPUT_SCRIPT=pad one"});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  const std::string log = folder.log();
  EXPECT_TRUE(contains(log, "[Info] 1番目の入力デバイスの作成に成功しました。\r\n")) << log;
  EXPECT_TRUE(contains(log, "[Info] 2番目の入力デバイスの作成に失敗しました。\r\n")) << log;
  EXPECT_FALSE(contains(log, "前回使用したコントローラが見つかりませんでした。")) << log;
  // Without the pad attached the slot stays unbound, with the settings' warning.
  folder.writeIni(ini);
  EXPECT_EQ(folder.run({}).exitCode, 0);
  EXPECT_TRUE(contains(folder.log(), "[Info] 1番目の入力デバイスの作成に失敗しました。\r\n"));
  EXPECT_TRUE(contains(folder.log(), "前回使用したコントローラが見つかりませんでした。"));
}

}  // namespace
