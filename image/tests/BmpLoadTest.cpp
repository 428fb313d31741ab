#include "image/DImageKind.h"
#include "image/file/DimgLoad.h"
#include "testsupport/image/DimgLoadTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace filetest;

// The picture every layout stores: 3 × 2, top row first, with the alpha a 32-bit file holds.
const Rgba kPicture[2][3] = {
    {{10, 20, 30, 0}, {40, 50, 60, 128}, {70, 80, 90, 255}},
    {{100, 110, 120, 7}, {130, 140, 150, 200}, {160, 170, 180, 99}},
};

struct Layout {
  const char* name;
  uint16_t bits;
  bool topDown;
  uint32_t compression;
  uint32_t clrUsed;
  uint32_t paletteWritten;  // entries present in the file (8 bits)
  bool masks;               // 12 mask bytes after the header
  uint32_t headerSize;
};

// File rows in file order, each padded to 4 bytes; a pixel of an 8-bit file is its index
// into the picture (0 to 5), and the palette lists the picture's colours first.
Bytes BodyFor(const Layout& l) {
  Bytes body;
  for (uint32_t i = 0; i < l.paletteWritten; ++i) {
    const Rgba c = i < 6 ? kPicture[i / 3][i % 3] : Rgba{1, 2, 3, 0};
    body.insert(body.end(), {c[2], c[1], c[0], 0xEE});
  }
  if (l.masks) {
    // Masks that describe another layout: the reader must ignore them.
    Put32(body, 0xFF);
    Put32(body, 0xFF00);
    Put32(body, 0xFF0000);
  }
  for (int i = 0; i < 2; ++i) {
    const int y = l.topDown ? i : 1 - i;
    Bytes row;
    for (int x = 0; x < 3; ++x) {
      const Rgba& c = kPicture[y][x];
      if (l.bits == 8) row.push_back(uint8_t(y * 3 + x));
      if (l.bits >= 24) row.insert(row.end(), {c[2], c[1], c[0]});
      if (l.bits == 32) row.push_back(c[3]);
    }
    row.resize((row.size() + 3) & ~size_t{3}, 0xCD);
    body.insert(body.end(), row.begin(), row.end());
  }
  return body;
}

void PrintTo(const Layout& l, std::ostream* os) { *os << l.name; }

class BmpLayoutTest : public ::testing::TestWithParam<Layout> {};

TEST_P(BmpLayoutTest, LoadsThePictureAsKind0) {
  const Layout& l = GetParam();
  BmpHeader h;
  h.width = 3;
  h.height = l.topDown ? -2 : 2;
  h.bits = l.bits;
  h.compression = l.compression;
  h.clrUsed = l.clrUsed;
  h.headerSize = l.headerSize;
  MemoryFile f(MakeBmp(h, BodyFor(l)));
  dbtl::DImage image;
  ASSERT_TRUE(DimgLoadBmp(image, f.file));
  ASSERT_EQ(image.GetKind(), DImageKindRGBA8);
  ASSERT_EQ(image.GetWidth(), 3u);
  ASSERT_EQ(image.GetHeight(), 2u);
  for (uint32_t y = 0; y < 2; ++y) {
    for (uint32_t x = 0; x < 3; ++x) {
      Rgba want = kPicture[y][x];
      if (l.bits != 32) want[3] = 255;
      EXPECT_EQ(PixelOf(image, x, y), want) << "pixel " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, BmpLayoutTest,
    ::testing::Values(
        Layout{"Rgb24BottomUp", 24, false, 0, 0, 0, false, 40},
        Layout{"Rgb24TopDown", 24, true, 0, 0, 0, false, 40},
        Layout{"Rgb24LongHeader", 24, false, 0, 0, 0, false, 108},
        Layout{"Bgra32Plain", 32, false, 0, 0, 0, false, 40},
        Layout{"Bgra32BitFieldsSkipsMasks", 32, true, 3, 0, 0, true, 40},
        // A longer header holds its masks: nothing is skipped after it.
        Layout{"Bgra32BitFieldsLongHeader", 32, false, 3, 0, 0, false, 108},
        Layout{"Palette256WhenCountIs0", 8, false, 0, 0, 256, false, 40},
        Layout{"Palette256WhenCountAbove256", 8, true, 0, 300, 256, false, 40},
        Layout{"Palette16ThenRows", 8, false, 0, 16, 16, false, 40},
        Layout{"Palette6ThenRows", 8, true, 0, 6, 6, false, 40}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpLoadTest, RefusedKindsFailEveryReaderWithTheLoadErrorLine) {
  struct Case {
    const char* name;
    uint16_t bits;
    uint32_t compression;
  };
  const Case cases[] = {{"16 bits", 16, 0}, {"4 bits", 4, 0}, {"run-length", 8, 1},
                        {"1 bit", 1, 0}, {"compression 2", 24, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BmpHeader h;
    h.width = 2;
    h.height = 2;
    h.bits = c.bits;
    h.compression = c.compression;
    MemoryFile f(MakeBmp(h, Bytes(1024 + 64, 0)));
    dbtl::DImage image;
    EXPECT_FALSE(DimgLoadBmp(image, f.file));
    EXPECT_EQ(image.GetBuffer(), nullptr);
    DebugLogCapture log;
    EXPECT_FALSE(DimgLoad(f.file, image));
    EXPECT_EQ(log.Text(), "[DimgLoad] \"data/picture.img\": Load Error\n");
  }
}

TEST(BmpLoadTest, TruncatedOrForeignDataFailsWithoutABuffer) {
  BmpHeader h;
  h.width = 3;
  h.height = 2;
  const Bytes whole = MakeBmp(h, BodyFor({"", 24, false, 0, 0, 0, false, 40}));
  struct Case {
    const char* name;
    Bytes bytes;
  };
  Bytes notBm = whole;
  notBm[0] = 'X';
  const Case cases[] = {
      {"last row cut by one byte", Bytes(whole.begin(), whole.end() - 1)},
      {"info header cut", Bytes(whole.begin(), whole.begin() + 30)},
      {"empty", {}},
      {"not BM", notBm},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFile f(c.bytes);
    dbtl::DImage image;
    EXPECT_FALSE(DimgLoadBmp(image, f.file));
    EXPECT_EQ(image.GetBuffer(), nullptr);
  }
}

TEST(BmpLoadTest, AShortFileInThrowModeFailsInsteadOfThrowing) {
  BmpHeader h;
  h.width = 3;
  h.height = 2;
  const Bytes whole = MakeBmp(h, BodyFor({"", 24, false, 0, 0, 0, false, 40}));
  MemoryFile f(Bytes(whole.begin(), whole.end() - 4));
  f.file.SetThrowMode(true);
  dbtl::DImage image;
  EXPECT_FALSE(DimgLoadBmp(image, f.file));
  EXPECT_EQ(image.GetBuffer(), nullptr);
}

TEST(BmpLoadTest, SizesThatWouldWrapAreRefusedBeforeAllocating) {
  struct Case {
    const char* name;
    int32_t width;
    int32_t height;
    uint16_t bits;
  };
  // 0x40000001 × 4 wraps to 4 in 32 bits; × 3 rows of 0xC0000003 bytes would need 3 GiB.
  const Case cases[] = {{"wide 32-bit", 0x40000001, 1, 32},
                        {"wide 24-bit", 0x40000001, 1, 24},
                        {"wide 8-bit", 0x7FFFFFFF, 1, 8},
                        {"tall", 4, INT32_MIN, 24},
                        {"negative width", -4, 2, 24},
                        {"many rows for the data", 1000, 1000, 24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BmpHeader h;
    h.width = c.width;
    h.height = c.height;
    h.bits = c.bits;
    MemoryFile f(MakeBmp(h, Bytes(1024 + 256, 0x11)));
    CountingImage image;
    EXPECT_FALSE(DimgLoadBmp(image, f.file));
    EXPECT_EQ(image.creates, 0);
  }
}

TEST(BmpLoadTest, IndicesPastAShortPaletteReadBlack) {
  BmpHeader h;
  h.width = 3;
  h.height = 1;
  h.bits = 8;
  h.clrUsed = 2;
  const Bytes body = {10, 20, 30, 0, 40, 50, 60, 0, /* row */ 1, 2, 255, 0};
  MemoryFile f(MakeBmp(h, body));
  dbtl::DImage image;
  ASSERT_TRUE(DimgLoadBmp(image, f.file));
  EXPECT_EQ(PixelOf(image, 0, 0), (Rgba{60, 50, 40, 255}));
  EXPECT_EQ(PixelOf(image, 1, 0), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(PixelOf(image, 2, 0), (Rgba{0, 0, 0, 255}));
}

}  // namespace
