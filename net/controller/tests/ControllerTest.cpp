#include "net/controller/Controller.h"

#include "foundation/file/File.h"
#include "net/controller/ControllerReplay.h"
#include "net/controller/ReplayFile.h"
#include "testsupport/FileLayerTest.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>

namespace {

using namespace ombfiletest;
using Message = LogCapture::Message;

// A controller whose frames a test sets by hand before each refresh.
class ScriptedController : public Controller {
 public:
  using Controller::Controller;
  void set(uint64_t bits, const std::array<float, 16>& values = {}) {
    unpackBits(bits);
    analog_ = values;
  }
};

struct Frame {
  uint64_t bits;
  std::array<float, 16> analog;
};

bool sameBits(const std::array<float, 16>& a, const std::array<float, 16>& b) {
  return std::memcmp(a.data(), b.data(), sizeof a) == 0;
}

void record(const std::vector<Frame>& frames, ScriptedController& controller) {
  for (const Frame& frame : frames) {
    controller.set(frame.bits, frame.analog);
    controller.refresh();
  }
}

TEST(ControllerRecordLog, ChunksRepeatsAndAnalogChanges) {
  struct Case {
    const char* name;
    uint32_t kind;
    int frames;
    bool vary_bits;
    bool vary_analog;
    uint32_t entries;
    uint32_t chunks;
    uint32_t first_repeat;
  };
  const Case cases[] = {
      {"601 differing frames", 1, 601, true, false, 601, 2, 0},
      {"601 equal frames", 1, 601, false, false, 1, 1, 600},
      {"analog change in kind 1 is not recorded", 1, 5, false, true, 1, 1, 4},
      {"analog change opens a kind-2 entry", 2, 5, false, true, 5, 1, 0},
      {"equal kind-2 frames", 2, 3, false, false, 1, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedController controller(c.kind);
    for (int i = 0; i < c.frames; ++i) {
      std::array<float, 16> values{};
      values[3] = c.vary_analog ? 0.25f * static_cast<float>(i) : 0.5f;
      controller.set(c.vary_bits ? static_cast<uint64_t>(i) : 0x7, values);
      controller.refresh();
    }
    const ControllerRecordLog* log = controller.recordLog();
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->count(), c.entries);
    EXPECT_EQ(log->chunkCount(), c.chunks);
    EXPECT_EQ(log->entry(0).repeat, c.first_repeat);
  }
}

TEST(ControllerRecordLog, FlagsPackIntoTheirBitsAndKindZeroKeepsNoLog) {
  ScriptedController controller(Controller::kRecordNone);
  controller.pressed()[2] = 1;
  controller.held()[15] = 1;
  controller.third()[0] = 1;
  EXPECT_EQ(controller.packBits(), (uint64_t{1} << 2) | (uint64_t{1} << 31) | (uint64_t{1} << 32));
  controller.refresh();
  EXPECT_EQ(controller.recordLog(), nullptr);

  ControllerNone none(Controller::kRecordFlags);
  for (int frame = 0; frame < 3; ++frame) {
    none.refresh();
  }
  EXPECT_EQ(none.packBits(), 0u);
  EXPECT_TRUE(sameBits(none.analog(), {}));
  EXPECT_EQ(none.recordLog()->count(), 1u);
  EXPECT_EQ(none.recordLog()->entry(0).repeat, 2u);
}

class ReplayFileTest : public FileLayerTest {
 protected:
  LogCapture log;

  std::vector<Message> errors() const { return LogCapture::messages(); }
};

TEST_F(ReplayFileTest, RecordedFramesReplayExactlyAndThenFail) {
  const float nan_payload = std::bit_cast<float>(0x7FC12345u);
  std::vector<Frame> frames;
  for (int i = 0; i < 40; ++i) {
    std::array<float, 16> values{};
    values[0] = i < 10 ? 0.0f : -0.0f;
    values[5] = i % 7 == 0 ? nan_payload : 1.0f;
    values[15] = std::numeric_limits<float>::denorm_min();
    frames.push_back({static_cast<uint64_t>(i / 3) * 0x0001000100010001ull & 0xFFFFFFFFFFFFull,
                      values});
  }
  ScriptedController slot0(Controller::kRecordFlags);
  ScriptedController slot1(Controller::kRecordFlagsAnalog);
  record(frames, slot0);
  record(frames, slot1);

  const std::u16string file_path = path("match.rep");
  {
    File file;
    replayCreate(file, file_path.c_str(), {0x01020304, 77});
    slot0.writeReplay(file);
    slot1.writeReplay(file);
    file.close();
  }
  File file;
  const ReplayHeader header = replayOpen(file, file_path.c_str());
  EXPECT_EQ(header.version, 0x01020304u);
  EXPECT_EQ(header.seed, 77u);
  ControllerReplay replay0(file);
  ControllerReplay replay1(file);
  EXPECT_EQ(file.bytesLeft(), 0u);
  file.close();
  EXPECT_EQ(replay0.kind(), 1u);
  EXPECT_EQ(replay1.kind(), 2u);
  EXPECT_EQ(replay0.getType(), Controller::kTypeReplay);

  for (const Frame& frame : frames) {
    replay0.refresh();
    replay1.refresh();
    EXPECT_EQ(replay0.packBits(), frame.bits);
    EXPECT_EQ(replay1.packBits(), frame.bits);
    EXPECT_TRUE(sameBits(replay0.analog(), {}));  // a kind-1 stream leaves the values at zero
    EXPECT_TRUE(sameBits(replay1.analog(), frame.analog));
  }
  EXPECT_TRUE(errors().empty());
  replay1.refresh();
  EXPECT_EQ(errors(), (std::vector<Message>{
                          {OMB_LOG_ERROR, u"Error: [ControllerReplay::refresh] リプレイ異常"}}));
}

TEST_F(ReplayFileTest, DamagedFilesGiveTheirMessages) {
  auto u32 = [](Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
  };
  auto header = [&](Bytes& out) {
    u32(out, 1);
    u32(out, 2);
  };
  const std::u16string kIo = u"] ファイル操作でエラーが発生しました。";
  struct Case {
    const char* name;
    std::function<Bytes()> bytes;
    std::u16string message;
  };
  const Case cases[] = {
      {"header only", [&] { Bytes b; header(b); return b; },
       u"Error: [File::readU32" + kIo},
      {"unknown kind", [&] { Bytes b; header(b); u32(b, 3); u32(b, 0); return b; },
       u"Error: [ControllerReplay::ControllerReplay] 不明なリプレイ種別です(3)"},
      {"huge count in a 20-byte file",
       [&] { Bytes b; header(b); u32(b, 1); u32(b, 0xFFFFFFFF); u32(b, 0); return b; },
       u"Error: [File::readU64" + kIo},
      {"entry cut inside its bits",
       [&] { Bytes b; header(b); u32(b, 1); u32(b, 1); u32(b, 0); u32(b, 0); return b; },
       u"Error: [File::readU64" + kIo},
      {"kind-2 entry cut inside its values",
       [&] { Bytes b; header(b); u32(b, 2); u32(b, 1); for (int i = 0; i < 6; ++i) u32(b, 0);
             return b; },
       u"Error: [File::readF32" + kIo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture::messages().clear();
    const std::u16string file_path = write("bad.rep", c.bytes());
    File file;
    replayOpen(file, file_path.c_str());
    ControllerReplay replay(file);
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().front(), (Message{OMB_LOG_ERROR, c.message}));
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_LE(replay.entries().capacity(), 1u);  // nothing sized by the stored count
  }
}

TEST_F(ReplayFileTest, EmptyStreamIsValidUntilItsFirstFrame) {
  ScriptedController recorder(Controller::kRecordFlags);
  const std::u16string file_path = path("empty.rep");
  {
    File file;
    replayCreate(file, file_path.c_str(), {5, 6});
    // A log with no frame yet writes a stream of count 0.
    recorder.writeReplay(file);
    recorder.writeReplay(file);
    file.close();
  }
  EXPECT_EQ(readAll(native("empty.rep")).size(), 24u);
  File file;
  replayOpen(file, file_path.c_str());
  ControllerReplay replay(file);
  EXPECT_TRUE(errors().empty());
  EXPECT_EQ(replay.entryCount(), 0u);
  replay.refresh();
  EXPECT_EQ(errors().size(), 1u);
}

}  // namespace

namespace {

struct ToolRun {
  int exit_code;
  std::string output;
};

ToolRun runReplayTool(const std::string& argument) {
  const std::string command =
      std::string(TEST_BIN_DIR) + "/replay '" + argument + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ToolRun run{-1, {}};
  if (!pipe) {
    return run;
  }
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    run.output += buffer;
  }
  const int status = pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST_F(ReplayFileTest, ToolPrintsAWholeFileAndRefusesDamagedOnes) {
  ScriptedController slot0(Controller::kRecordFlags);
  ScriptedController slot1(Controller::kRecordFlagsAnalog);
  record({{0x1, {}}, {0x1, {}}, {0x10000, {}}}, slot0);
  std::array<float, 16> values{};
  values[1] = 0.5f;
  record({{0x0, values}}, slot1);
  {
    File file;
    replayCreate(file, path("good.rep").c_str(), {3, 9});
    slot0.writeReplay(file);
    slot1.writeReplay(file);
    file.close();
  }
  Bytes trailing = readAll(native("good.rep"));
  trailing.push_back(0);
  writeAll(native("trailing.rep"), trailing);
  writeAll(native("header.rep"), Bytes(8, 0));
  std::filesystem::create_directories(native("folder.rep"));

  struct Case {
    std::string file;
    int exit_code;
    std::string needle;
  };
  const Case cases[] = {
      {"good.rep", 0,
       "version 3\nseed 9\nstream 0: kind 1, 2 entries, 3 frames\n"
       "  0: repeat 1 pressed 0001 held 0000 third 0000\n"
       "  1: repeat 0 pressed 0000 held 0001 third 0000\n"
       "stream 1: kind 2, 1 entries, 1 frames\n"},
      {"trailing.rep", 1, "1 bytes follow the second stream"},
      {"header.rep", 1, "header.rep: Error: [File::readU32] ファイル操作でエラーが発生しました。"},
      {"missing.rep", 1, "を開けません。"},
      {"folder.rep", 1, "folder.rep: is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const ToolRun run = runReplayTool(native(c.file).string());
    EXPECT_EQ(run.exit_code, c.exit_code) << run.output;
    EXPECT_NE(run.output.find(c.needle), std::string::npos) << run.output;
  }
}

}  // namespace
