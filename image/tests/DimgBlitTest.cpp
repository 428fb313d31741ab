#include "image/DimgBlit.h"

#include "image/DImageKind.h"
#include "image/DImageReverse.h"
#include "image/tests/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using imgtest::RowOrder;
using imgtest::TestImage;
using Indices = std::vector<uint32_t>;

struct MapCase {
  const char* what;
  uint32_t srcImageW, srcImageH, dstImageW, dstImageH;
  uint32_t dstW, dstH, srcW, srcH;  // as requested
  Indices columns, rows;            // the source index each destination column and row takes
};

// A kind-0 source whose pixels carry their own coordinates (x, y, 0x5C, 0xC5) copied into a
// kind-0 destination: each written pixel names the source pixel it was taken from, and the
// destination's memory shows exactly which rectangle was written.
TEST(DimgBlit, IndexMapsOfClipAndStretch) {
  const MapCase cases[] = {
      {"2 onto 6", 2, 2, 6, 6, 6, 6, 2, 2, {0, 0, 1, 1, 1, 1}, {0, 0, 1, 1, 1, 1}},
      {"4 onto 2", 4, 4, 2, 2, 2, 2, 4, 4, {0, 2}, {0, 2}},
      {"10 onto 4, halves go down", 10, 3, 4, 3, 4, 3, 10, 3, {0, 2, 5, 7}, {0, 1, 2}},
      {"equal widths, rows stretched", 3, 2, 3, 4, 3, 4, 3, 2, {0, 1, 2}, {0, 0, 1, 1}},
      {"7 onto 9 and 3 onto 4", 7, 3, 9, 4, 9, 4, 7, 3, {0, 1, 2, 2, 3, 4, 5, 5, 6},
       {0, 1, 1, 2}},
      {"4 onto 3 and 5 onto 3", 4, 5, 3, 3, 3, 3, 4, 5, {0, 1, 3}, {0, 2, 3}},
      {"3 onto 1", 3, 1, 1, 1, 1, 1, 3, 1, {0}, {0}},
      {"20x20 from 10x10 in 10x10 images", 10, 10, 10, 10, 20, 20, 10, 10,
       {0, 0, 1, 1, 2, 2, 3, 3, 4, 4}, {0, 0, 1, 1, 2, 2, 3, 3, 4, 4}},
      {"8x8 requested, 5x5 source, 3x2 destination", 5, 5, 3, 2, 8, 8, 8, 8, {0, 1, 2}, {0, 1}},
      {"6x6 requested, 2x2 source, 6x6 destination", 2, 2, 6, 6, 6, 6, 6, 6, {0, 1}, {0, 1}},
      {"20 from 10 in a destination 12 wide", 10, 1, 12, 1, 20, 1, 10, 1,
       {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5}, {0}},
      {"30 from 20 with a source 10 wide", 10, 1, 30, 1, 30, 1, 20, 1,
       {0, 1, 1, 2, 3, 3, 4, 5, 5, 6, 7, 7, 8, 9, 9}, {0}},
      {"3 from 2 in a destination 1 wide", 2, 1, 1, 1, 3, 1, 2, 1, {0}, {0}},
      {"destination width 0", 4, 4, 4, 4, 0, 4, 4, 4, {}, {}},
      {"source height 0", 4, 4, 4, 4, 4, 4, 4, 0, {}, {}},
      {"1 onto 3", 1, 1, 3, 3, 3, 3, 1, 1, {0, 0, 0}, {0, 0, 0}},
  };
  const RowOrder orders[] = {RowOrder::TopDown, RowOrder::BottomUp};
  for (const MapCase& c : cases) {
    for (RowOrder dstOrder : orders) {
      for (RowOrder srcOrder : orders) {
        const std::string what = std::string(c.what) +
                                 (dstOrder == RowOrder::BottomUp ? ", bottom-up destination" : "") +
                                 (srcOrder == RowOrder::BottomUp ? ", bottom-up source" : "");
        TestImage src(0, c.srcImageW, c.srcImageH, 4, srcOrder);
        TestImage dst(0, c.dstImageW, c.dstImageH, 8, dstOrder);
        ASSERT_TRUE(src.created && dst.created) << what;
        for (uint32_t y = 0; y < c.srcImageH; ++y) {
          for (uint32_t x = 0; x < c.srcImageW; ++x) {
            const uint8_t pixel[4] = {uint8_t(x), uint8_t(y), 0x5C, 0xC5};
            std::memcpy(src.Pixel(x, y), pixel, 4);
          }
        }
        std::vector<uint8_t> expected = dst.Memory();
        for (uint32_t y = 0; y < c.rows.size(); ++y) {
          for (uint32_t x = 0; x < c.columns.size(); ++x) {
            const uint8_t pixel[4] = {uint8_t(c.columns[x]), uint8_t(c.rows[y]), 0x5C, 0xC5};
            std::memcpy(expected.data() + dst.Offset(x, y), pixel, 4);
          }
        }
        DimgBlit(*dst.image, c.dstW, c.dstH, *src.image, c.srcW, c.srcH, 0, 0);
        EXPECT_EQ(dst.Memory(), expected) << what;
      }
    }
  }
}

// The screenshot's shape: a bottom-up kind-3 image of the source's size filled from a top-down
// kind-2 capture. The first row in memory is the capture's last row, each pixel the first three
// bytes of the source pixel (B, G, R) without its alpha.
TEST(DimgBlit, BottomUpBgrFromTopDownCapture) {
  imgtest::EnsureYCbCrTables();
  constexpr uint32_t kW = 3, kH = 4;
  TestImage capture(DImageKindBGRA8, kW, kH, 0, RowOrder::TopDown);
  dbtl::DImageReverse bitmap;
  ASSERT_TRUE(capture.created);
  ASSERT_TRUE(bitmap.CreateDefaultPitch(kW, kH, DImageKindBGR8));
  const uint32_t pitch = bitmap.GetPitch();  // 9 bytes of pixels, padded to 12
  std::memset(bitmap.GetBuffer(), 0xEE, size_t{pitch} * kH);
  for (uint32_t y = 0; y < kH; ++y) {
    for (uint32_t x = 0; x < kW; ++x) {
      const uint8_t bgra[4] = {uint8_t(0x10 + x), uint8_t(0x20 + y), uint8_t(0x30 + x + y), 0x7F};
      std::memcpy(capture.Pixel(x, y), bgra, 4);
    }
  }
  DimgBlit(bitmap, kW, kH, *capture.image, kW, kH, 0, 0);
  for (uint32_t memoryRow = 0; memoryRow < kH; ++memoryRow) {
    const uint32_t y = kH - 1 - memoryRow;
    std::vector<uint8_t> expected;
    for (uint32_t x = 0; x < kW; ++x) {
      expected.insert(expected.end(), {uint8_t(0x10 + x), uint8_t(0x20 + y), uint8_t(0x30 + x + y)});
    }
    expected.insert(expected.end(), pitch - 3 * kW, 0xEE);
    const uint8_t* row = bitmap.GetBuffer() + size_t{memoryRow} * pitch;
    EXPECT_EQ(std::vector<uint8_t>(row, row + pitch), expected) << "memory row " << memoryRow;
  }
}

}  // namespace
