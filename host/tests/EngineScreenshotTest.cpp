// Screenshots of the engine loop in the runtime executable: every (span + 1) frames the back
// buffer is written as a 24-bit BMP that shows the sprites the engine drew. The sprite corner
// of each picture is compared with a golden picture (write them anew with
// ENGINES_WRITE_GOLDEN=1, on purpose only); the rest of the frame must be plain background.

#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"
#include "host/system/SystemParameters.h"
#include "host/tests/GameFolder.h"
#include "testsupport/GoldenPicture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using hosttest::GameFolder;
using hosttest::GameRun;
using hosttest::readFile;

namespace {

namespace fs = std::filesystem;

constexpr int32_t kSpritesScenario = 9;
constexpr uint32_t kCropWidth = 160;
constexpr uint32_t kCropHeight = 72;

struct Picture {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rows;  // top-down, 3 bytes a pixel (B, G, R), no padding
  const uint8_t* pixel(uint32_t x, uint32_t y) const { return &rows[(y * width + x) * 3]; }
};

// A 24-bit bottom-up BMP without compression, as the screenshots are written.
Picture readBmp(const std::string& bytes) {
  Picture picture;
  const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') {
    ADD_FAILURE() << "not a BMP";
    return picture;
  }
  EXPECT_EQ(loadU16le(b + 28), 24u) << "bits per pixel";
  EXPECT_EQ(loadU32le(b + 30), 0u) << "compression";
  const uint32_t offset = loadU32le(b + 10);
  picture.width = loadU32le(b + 18);
  picture.height = loadU32le(b + 22);
  const uint32_t stride = (picture.width * 3 + 3) & ~3u;
  if (bytes.size() < offset + size_t(stride) * picture.height) {
    ADD_FAILURE() << "BMP pixels cut off";
    return Picture{};
  }
  picture.rows.resize(size_t(picture.width) * picture.height * 3);
  for (uint32_t y = 0; y < picture.height; ++y) {
    const uint8_t* row = b + offset + size_t(picture.height - 1 - y) * stride;
    std::copy(row, row + picture.width * 3, &picture.rows[size_t(y) * picture.width * 3]);
  }
  return picture;
}

std::string writeBmp(const Picture& picture) {
  const uint32_t stride = (picture.width * 3 + 3) & ~3u;
  const uint32_t size = 54 + stride * picture.height;
  std::string out(size, '\0');
  auto* b = reinterpret_cast<uint8_t*>(out.data());
  b[0] = 'B';
  b[1] = 'M';
  storeU32le(b + 2, size);
  storeU32le(b + 10, 54);
  storeU32le(b + 14, 40);
  storeU32le(b + 18, picture.width);
  storeU32le(b + 22, picture.height);
  storeU16le(b + 26, 1);
  storeU16le(b + 28, 24);
  storeU32le(b + 34, stride * picture.height);
  for (uint32_t y = 0; y < picture.height; ++y) {
    std::copy_n(picture.pixel(0, y), picture.width * 3,
                b + 54 + size_t(picture.height - 1 - y) * stride);
  }
  return out;
}

Picture crop(const Picture& picture, uint32_t width, uint32_t height) {
  Picture part;
  part.width = width;
  part.height = height;
  for (uint32_t y = 0; y < height; ++y) {
    part.rows.insert(part.rows.end(), picture.pixel(0, y), picture.pixel(0, y) + width * 3);
  }
  return part;
}

void chooseSpritesScenario(const GameFolder& folder) {
  fs::create_directories(folder.appData("fixture"));
  const std::vector<uint8_t> prm = writeSystemParameters({{kSpritesScenario}, {}});
  std::ofstream(folder.appData("fixture") / "game.prm", std::ios::binary)
      .write(reinterpret_cast<const char*>(prm.data()), std::streamsize(prm.size()));
}

TEST(EngineScreenshot, WithSpanZeroEveryFrameIsWrittenInOrder) {
  GameFolder folder("engines");
  chooseSpritesScenario(folder);
  const GameRun run = folder.run({}, {"GAME_WINDOW_SCRIPT=0 activate 1", "GAME_DRAW_SAVE=frame",
                                      "GAME_DRAW_SAVE_SPAN=0"});
  ASSERT_EQ(run.exitCode, 0) << run.errors << folder.log();
  // The scenario runs eight frames.
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(fs::exists(folder.game() / ("frame" + std::to_string(i) + ".bmp"))) << i;
  }
  EXPECT_FALSE(fs::exists(folder.game() / "frame8.bmp"));
}

TEST(EngineScreenshot, EverySpanPlusOneFramesTheDrawnSpritesAreWritten) {
  GameFolder folder("engines");
  chooseSpritesScenario(folder);
  // Eight frames with a span of 2: the third and the sixth are written.
  const GameRun run = folder.run({}, {"GAME_WINDOW_SCRIPT=0 activate 1", "GAME_DRAW_SAVE=shot",
                                      "GAME_DRAW_SAVE_SPAN=2"});
  ASSERT_EQ(run.exitCode, 0) << run.errors << folder.log();
  EXPECT_FALSE(fs::exists(folder.game() / "shot2.bmp"));
  for (const char* name : {"shot0", "shot1"}) {
    SCOPED_TRACE(name);
    const fs::path shot = folder.game() / (std::string(name) + ".bmp");
    ASSERT_TRUE(fs::exists(shot));
    const Picture picture = readBmp(readFile(shot));
    ASSERT_EQ(picture.width, 1280u);
    ASSERT_EQ(picture.height, 1024u);
    // Outside the sprites' corner the frame is one colour.
    const uint8_t* background = picture.pixel(picture.width - 1, picture.height - 1);
    uint32_t stray = 0;
    for (uint32_t y = 0; y < picture.height; ++y) {
      for (uint32_t x = (y < kCropHeight ? kCropWidth : 0); x < picture.width; ++x) {
        stray += !std::equal(background, background + 3, picture.pixel(x, y));
      }
    }
    EXPECT_EQ(stray, 0u);
    const Picture corner = crop(picture, kCropWidth, kCropHeight);
    const fs::path golden =
        fs::path(TEST_SOURCE_DIR) / "tests" / "golden" / ("engines_" + std::string(name) + ".bmp");
    const std::string bmp = writeBmp(corner);
    expectGoldenPicture(std::vector<uint8_t>(bmp.begin(), bmp.end()), golden.string(),
                        "ENGINES_WRITE_GOLDEN");
  }
  // The two pictures differ: the second sprite moved between them.
  EXPECT_NE(readFile(folder.game() / "shot0.bmp"), readFile(folder.game() / "shot1.bmp"));
}

}  // namespace
