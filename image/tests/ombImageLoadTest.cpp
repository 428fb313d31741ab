#include "image/omb/ombImage.h"
#include "image/tests/ombImageTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace ombimagetest;

class OmbImageLoadTest : public OmbImageTest {};

// Two pixels whose fields differ in every format; the second row holds them in the other order.
constexpr Pixel kP0 = {200, 100, 50, 127};
constexpr Pixel kP1 = {8, 252, 131, 128};

// Formats 0 to 4 with the three kinds of alpha mode. Alpha 127 and 128 sit on either side of
// the top bit; format 0 never applies the mode.
TEST_F(OmbImageLoadTest, EachFormatPacksTheDecodedPixelsAfterTheAlphaMode) {
  write("pic.png", RgbaPng(2, 2, {kP0, kP1, kP1, kP0}));
  struct Case {
    uint32_t format;
    uint32_t alphaMode;
    Bytes p0;
    Bytes p1;
  };
  const Case cases[] = {
      {0, 0, {0xC8, 0x64, 0x32, 0x7F}, {0x08, 0xFC, 0x83, 0x80}},
      {0, 1, {0xC8, 0x64, 0x32, 0x7F}, {0x08, 0xFC, 0x83, 0x80}},
      {0, 3, {0xC8, 0x64, 0x32, 0x7F}, {0x08, 0xFC, 0x83, 0x80}},
      {1, 0, {0x32, 0x64, 0xC8, 0xFF}, {0x83, 0xFC, 0x08, 0xFF}},
      {1, 1, {0x32, 0x64, 0xC8, 0x00}, {0x83, 0xFC, 0x08, 0xFF}},
      {1, 3, {0x32, 0x64, 0xC8, 0x7F}, {0x83, 0xFC, 0x08, 0x80}},
      {2, 0, {0x63, 0xFC}, {0xF8, 0xF0}},
      {2, 1, {0x63, 0x0C}, {0xF8, 0xF0}},
      {2, 3, {0x63, 0x7C}, {0xF8, 0x80}},
      {3, 0, {0x86, 0xE5}, {0xF0, 0x87}},
      {3, 1, {0x86, 0x65}, {0xF0, 0x87}},
      {3, 3, {0x86, 0x65}, {0xF0, 0x87}},
      {4, 0, {0x26, 0xCB}, {0xF0, 0x0F}},
      {4, 3, {0x26, 0xCB}, {0xF0, 0x0F}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("format " + std::to_string(c.format) + ", alpha mode " + std::to_string(c.alphaMode));
    Aib aib;
    aib.alphaMode = c.alphaMode;
    write("pic.aib", aib.Bytes32());
    const uint32_t rowBytes = uint32_t(c.p0.size() * 2);
    const uint32_t pitch = rowBytes + 3;
    const Loaded loaded = Load("pic.png", c.format, pitch, 2);
    ASSERT_EQ(loaded.result, OMB_OK);
    Bytes expected;
    for (const Bytes* p : {&c.p0, &c.p1}) expected.insert(expected.end(), p->begin(), p->end());
    expected.insert(expected.end(), 3, 0xA5);
    for (const Bytes* p : {&c.p1, &c.p0}) expected.insert(expected.end(), p->begin(), p->end());
    expected.insert(expected.end(), 3, 0xA5);
    EXPECT_EQ(loaded.buffer, expected);
  }
}

// Gamma 1.0 (mode 2) brightens by 255 × (v / 255) ^ (1 / 2.2); 2.2, mode 1 and no information
// file at all keep the values. A gamma that is no positive number keeps them too, rather than
// filling the table from an infinite or undefined power. The alpha never goes through the table.
TEST_F(OmbImageLoadTest, GammaCurveAppliesToColourOnly) {
  const Pixel in0 = {128, 64, 1, 77};
  const Pixel in1 = {0, 255, 200, 128};
  write("pic.png", RgbaPng(2, 1, {in0, in1}));
  const Pixel bright0 = {186, 136, 21, 77};
  const Pixel bright1 = {0, 255, 228, 128};
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* name;
    bool aibFile;
    uint32_t gammaMode;
    float gamma;
    Pixel out0;
    Pixel out1;
  };
  const Case cases[] = {
      {"no information file", false, 1, 2.2f, in0, in1},
      {"mode 1", true, 1, 1.0f, in0, in1},
      {"mode 2", true, 2, 2.2f, bright0, bright1},
      {"mode 3, gamma 1.0", true, 3, 1.0f, bright0, bright1},
      {"mode 3, gamma 1.8", true, 3, 1.8f, {145, 82, 3, 77}, {0, 255, 209, 128}},
      {"mode 3, gamma 2.2", true, 3, 2.2f, in0, in1},
      {"mode 3, gamma -1", true, 3, -1.0f, in0, in1},
      {"mode 3, gamma NaN", true, 3, nan, in0, in1},
      {"mode 4, gamma 0", true, 4, 0.0f, in0, in1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(native("pic.aib"));
    if (c.aibFile) {
      Aib aib;
      aib.gammaMode = c.gammaMode;
      aib.gamma = c.gamma;
      write("pic.aib", aib.Bytes32());
    }
    // Format 0 decodes in place, format 1 through a work row: both take the table.
    const Loaded rgba = Load("pic.png", 0, 8, 1);
    ASSERT_EQ(rgba.result, OMB_OK);
    EXPECT_EQ(rgba.buffer, (Bytes{c.out0[0], c.out0[1], c.out0[2], c.out0[3], c.out1[0], c.out1[1],
                                  c.out1[2], c.out1[3]}));
    const Loaded bgra = Load("pic.png", 1, 8, 1);
    ASSERT_EQ(bgra.result, OMB_OK);
    EXPECT_EQ(bgra.buffer, (Bytes{c.out0[2], c.out0[1], c.out0[0], c.out0[3], c.out1[2], c.out1[1],
                                  c.out1[0], c.out1[3]}));
  }
}

// Every colour type and depth reaches the formats as 8-bit R, G, B, A.
TEST_F(OmbImageLoadTest, ColourTypesArriveAsRgba) {
  using filetest::PngPicture;
  auto picture = [](int colour, int depth, Bytes rows) {
    PngPicture p;
    p.width = 2;
    p.colour = colour;
    p.depth = depth;
    p.rows = std::move(rows);
    return p;
  };
  PngPicture palette = picture(PNG_COLOR_TYPE_PALETTE, 8, {1, 0});
  palette.palette = {{10, 20, 30}, {40, 50, 60}};
  palette.paletteAlpha = {99};
  PngPicture keyed = picture(PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6});
  keyed.transparentColour = true;
  keyed.transparent.red = 4;
  keyed.transparent.green = 5;
  keyed.transparent.blue = 6;
  struct Case {
    const char* name;
    PngPicture picture;
    Bytes rgba;
  };
  const Case cases[] = {
      {"grey 8", picture(PNG_COLOR_TYPE_GRAY, 8, {90, 7}), {90, 90, 90, 255, 7, 7, 7, 255}},
      {"grey 1", picture(PNG_COLOR_TYPE_GRAY, 1, {0x80}), {255, 255, 255, 255, 0, 0, 0, 255}},
      {"grey and alpha", picture(PNG_COLOR_TYPE_GRAY_ALPHA, 8, {90, 40, 7, 200}),
       {90, 90, 90, 40, 7, 7, 7, 200}},
      {"RGB 16", picture(PNG_COLOR_TYPE_RGB, 16, {1, 9, 2, 9, 3, 9, 4, 0, 5, 0, 6, 0}),
       {1, 2, 3, 255, 4, 5, 6, 255}},
      {"palette with tRNS", palette, {40, 50, 60, 255, 10, 20, 30, 99}},
      {"RGB with a colour key", keyed, {1, 2, 3, 255, 4, 5, 6, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write("pic.png", filetest::WritePng(c.picture));
    const Loaded loaded = Load("pic.png", 0, 8, 1);
    ASSERT_EQ(loaded.result, OMB_OK);
    EXPECT_EQ(loaded.buffer, c.rgba);
  }
}

TEST_F(OmbImageLoadTest, TooSmallABufferIsRefusedUntouched) {
  write("pic.png", FlatPng(5, 3, {1, 2, 3, 4}));
  struct Case {
    uint32_t format;
    uint32_t pitch;
    uint32_t rows;
  };
  const Case cases[] = {
      {3, 5 * 2 - 1, 3}, {0, 5 * 4 - 1, 3}, {1, 5 * 4 - 1, 3}, {4, 5 * 2, 2}, {0, 5 * 4, 2},
      {5, 15, 1},  // format 5 needs ((5 + 3) / 4) × 8 = 16 bytes a row
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("format " + std::to_string(c.format) + ", pitch " + std::to_string(c.pitch) +
                 ", rows " + std::to_string(c.rows));
    const Loaded loaded = Load("pic.png", c.format, c.pitch, c.rows);
    EXPECT_EQ(loaded.result, OMB_ERR_CREATE);
    EXPECT_EQ(loaded.buffer, Bytes(loaded.buffer.size(), 0xA5));
  }
}

// The information read does not decode, so both pictures describe themselves; only the load
// refuses them.
TEST_F(OmbImageLoadTest, InterlacedOrWarningPicturesDoNotLoad) {
  const Bytes plain = FlatPng(4, 4, {1, 2, 3, 4});
  // An ancillary chunk with a bad checksum just before IEND: libpng only warns, and only once
  // the pixels are read.
  const Bytes warning = filetest::InsertChunk(plain, "tEXt", {'a', 0, 'b'}, true, plain.size() - 12);
  write("interlaced.png", RgbaPng(4, 4, std::vector<Pixel>(16, {1, 2, 3, 4}), true));
  write("warning.png", warning);
  write("plain.png", plain);
  EXPECT_EQ(Load("plain.png", 0, 16, 4).result, OMB_OK);
  for (const char* name : {"interlaced.png", "warning.png"}) {
    SCOPED_TRACE(name);
    OMB_IMAGE_INFO info{};
    ASSERT_EQ(GetInfo(name, &info), OMB_OK);
    EXPECT_EQ(info.width, 4u);
    EXPECT_EQ(Load(name, 0, 16, 4).result, OMB_ERR_NOT_FOUND);
  }
}

TEST_F(OmbImageLoadTest, ARecordWithoutSizeOrFormatLoadsNothing) {
  write("pic.png", FlatPng(2, 2, {1, 2, 3, 4}));
  const OmbImageFile file = Open("pic.png");
  OMB_IMAGE_INFO info{};
  ASSERT_EQ(ombImageGetInfo(&info, file.get()), OMB_OK);
  Bytes buffer(64, 0xA5);
  // Formats past 9 need no room at all, and the picture has no layer for them.
  EXPECT_EQ(ombImageLoad(&info, file.get(), 8, 10, buffer.data(), 2), OMB_ERR_NOT_FOUND);
  // The picture has no compressed copy.
  EXPECT_EQ(ombImageLoad(&info, file.get(), 16, 5, buffer.data(), 1), OMB_ERR_NOT_FOUND);
  OMB_IMAGE_INFO empty = info;
  empty.height = 0;
  EXPECT_EQ(ombImageLoad(&empty, file.get(), 8, 0, buffer.data(), 2), OMB_ERR_NOT_FOUND);
  EXPECT_EQ(buffer, Bytes(64, 0xA5));
}

}  // namespace
