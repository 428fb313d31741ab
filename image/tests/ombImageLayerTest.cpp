#include "foundation/omb/file/ombFileModule.h"
#include "image/omb/ombImage.h"
#include "image/tests/ombImageTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace ombimagetest;

// The one row of "pic.png" as loaded in a format.
struct FormatRow {
  uint32_t format;
  Bytes pixels;
};

class OmbImageLayerTest : public OmbImageTest {
 protected:
  // A 2 × 1 picture "pic.png" and its four layers, named with and without ".png". Each layer
  // carries its value in the channel it is read from and 99 elsewhere, so a channel taken from
  // the wrong place shows.
  void WriteLayers() {
    write("pic.png", RgbaPng(2, 1, {{1, 2, 3, 4}, {5, 6, 7, 8}}));
    write("pic_r", RgbaPng(2, 1, {{11, 99, 99, 99}, {111, 99, 99, 99}}));
    write("pic_g.png", RgbaPng(2, 1, {{99, 22, 99, 99}, {99, 122, 99, 99}}));
    write("pic_b", RgbaPng(2, 1, {{99, 99, 33, 99}, {99, 99, 133, 99}}));
    // The alpha comes from the layer's green.
    write("pic_a.png", RgbaPng(2, 1, {{99, 200, 99, 99}, {99, 44, 99, 99}}));
  }

  void ExpectRows(const std::vector<FormatRow>& rows) {
    for (const FormatRow& row : rows) {
      SCOPED_TRACE(row.format);
      const Loaded loaded = Load("pic.png", row.format, uint32_t(row.pixels.size()), 1);
      ASSERT_EQ(loaded.result, OMB_OK);
      EXPECT_EQ(loaded.buffer, row.pixels);
    }
  }
};

TEST_F(OmbImageLayerTest, LayersReplaceTheirChannelInEachFormat) {
  WriteLayers();
  ExpectRows({
      {0, {11, 22, 33, 200, 111, 122, 133, 44}},
      {1, {33, 22, 11, 200, 133, 122, 111, 44}},
      {2, {0x12, 0xC0, 0x78, 0x26}},
      {3, {0x44, 0x84, 0xF0, 0x35}},
      {4, {0xA4, 0x08, 0xD0, 0x6B}},
  });
}

// One layer changes only its own field; the other fields keep the decoded picture's bits.
TEST_F(OmbImageLayerTest, OneLayerKeepsTheOtherFields) {
  write("pic.png", RgbaPng(2, 1, {{200, 100, 50, 255}, {8, 252, 131, 128}}));
  write("pic_g", RgbaPng(2, 1, {{99, 22, 99, 99}, {99, 122, 99, 99}}));
  ExpectRows({
      {0, {0xC8, 0x16, 0x32, 0xFF, 0x08, 0x7A, 0x83, 0x80}},
      {1, {0x32, 0x16, 0xC8, 0xFF, 0x83, 0x7A, 0x08, 0x80}},
      {2, {0x13, 0xFC, 0x78, 0x80}},
      {3, {0x46, 0xE4, 0xF0, 0x85}},
      {4, {0xA6, 0xC8, 0xD0, 0x0B}},
  });
}

// The picture's gamma (here 1.0) applies to the colour layers too; the alpha layer goes through
// the picture's alpha mode instead, in format 0 as well.
TEST_F(OmbImageLayerTest, ColourLayersTakeTheGammaAndTheAlphaLayerTheAlphaMode) {
  write("pic.png", RgbaPng(2, 1, {{0, 64, 1, 50}, {0, 200, 255, 50}}));
  Aib aib;
  aib.gammaMode = 2;
  aib.alphaMode = 1;
  write("pic.aib", aib.Bytes32());
  write("pic_r", RgbaPng(2, 1, {{128, 0, 0, 0}, {1, 0, 0, 0}}));
  write("pic_a", RgbaPng(2, 1, {{0, 128, 0, 0}, {0, 127, 0, 0}}));
  const Loaded rgba = Load("pic.png", 0, 8, 1);
  ASSERT_EQ(rgba.result, OMB_OK);
  EXPECT_EQ(rgba.buffer, (Bytes{186, 136, 21, 255, 21, 228, 255, 0}));
  const Loaded bgra = Load("pic.png", 1, 8, 1);
  ASSERT_EQ(bgra.result, OMB_OK);
  EXPECT_EQ(bgra.buffer, (Bytes{21, 136, 186, 255, 255, 228, 21, 0}));
}

// A layer that is there but unusable fails the load with its line; the channels replaced before
// it stay in the buffer. Whatever the failure, the file lock is free afterwards: another thread
// gets it and reads.
TEST_F(OmbImageLayerTest, UnusableLayersFailTheLoadAndLeaveTheLockFree) {
  const Bytes layer = FlatPng(2, 1, {11, 22, 33, 44});
  const std::u16string base = path("pic");
  const std::u16string tag = u"Information: [_ombImageRawLoadData] ";
  struct Case {
    const char* name;
    const char* file;
    Bytes bytes;
    bool heldForWriting;
    std::u16string message;
  };
  const Case cases[] = {
      {"alpha layer of another size", "pic_a", FlatPng(3, 1, {0, 0, 0, 0}), false,
       tag + u"invalid size \"" + base + u"_a\" (image 2x1) (alpha 3x1)"},
      {"green layer that is no picture", "pic_g.png", ombfiletest::bytesOf("garbage"), false,
       tag + u"can't load a layer info \"" + base + u"_g\""},
      {"blue layer held open for writing", "pic_b", layer, true,
       tag + u"can't open a layer file \"" + base + u"_b\""},
      {"blue layer cut inside its pixel data", "pic_b", Bytes(layer.begin(), layer.end() - 18), false,
       tag + u"can't read a layer image \"" + base + u"_b\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(folder_);
    write("other.bin", ombfiletest::bytesOf("other"));
    write("pic.png", RgbaPng(2, 1, {{1, 2, 3, 4}, {5, 6, 7, 8}}));
    write("pic_r.png", layer);
    write(c.file, c.bytes);
    const OmbImageFile writer(
        c.heldForWriting ? ombFileOpen(OMB_FILE_MODE_WRITE, path(c.file).c_str(), 0) : nullptr);
    LogCapture log;
    const Loaded loaded = Load("pic.png", 0, 8, 1);
    EXPECT_EQ(loaded.result, OMB_ERR_NOT_FOUND);
    EXPECT_EQ(loaded.buffer, (Bytes{11, 2, 3, 4, 11, 6, 7, 8}));
    EXPECT_EQ(LogCapture::messages(), (std::vector<LogCapture::Message>{{3, c.message}}));

    const OmbImageFile other = Open("other.bin");
    bool lockFree = false;
    int32_t readResult = 0;
    Bytes read(5);
    uint32_t count = 0;
    std::thread reader([&] {
      lockFree = ombFileLock().tryLock();
      if (!lockFree) return;
      ombFileLock().unlock();
      readResult = ombFileRead(&count, read.data(), 5, other.get());
    });
    reader.join();
    EXPECT_TRUE(lockFree);
    EXPECT_EQ(readResult, OMB_OK);
    EXPECT_EQ(read, ombfiletest::bytesOf("other"));
  }
}

// No alpha layer (or a format without alpha) leaves the decoded alpha; format 4 never opens the
// alpha layer, so even a broken one does not matter there.
TEST_F(OmbImageLayerTest, AlphaLayerOnlyWhereThereIsAlpha) {
  write("pic.png", RgbaPng(2, 1, {{1, 2, 3, 4}, {5, 6, 7, 8}}));
  write("pic_r", RgbaPng(2, 1, {{11, 0, 0, 0}, {111, 0, 0, 0}}));
  const Loaded noAlphaLayer = Load("pic.png", 0, 8, 1);
  ASSERT_EQ(noAlphaLayer.result, OMB_OK);
  EXPECT_EQ(noAlphaLayer.buffer, (Bytes{11, 2, 3, 4, 111, 6, 7, 8}));
  write("pic_a", FlatPng(3, 3, {0, 0, 0, 0}));
  EXPECT_EQ(Load("pic.png", 3, 4, 1).result, OMB_ERR_NOT_FOUND);
  const Loaded rgb565 = Load("pic.png", 4, 4, 1);
  ASSERT_EQ(rgb565.result, OMB_OK);
  EXPECT_EQ(rgb565.buffer, (Bytes{0x00, 0x08, 0x20, 0x68}));
}

// A picture in a resource archive finds its information file and its layers in the archive,
// by its entry name.
TEST_F(OmbImageLayerTest, CompanionFilesComeFromTheSameArchive) {
  auto text = [](const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); };
  Aib aib;
  aib.values[0] = 42;
  aib.alphaMode = 0;
  const std::u16string pack =
      archive("pics.dat", {{"img/pic.png", text(RgbaPng(2, 1, {{1, 2, 3, 4}, {5, 6, 7, 8}}))},
                           {"img/pic.aib", text(aib.Bytes32())},
                           {"img/pic_r.png", text(RgbaPng(2, 1, {{11, 0, 0, 0}, {111, 0, 0, 0}}))}});
  ASSERT_EQ(ombFileRegistPack(pack.c_str()), OMB_OK);
  const OmbImageFile file(ombFileOpen(OMB_FILE_MODE_READ, u"img/pic.png", 0));
  ASSERT_NE(file, nullptr);
  OMB_IMAGE_INFO info{};
  ASSERT_EQ(ombImageGetInfo(&info, file.get()), OMB_OK);
  EXPECT_EQ(info.values[0], 42);
  Bytes buffer(8);
  ASSERT_EQ(ombImageLoad(&info, file.get(), 8, 1, buffer.data(), 1), OMB_OK);
  EXPECT_EQ(buffer, (Bytes{3, 2, 11, 255, 7, 6, 111, 255}));
}

}  // namespace
