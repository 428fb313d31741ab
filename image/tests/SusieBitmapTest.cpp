#include "image/DImageKind.h"
#include "image/file/DimgSusieBitmap.h"
#include "testsupport/image/DimgLoadTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace filetest;
using Bgr = std::array<uint8_t, 3>;

// A bitmap information block: the 40-byte header and whatever follows it (masks, colours).
Bytes Info(int32_t width, int32_t height, uint16_t bits, uint32_t compression, uint32_t clrUsed,
           const Bytes& after = {}, uint16_t planes = 1) {
  Bytes out;
  Put32(out, 40);
  Put32(out, uint32_t(width));
  Put32(out, uint32_t(height));
  Put16(out, planes);
  Put16(out, bits);
  Put32(out, compression);
  for (int i = 0; i < 3; ++i) Put32(out, 0);
  Put32(out, clrUsed);
  Put32(out, 0);
  out.insert(out.end(), after.begin(), after.end());
  return out;
}

Bytes Colours(std::initializer_list<Bgr> entries) {
  Bytes out;
  for (const Bgr& c : entries) out.insert(out.end(), {c[0], c[1], c[2], 0x77});
  return out;
}

Bytes Masks(uint32_t r, uint32_t g, uint32_t b) {
  Bytes out;
  Put32(out, r);
  Put32(out, g);
  Put32(out, b);
  return out;
}

struct Case {
  const char* name;
  Bytes info;
  Bytes pixels;
  std::vector<std::vector<Bgr>> want;  // rows from the top
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Bgr K{0, 0, 0};
const Bgr Wh{255, 255, 255};
const Bgr A{10, 20, 30};
const Bgr B{40, 50, 60};
const Bgr C{70, 80, 90};

class SusieBitmapTest : public ::testing::TestWithParam<Case> {};

TEST_P(SusieBitmapTest, ConvertsToTopDownBgr) {
  const Case& c = GetParam();
  dbtl::DImage image;
  ASSERT_TRUE(DimgSusieBitmapToImage(c.info.data(), c.info.size(), c.pixels.data(), c.pixels.size(), image));
  ASSERT_EQ(image.GetKind(), DImageKindBGR8);
  ASSERT_EQ(image.GetHeight(), c.want.size());
  ASSERT_EQ(image.GetWidth(), c.want[0].size());
  EXPECT_EQ(image.GetPitch(), (image.GetWidth() * 3 + 3) / 4 * 4);
  for (uint32_t y = 0; y < image.GetHeight(); ++y) {
    for (uint32_t x = 0; x < image.GetWidth(); ++x) {
      const uint8_t* p = image.GetPixelAddress(x, y);
      EXPECT_EQ((Bgr{p[0], p[1], p[2]}), c.want[y][x]) << "pixel " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SusieBitmapTest,
    ::testing::Values(
        // 10 pixels of 1 bit cross a byte; rows are stored bottom-up, 4 bytes each.
        Case{"OneBitBottomUp", Info(10, 2, 1, 0, 0, Colours({A, B})),
             {0b10000000, 0b01000000, 0, 0, /* top: */ 0b01010101, 0b11000000, 0, 0},
             {{A, B, A, B, A, B, A, B, B, B}, {B, A, A, A, A, A, A, A, A, B}}},
        // Three colours listed; index 5 lies past them and reads black.
        Case{"FourBitTopDownShortTable", Info(3, -1, 4, 0, 3, Colours({A, B, C})),
             {0x21, 0x50, 0, 0}, {{C, B, K}}},
        Case{"EightBitFullTable", Info(2, 1, 8, 0, 0, [] {
               Bytes t(256 * 4, 0);
               t[200 * 4] = 1; t[200 * 4 + 1] = 2; t[200 * 4 + 2] = 3;
               return t; }()),
             {200, 0, 0, 0}, {{Bgr{1, 2, 3}, K}}},
        // 5-5-5: each field widened by repeating its bits.
        Case{"SixteenBitsPlain", Info(3, 1, 16, 0, 0), {0xFF, 0x7F, 0x21, 0x04, 0x00, 0x7C, 0, 0},
             {{Wh, Bgr{8, 8, 8}, Bgr{0, 0, 255}}}},
        Case{"SixteenBitsFields565", Info(2, 1, 16, 3, 0, Masks(0xF800, 0x07E0, 0x001F)),
             {0xE0, 0x07, 0x1F, 0x00}, {{Bgr{0, 255, 0}, Bgr{255, 0, 0}}}},
        Case{"TwentyFourBitsPadded", Info(1, 2, 24, 0, 0), {1, 2, 3, 0xEE, 4, 5, 6, 0xEE},
             {{Bgr{4, 5, 6}}, {Bgr{1, 2, 3}}}},
        Case{"ThirtyTwoBitsPlain", Info(1, 1, 32, 0, 0), {1, 2, 3, 4}, {{Bgr{1, 2, 3}}}},
        Case{"ThirtyTwoBitsFieldsRedLow", Info(1, 1, 32, 3, 0, Masks(0xFF, 0xFF00, 0xFF0000)),
             {1, 2, 3, 4}, {{Bgr{3, 2, 1}}}},
        // The plug-in's pixel block ends after the first stored (bottom) row.
        Case{"RowsPastThePixelBlockReadBlack", Info(1, 2, 24, 0, 0), {1, 2, 3, 0},
             {{K}, {Bgr{1, 2, 3}}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SusieBitmapRefusalTest, LayoutsAndSizesItCannotTakeLeaveTheImageAlone) {
  Bytes shortHeader = Info(1, 1, 24, 0, 0);
  shortHeader.resize(39);
  Bytes longerThanBlock = Info(1, 1, 24, 0, 0);
  longerThanBlock[0] = 64;
  const struct {
    const char* name;
    Bytes info;
  } cases[] = {
      {"run-length 8", Info(1, 1, 8, 1, 0)},
      {"run-length 4", Info(1, 1, 4, 2, 0)},
      {"bit fields at 24 bits", Info(1, 1, 24, 3, 0, Masks(1, 2, 4))},
      {"bit fields without masks", Info(1, 1, 16, 3, 0)},
      {"2 bits", Info(1, 1, 2, 0, 0)},
      {"two planes", Info(1, 1, 24, 0, 0, {}, 2)},
      {"width 0", Info(0, 1, 24, 0, 0)},
      {"negative width", Info(-1, 1, 24, 0, 0)},
      {"height 0", Info(1, 0, 24, 0, 0)},
      {"header cut", shortHeader},
      {"header longer than its block", longerThanBlock},
      {"picture beyond the pixel limit", Info(0x7FFFFFFF, 0x7FFFFFFF, 24, 0, 0)},
  };
  const Bytes pixels(64, 0x33);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dbtl::DImage image;
    EXPECT_FALSE(DimgSusieBitmapToImage(c.info.data(), c.info.size(), pixels.data(), pixels.size(), image));
    EXPECT_EQ(image.GetBuffer(), nullptr);
  }
}

}  // namespace
