#include "image/YCbCr.h"

#include "image/PixelConvert.h"
#include "image/YCbCrPixel.h"
#include "image/tests/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace {

class YCbCr : public ::testing::Test {
 protected:
  void SetUp() override { imgtest::EnsureYCbCrTables(); }
};

TEST_F(YCbCr, TableEntries) {
  const DimgYCbCrTableSet& t = DimgYCbCrTables();
  struct Entry {
    const char* name;
    int32_t value;
    int32_t expected;
  };
  const Entry entries[] = {
      {"RY[255]", t.RY[255], 9759},    {"GY[255]", t.GY[255], 19160},
      {"BY[255]", t.BY[255], 3721},    {"CrR[0]", t.CrR[0], -179},
      {"CrR[255]", t.CrR[255], 178},   {"CrG[0]", t.CrG[0], 11700},
      {"CbG[0]", t.CbG[0], 5638},      {"CbB[0]", t.CbB[0], -227},
      {"CbB[255]", t.CbB[255], 225},   {"RY[0]", t.RY[0], 0},
      {"CrR[128]", t.CrR[128], 0},     {"RCr[255]", t.RCr[255], 16320},
      // The single-precision products -221.5 and 221.5 land exactly on a half: to even.
      {"CbB[3]", t.CbB[3], -222},      {"CbB[253]", t.CbB[253], 222},
      // The three entries of grey 16 sum to 2047, so its Y floors to 15.
      {"RY+GY+BY[16]", t.RY[16] + t.GY[16] + t.BY[16], 2047},
  };
  for (const Entry& e : entries) {
    EXPECT_EQ(e.value, e.expected) << e.name;
  }
}

struct ColourCase {
  uint8_t r, g, b;
  uint8_t y, cr, cb;
};

TEST_F(YCbCr, EncodeFromRgb) {
  const ColourCase cases[] = {
      {255, 255, 255, 255, 128, 128}, {255, 0, 0, 76, 255, 84},   {0, 255, 0, 149, 21, 43},
      {0, 0, 255, 29, 107, 255},      {128, 128, 128, 128, 128, 128}, {16, 16, 16, 15, 128, 128},
      {0, 0, 0, 0, 128, 128},
  };
  for (const ColourCase& c : cases) {
    const uint8_t rgb[3] = {c.r, c.g, c.b};
    uint8_t ycc[3] = {};
    DimgConvertPixel<DImageKindYCrCb, DImageKindRGB8>(rgb, ycc);
    EXPECT_EQ(ycc[0], c.y) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    EXPECT_EQ(ycc[1], c.cr) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    EXPECT_EQ(ycc[2], c.cb) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
}

TEST_F(YCbCr, DecodeToRgbWithClamps) {
  const ColourCase cases[] = {
      {128, 128, 128, 128, 128, 128},
      {255, 255, 255, 255, 128, 128},
      {0, 0, 0, 0, 128, 128},
      {254, 0, 0, 76, 255, 84},    // pure red does not come back as 255
      {0, 135, 0, 0, 0, 0},        // R and B clamp to 0, G lands above
      {178, 0, 225, 0, 255, 255},  // G = clamp(-135)
      {201, 75, 0, 100, 200, 50},  // B = 100 - 138 clamps to 0
  };
  for (const ColourCase& c : cases) {
    const uint8_t ycc[3] = {c.y, c.cr, c.cb};
    uint8_t rgb[3] = {};
    DimgConvertPixel<DImageKindRGB8, DImageKindYCrCb>(ycc, rgb);
    EXPECT_EQ(rgb[0], c.r) << int(c.y) << "," << int(c.cr) << "," << int(c.cb);
    EXPECT_EQ(rgb[1], c.g) << int(c.y) << "," << int(c.cr) << "," << int(c.cb);
    EXPECT_EQ(rgb[2], c.b) << int(c.y) << "," << int(c.cr) << "," << int(c.cb);
  }
}

// Kind 7 onto kind 7 is not a byte copy: it passes through R, G, B.
TEST_F(YCbCr, YccToYccGoesThroughRgb) {
  struct Case {
    uint8_t in[3];
    uint8_t out[3];
  };
  const Case cases[] = {
      {{128, 128, 128}, {128, 128, 128}}, {{255, 128, 128}, {255, 128, 128}},
      {{0, 0, 0}, {79, 71, 83}},          {{0, 255, 255}, {78, 198, 210}},
      {{16, 128, 128}, {15, 128, 128}},
  };
  for (const Case& c : cases) {
    uint8_t out[3] = {};
    DimgYccToYcc(c.in, out);
    EXPECT_EQ(out[0], c.out[0]) << int(c.in[0]) << "," << int(c.in[1]) << "," << int(c.in[2]);
    EXPECT_EQ(out[1], c.out[1]) << int(c.in[0]) << "," << int(c.in[1]) << "," << int(c.in[2]);
    EXPECT_EQ(out[2], c.out[2]) << int(c.in[0]) << "," << int(c.in[1]) << "," << int(c.in[2]);
  }
}

// The texture copy families' names for the green routine take (Y, Cr, Cb); the image library's
// own takes (Cr, Cb, Y). A mixed-up order shows on an asymmetric pixel.
TEST_F(YCbCr, GreenRoutineArgumentOrders) {
  EXPECT_EQ(DimgGFromYCrCb(255, 255, 0), 0);
  EXPECT_EQ(DimgYccToG(0, 0, 0), 135);
  EXPECT_EQ(DimgYccToG(0, 255, 255), 0);
  EXPECT_EQ(DimgGFromYCrCb(0, 0, 0), 135);
}

struct WriterCase {
  const char* name;
  void (*write)(const uint8_t*, uint8_t*, uint8_t);
  uint8_t before[4];
  uint8_t alpha;
  uint8_t after[4];
};

// Source pixel: pure red's bytes 4c ff 54, which decode to R, G, B = 254, 0, 0.
TEST_F(YCbCr, PixelWritersKeepOrSetAlpha) {
  const WriterCase cases[] = {
      {"Rgb888 keeps byte 3", [](const uint8_t* s, uint8_t* d, uint8_t) { DimgYccToRgb888(s, d); },
       {1, 2, 3, 0x77}, 0, {254, 0, 0, 0x77}},
      {"Bgr888 keeps byte 3", [](const uint8_t* s, uint8_t* d, uint8_t) { DimgYccToBgr888(s, d); },
       {1, 2, 3, 0x77}, 0, {0, 0, 254, 0x77}},
      {"Rgba", DimgYccToRgba, {1, 2, 3, 4}, 0x12, {254, 0, 0, 0x12}},
      {"Bgra", DimgYccToBgra, {1, 2, 3, 4}, 0x12, {0, 0, 254, 0x12}},
      {"1555Keep bit set", [](const uint8_t* s, uint8_t* d, uint8_t) { DimgYccTo1555Keep(s, d); },
       {0xFF, 0xFF}, 0, {0x00, 0xFC}},
      {"1555Keep bit clear", [](const uint8_t* s, uint8_t* d, uint8_t) { DimgYccTo1555Keep(s, d); },
       {0xFF, 0x7F}, 0, {0x00, 0x7C}},
      {"1555 alpha 7F", DimgYccTo1555, {0xFF, 0xFF}, 0x7F, {0x00, 0x7C}},
      {"1555 alpha 80", DimgYccTo1555, {0x00, 0x00}, 0x80, {0x00, 0xFC}},
      {"4444Keep", [](const uint8_t* s, uint8_t* d, uint8_t) { DimgYccTo4444Keep(s, d); },
       {0xFF, 0xAF}, 0, {0x00, 0xAF}},
      {"4444 alpha FF", DimgYccTo4444, {0x00, 0x00}, 0xFF, {0x00, 0xFF}},
      {"4444 alpha 0F", DimgYccTo4444, {0xFF, 0xFF}, 0x0F, {0x00, 0x0F}},
      {"565", [](const uint8_t* s, uint8_t* d, uint8_t) { DimgYccTo565(s, d); },
       {0xFF, 0xFF}, 0, {0x00, 0xF8}},
  };
  const uint8_t red[3] = {0x4C, 0xFF, 0x54};
  for (const WriterCase& c : cases) {
    uint8_t pixel[4];
    std::copy(std::begin(c.before), std::end(c.before), pixel);
    c.write(red, pixel, c.alpha);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(pixel[i], c.after[i]) << c.name << " byte " << i;
    }
  }
}

TEST_F(YCbCr, SixteenBitWordsToYcc) {
  uint8_t ycc[3] = {};
  Dimg565ToYcc(0xF800, ycc);  // red 0xF8
  const uint8_t expect565[3] = {DimgYFromRGB(0xF8, 0, 0), DimgCrFromRGB(0xF8, 0, 0),
                                DimgCbFromRGB(0xF8, 0, 0)};
  EXPECT_EQ(0, std::memcmp(ycc, expect565, 3));
  // Green bit 5 carries nothing, and the A1R5G5B5 alpha bit is ignored.
  uint8_t withBit5[3] = {};
  Dimg565ToYcc(0xF820, withBit5);
  EXPECT_EQ(0, std::memcmp(withBit5, expect565, 3));
  uint8_t from1555[3] = {};
  Dimg1555ToYcc(0xFC00, from1555);
  EXPECT_EQ(0, std::memcmp(from1555, expect565, 3));
}

}  // namespace
