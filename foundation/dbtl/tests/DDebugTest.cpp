#include "foundation/dbtl/DDebug.h"

#include "foundation/dbtl/DFile.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/FileBytes.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace dbtl;

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// Points the global debug log at a file for one test and detaches it again afterwards.
class DDebugTest : public ::testing::Test {
 protected:
  void TearDown() override {
    DDebug::Global().SetFileOpen(false);
    DDebug::Global().GetFile().Close();
  }

  std::string OpenLogFile() {
    const std::string path = m_dir.Path("debug.log");
    EXPECT_TRUE(
        DDebug::Global().GetFile().Open(path.c_str(), DFILE_WRITE | DFILE_CREATE | DFILE_NEW));
    DDebug::Global().SetFileOpen(true);
    return path;
  }

  TempDir m_dir{TEST_BINARY_DIR, "dbtl"};
};

TEST_F(DDebugTest, LineEndsBecomeCarriageReturnLineFeed) {
  const std::string path = OpenLogFile();
  DDebug::Print("lone\n");
  DDebug::Print("pair\r\n");
  DDebug::Print("stray\rcr");
  DDebug::Print(nullptr);
  DDebug::Print("\x95\x5C\n");  // a trail byte 0x5C stays as it is
  DDebug::Print("cut\x95");
  EXPECT_EQ(readFileBytes(path), bytesOf("lone\r\npair\r\nstraycr\x95\x5C\r\ncut\x95"));
}

TEST_F(DDebugTest, LongTextsCrossChunksWholeCharacters) {
  const std::string path = OpenLogFile();
  // Line feeds and two-byte characters fall on both sides of every 254-byte chunk boundary.
  std::string text;
  std::string expected;
  for (int i = 0; text.size() < 1500; ++i) {
    if (i % 7 == 3) {
      text += "\n";
      expected += "\r\n";
    } else if (i % 5 == 1) {
      text += "\x83\x5C";
      expected += "\x83\x5C";
    } else {
      text += static_cast<char>('a' + i % 26);
      expected += static_cast<char>('a' + i % 26);
    }
  }
  DDebug::Print(text.c_str());
  EXPECT_EQ(readFileBytes(path), bytesOf(expected));
}

TEST_F(DDebugTest, NothingIsWrittenWhileTheFileIsNotOpen) {
  const std::string path = OpenLogFile();
  DDebug::Global().SetFileOpen(false);
  DDebug::Print("hidden\n");
  DDebug::Global().SetFileOpen(true);
  DDebug::Print("shown\n");
  EXPECT_EQ(readFileBytes(path), bytesOf("shown\r\n"));
}

TEST_F(DDebugTest, WindowOntoARouteIsFlushedAfterEveryPrint) {
  // As the host does it: the log's file is a window onto a file opened over a data source.
  rcptr<DMemorySource> memory;
  memory.Create(1);
  DMemorySource* sink = memory.Get();
  DFile route;
  ASSERT_TRUE(route.OpenOverride(nullptr, rcptr<DDataOverride>(memory)));
  ASSERT_TRUE(DDebug::Global().GetFile().OpenRange(route, 0, -1));
  DDebug::Global().SetFileOpen(true);

  DDebug::Print("one\n");
  DDebug::Print("");
  EXPECT_EQ(sink->data, bytesOf("one\r\n"));
  EXPECT_EQ(sink->flushes, 2);
}

}  // namespace
