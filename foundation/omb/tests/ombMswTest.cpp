#include "foundation/omb/ombMsw.h"

#include "foundation/omb/file/ombPathState.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombMswAppData.h"
#include "platform/ui/MessageService.h"
#include "testsupport/FileLayerTest.h"
#include "testsupport/XdgHome.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace {

using namespace ombfiletest;

void returningHook(int32_t) {}

class ombMsw : public FileLayerTest {
 protected:
  void SetUp() override {
    FileLayerTest::SetUp();
    ombFileSetAppDir(u"Title");
    fs::create_directories(folder());
    ombLogSetErrorHook(returningHook);
  }
  void TearDown() override {
    ombMswUninit();
    ombLogSetErrorHook(nullptr);
    FileLayerTest::TearDown();
  }

  fs::path folder() const { return home.root / "data" / "Title"; }
  fs::path logPath() const { return folder() / "foundation_tests.log"; }
  void writeIni(const std::string& debugSection) const {
    std::ofstream(folder() / "foundation_tests.ini") << "[debug]\r\n" << debugSection;
  }
  std::string logText() const {
    const Bytes bytes = readAll(logPath());
    return std::string(bytes.begin(), bytes.end());
  }
  // One message of each level, then the levels whose lines reached the file.
  std::set<int> writtenLevels() {
    for (int level = 0; level <= 4; ++level) {
      ombLogPrintf(level, u"L%d", level);
    }
    ombMswUninit();
    std::set<int> levels;
    std::istringstream lines(logText());
    for (std::string line; std::getline(lines, line);) {
      const std::size_t at = line.find("] L");
      if (at != std::string::npos) {
        levels.insert(line[at + 3] - '0');
      }
    }
    return levels;
  }

  XdgHome home;
};

TEST_F(ombMsw, TheLogIsUtf8WithAByteOrderMarkAndCrLfLineEnds) {
  ombMswInit();
  EXPECT_TRUE(fs::is_directory(home.root / "config" / "Title"));
  ombLogPuts(OMB_LOG_MESSAGE, u"Message: [t] 表示");
  ombLogPuts(OMB_LOG_MESSAGE, u"two\nthree\r\nfour\rfive");
  ombMswUninit();
  EXPECT_EQ(logText(),
            "\xEF\xBB\xBF[Mes] Message: [t] \xE8\xA1\xA8\xE7\xA4\xBA\r\n"
            "[Mes] two\r\nthree\r\nfour\r\nfive\r\n");
}

TEST_F(ombMsw, TheDebugSectionChoosesTheWrittenLevels) {
  struct Case {
    std::string ini;
    std::set<int> levels;
  };
  const Case cases[] = {
      {"", {0, 1, 2}},
      {"level=Debug\r\n", {0, 1, 2, 3, 4}},
      {"LEVEL = error\r\n", {0}},
      {"level=WARNING\r\n", {0, 1}},
      {"level=information\r\n", {0, 1, 2, 3}},
      {"level=verbose\r\n", {0, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    writeIni(c.ini);
    ombMswInit();
    EXPECT_EQ(writtenLevels(), c.levels);
  }
}

TEST_F(ombMsw, TheHostCanRaiseTheLevelToInformation) {
  ombMswInit();
  ombMswSetLogLevel(OMB_LOG_INFORMATION);
  EXPECT_EQ(writtenLevels(), (std::set<int>{0, 1, 2, 3}));
}

// Errors and warnings reach a message box captioned with their prefix whatever is written.
TEST_F(ombMsw, ErrorsAndWarningsAlwaysReachTheMessageService) {
  struct Case {
    std::string ini;
    bool logFile;
  };
  for (const Case& c : {Case{"file=0\r\nlevel=debug\r\n", false}, Case{"level=error\r\n", true}}) {
    SCOPED_TRACE(c.ini);
    platform::MessageBoxCapture capture;
    writeIni(c.ini);
    ombMswInit();
    EXPECT_EQ(ombMswGetLogFile() != nullptr, c.logFile);
    ombLogPuts(OMB_LOG_ERROR, u"Error: [t] e");
    ombLogPuts(OMB_LOG_WARNING, u"Warning: [t] w");
    ombLogPuts(OMB_LOG_MESSAGE, u"Message: [t] m");
    ombMswUninit();
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].caption, u"[Err] ");
    EXPECT_EQ(records[0].text, u"Error: [t] e");
    EXPECT_EQ(records[1].caption, u"[Warn] ");
    EXPECT_EQ(records[1].text, u"Warning: [t] w");
    EXPECT_EQ(fs::exists(logPath()), c.logFile);
    fs::remove(logPath());
  }
}

TEST_F(ombMsw, LongMessagesAndUnknownLevelsAreWrittenWhole) {
  ombMswInit();
  ombMswSetLogLevel(9);
  const std::u16string longText(400, u'x');
  ombLogPuts(OMB_LOG_MESSAGE, longText.c_str());
  ombLogPuts(7, u"no prefix");
  ombLogPuts(OMB_LOG_DEBUG, u"d");
  ombMswUninit();
  EXPECT_EQ(logText(), "\xEF\xBB\xBF[Mes] " + std::string(400, 'x') + "\r\nno prefix\r\n[Debug] d\r\n");
}

// Without "fileFlush" short lines wait in the file's buffer; with it each line is on disk at once.
TEST_F(ombMsw, FileFlushWritesEveryLineThrough) {
  for (const bool flush : {false, true}) {
    writeIni(flush ? "fileFlush=1\r\n" : "fileFlush=0\r\n");
    ombMswInit();
    ombLogPuts(OMB_LOG_MESSAGE, u"now");
    EXPECT_EQ(logText(), flush ? "\xEF\xBB\xBF[Mes] now\r\n" : "");
    ombMswUninit();
    EXPECT_EQ(logText(), "\xEF\xBB\xBF[Mes] now\r\n");
  }
}

TEST_F(ombMsw, FilesAreNamedAfterTheProgramWithoutExe) {
  struct Case {
    std::u16string program;
    std::u16string base;
  };
  const Case cases[] = {
      {u"/opt/game/game.exe", u"game"},   {u"C:\\Games\\my.game.EXE", u"my.game"},
      {u"/usr/bin/my.game", u"my.game"},  {u"/usr/bin/runtime", u"runtime"},
      {u"tool.bin", u"tool.bin"},         {u".exe", u".exe"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ombMswProgramBaseName(c.program), c.base) << platform::utf16ToUtf8(c.program);
  }
  char16_t name[OMB_MSW_PATH_CAPACITY];
  const std::u16string expected = u"//<localappdata>/foundation_tests.prm";
  EXPECT_EQ(ombMswGetAppDataFileName(name, u"prm"), expected.size());
  EXPECT_EQ(std::u16string(name), expected);
  ombMswGetAppDataFileName(name, u".log");
  EXPECT_EQ(std::u16string(name), u"//<localappdata>/foundation_tests.log");
  ombMswConfigGetIniFileName(name);
  EXPECT_EQ(std::u16string(name), u16((folder() / "foundation_tests.ini").string()));
}

}  // namespace
