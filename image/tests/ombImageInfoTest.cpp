#include "image/omb/ombImage.h"
#include "image/tests/ombImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

using namespace ombimagetest;

class OmbImageInfoTest : public OmbImageTest {};

TEST_F(OmbImageInfoTest, SizeFlagsOfPicturesWithoutInformationFile) {
  struct Case {
    uint32_t width;
    uint32_t height;
    uint32_t flags;
  };
  const Case cases[] = {
      {300, 200, 0x1}, {256, 256, 0x1 | 0x2 | 0x4 | 0x8}, {256, 128, 0x1 | 0x2 | 0x4},
      {3, 3, 0x1 | 0x8}, {1, 1, 0x1 | 0x2 | 0x4 | 0x8}, {64, 200, 0x1 | 0x2}, {6, 32, 0x1 | 0x4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    write("pic.png", FlatPng(c.width, c.height, {0, 0, 0, 0}));
    const OmbImageFile file = Open("pic.png");
    // Wherever the view stands, the record comes from the file's start.
    Bytes skipped(11);
    uint32_t count = 0;
    ASSERT_EQ(ombFileRead(&count, skipped.data(), 11, file.get()), OMB_OK);
    OMB_IMAGE_INFO info;
    std::memset(&info, 0x5A, sizeof info);
    ASSERT_EQ(ombImageGetInfo(&info, file.get()), OMB_OK);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_EQ(info.flags, c.flags);
    EXPECT_EQ(info.levels, 0u);
    EXPECT_EQ(info.values[0], -1);
    EXPECT_EQ(info.values[1], -1);
    EXPECT_EQ(info.gammaMode, 3u);
    EXPECT_EQ(info.gamma, 2.2f);
    EXPECT_EQ(info.alphaMode, 3u);
    EXPECT_EQ(info.source, OMB_IMAGE_SOURCE_HOOK);
    EXPECT_EQ(info.layers, nullptr);
  }
}

// What the information file does to the record: flag bit 16 only, the two values as given, the
// alpha mode as given, and the gamma brought to mode 3 (or left alone in a mode it does not know).
TEST_F(OmbImageInfoTest, InformationFileSettings) {
  write("pic.png", FlatPng(300, 200, {0, 0, 0, 0}));
  struct Case {
    const char* name;
    uint32_t flags;
    uint32_t gammaMode;
    float gamma;
    uint32_t wantFlags;
    uint32_t wantMode;
    float wantGamma;
  };
  const Case cases[] = {
      {"mode 1", 0, 1, 1.5f, 0x1, 3, 2.2f},
      {"mode 0", 0, 0, 1.5f, 0x1, 3, 2.2f},
      {"mode 2", 0, 2, 1.5f, 0x1, 3, 1.0f},
      {"mode 3", 0, 3, 1.5f, 0x1, 3, 1.5f},
      {"mode 3, gamma 0", 0, 3, 0.00005f, 0x1, 3, 2.2f},
      {"mode 3, gamma 2.2", 0, 3, 2.20005f, 0x1, 3, 2.2f},
      {"mode 3, negative gamma", 0, 3, -1.0f, 0x1, 3, -1.0f},
      {"unknown mode", 0, 7, 0.5f, 0x1, 7, 0.5f},
      {"every flag", 0xFFFFFFFF, 1, 2.2f, 0x10001, 3, 2.2f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Aib aib;
    aib.flags = c.flags;
    aib.values[0] = 7;
    aib.values[1] = -9;
    aib.gammaMode = c.gammaMode;
    aib.gamma = c.gamma;
    aib.alphaMode = 1;
    write("pic.aib", aib.Bytes32());
    OMB_IMAGE_INFO info{};
    ASSERT_EQ(GetInfo("pic.png", &info), OMB_OK);
    EXPECT_EQ(info.width, 300u);
    EXPECT_EQ(info.height, 200u);
    EXPECT_EQ(info.flags, c.wantFlags);
    EXPECT_EQ(info.values[0], 7);
    EXPECT_EQ(info.values[1], -9);
    EXPECT_EQ(info.gammaMode, c.wantMode);
    EXPECT_EQ(info.gamma, c.wantGamma);
    EXPECT_EQ(info.alphaMode, 1u);
  }
}

// A malformed information file makes the picture unreadable without a word; ombImageLoadAIB
// keeps the fields it read before the fault.
TEST_F(OmbImageInfoTest, MalformedInformationFileFailsSilently) {
  write("pic.png", FlatPng(4, 4, {0, 0, 0, 0}));
  Aib good;
  good.values[0] = 7;
  good.gammaMode = 2;
  const Bytes full = good.Bytes32();
  Aib badMagic = good;
  badMagic.magic = 0x43414942;
  Aib badVersion = good;
  badVersion.version = 1;
  struct Case {
    const char* name;
    Bytes bytes;
    int32_t firstValue;
    uint32_t gammaMode;
  };
  const Case cases[] = {
      {"another magic", badMagic.Bytes32(), -1, 1},
      {"version 1", badVersion.Bytes32(), -1, 1},
      {"empty", {}, -1, 1},
      {"cut inside the second value", Bytes(full.begin(), full.begin() + 18), 7, 1},
      {"cut before the alpha mode", Bytes(full.begin(), full.end() - 4), 7, 2},
  };
  LogCapture log;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write("pic.aib", c.bytes);
    OMB_IMAGE_INFO info{};
    EXPECT_EQ(GetInfo("pic.png", &info), OMB_ERR_NOT_FOUND);
    const OmbImageFile file = Open("pic.png");
    EXPECT_FALSE(ombImageLoadAIB(&info, file.get()));
    EXPECT_EQ(info.values[0], c.firstValue);
    EXPECT_EQ(info.values[1], -1);
    EXPECT_EQ(info.gammaMode, c.gammaMode);
  }
  EXPECT_TRUE(LogCapture::messages().empty());
}

TEST_F(OmbImageInfoTest, InformationFileThatCannotBeOpenedIsReported) {
  write("pic.png", FlatPng(4, 4, {0, 0, 0, 0}));
  write("pic.aib", Aib{}.Bytes32());
  // A file open for writing cannot be opened again.
  const OmbImageFile writer(ombFileOpen(OMB_FILE_MODE_WRITE, path("pic.aib").c_str(), 0));
  ASSERT_NE(writer, nullptr);
  LogCapture log;
  OMB_IMAGE_INFO info{};
  EXPECT_EQ(GetInfo("pic.png", &info), OMB_ERR_NOT_FOUND);
  const std::vector<LogCapture::Message> want = {
      {3, u"Information: [ombImageLoadAIB] can't open an info file \"" + path("pic.aib") + u"\""}};
  EXPECT_EQ(LogCapture::messages(), want);
}

// The information file sits beside the picture under the picture's name with "aib" in place of
// its extension, also for a name with several dots.
TEST_F(OmbImageInfoTest, InformationFileIsFoundByTheReplacedExtension) {
  write("a.b.png", FlatPng(4, 4, {0, 0, 0, 0}));
  Aib aib;
  aib.values[0] = 42;
  write("a.b.aib", aib.Bytes32());
  write("a.aib", Bytes{0});
  OMB_IMAGE_INFO info{};
  ASSERT_EQ(GetInfo("a.b.png", &info), OMB_OK);
  EXPECT_EQ(info.values[0], 42);
}

TEST_F(OmbImageInfoTest, FilesThatAreNoImageAreRefused) {
  const Bytes png = FlatPng(4, 4, {0, 0, 0, 0});
  Bytes badSignature = png;
  badSignature[1] = 'Q';
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"empty", {}},
      {"text", ombfiletest::bytesOf("not a picture at all")},
      {"PNG signature only", Bytes(png.begin(), png.begin() + 8)},
      {"PNG cut inside the header", Bytes(png.begin(), png.begin() + 20)},
      {"another signature", badSignature},
      {"private PNG header", filetest::WrapPng(png, filetest::PngWrap::Plain)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write("file.png", c.bytes);
    OMB_IMAGE_INFO info{};
    info.width = 9;
    EXPECT_EQ(GetInfo("file.png", &info), OMB_ERR_NOT_FOUND);
    EXPECT_EQ(info.width, 0u);
  }
}

}  // namespace
