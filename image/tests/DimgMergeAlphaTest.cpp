#include "image/copy/DimgMergeAlpha.h"

#include "image/DImage.h"
#include "image/copy/CopyDriver.h"
#include "image/tests/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using imgtest::RowOrder;
using imgtest::TestImage;
using Bytes = std::vector<uint8_t>;

using MergeRoutine = void (*)(uint8_t*, const dbtl::DImage&, const uint8_t*, const dbtl::DImage&,
                              uint32_t, uint32_t, uint8_t);

Bytes Words(std::initializer_list<uint16_t> words) {
  Bytes out;
  for (uint16_t w : words) out.insert(out.end(), {uint8_t(w), uint8_t(w >> 8)});
  return out;
}

struct InPlaceCase {
  const char* what;
  MergeRoutine merge;
  uint32_t kind;
  Bytes before, after;  // one row of pixels
};

// The renderer's use: one image as source and destination, its alpha inverted in place, the
// colour bits kept; applied twice the image is as it was.
TEST(DimgMergeAlpha, InvertsInPlace) {
  const InPlaceCase cases[] = {
      {"32-bit, kind 0", DimgMergeAlpha32, 0, {1, 2, 3, 0x00, 4, 5, 6, 0x3C},
       {1, 2, 3, 0xFF, 4, 5, 6, 0xC3}},
      {"32-bit, kind 2", DimgMergeAlpha32, 2, {1, 2, 3, 0xFF, 4, 5, 6, 0x80},
       {1, 2, 3, 0x00, 4, 5, 6, 0x7F}},
      {"A1R5G5B5", DimgMergeAlpha1555, 4, Words({0x1234, 0xFFFF}), Words({0x9234, 0x7FFF})},
      {"A4R4G4B4", DimgMergeAlpha4444, 5, Words({0x2ABC, 0xF000}), Words({0xDABC, 0x0000})},
      {"24-bit, kind 1", DimgMergeAlpha24, 1, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
      {"24-bit, kind 7", DimgMergeAlpha24, 7, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
      {"R5G6B5", DimgMergeAlpha565, 6, Words({0x1234, 0xFFFF}), Words({0x1234, 0xFFFF})},
      // A routine of another pixel size leaves the image alone instead of running past its rows.
      {"32-bit on a 565 image", DimgMergeAlpha32, 6, Words({0x1234, 0xFFFF}),
       Words({0x1234, 0xFFFF})},
      {"1555 on a 4444 image", DimgMergeAlpha1555, 5, Words({0x1234}), Words({0x1234})},
      {"4444 on a 24-bit image", DimgMergeAlpha4444, 3, {1, 2, 3}, {1, 2, 3}},
  };
  for (const InPlaceCase& c : cases) {
    for (RowOrder order : {RowOrder::TopDown, RowOrder::BottomUp}) {
      const uint32_t bytes = imgtest::RefBytes(c.kind);
      const uint32_t width = uint32_t(c.before.size()) / bytes;
      TestImage image(c.kind, width, 2, 3, order);
      ASSERT_TRUE(image.created) << c.what;
      for (uint32_t y = 0; y < 2; ++y) std::memcpy(image.Pixel(0, y), c.before.data(), c.before.size());
      std::vector<uint8_t> expected = image.Memory();
      for (uint32_t y = 0; y < 2; ++y) {
        std::memcpy(expected.data() + image.Offset(0, y), c.after.data(), c.after.size());
      }
      const std::vector<uint8_t> original = image.Memory();
      c.merge(image.Bits(), *image.image, image.Bits(), *image.image, width, 2, 0xFF);
      EXPECT_EQ(image.Memory(), expected) << c.what;
      c.merge(image.Bits(), *image.image, image.Bits(), *image.image, width, 2, 0x00);
      EXPECT_EQ(image.Memory(), original) << c.what << ", applied twice";
    }
  }
}

// Two images: the destination's alpha becomes the complement of the source's, over the part
// the requested size and both images have in common, rows matched by their own order.
TEST(DimgMergeAlpha, FromAnotherImageClipped) {
  TestImage dst(2, 4, 3, 4, RowOrder::BottomUp);
  TestImage src(0, 3, 5, 0, RowOrder::TopDown);
  ASSERT_TRUE(dst.created && src.created);
  for (uint32_t y = 0; y < 5; ++y) {
    for (uint32_t x = 0; x < 3; ++x) {
      const uint8_t pixel[4] = {9, 9, 9, uint8_t(16 * y + x)};
      std::memcpy(src.Pixel(x, y), pixel, 4);
    }
  }
  std::vector<uint8_t> expected = dst.Memory();
  for (uint32_t y = 0; y < 3; ++y) {
    for (uint32_t x = 0; x < 3; ++x) expected[dst.Offset(x, y) + 3] = uint8_t(~(16 * y + x));
  }
  DimgMergeAlpha32(dst.Bits(), *dst.image, src.Bits(), *src.image, 10, 10, 0);
  EXPECT_EQ(dst.Memory(), expected);
}

// The row walk of the copies that write nothing: both addresses end height rows on, each by its
// own image's row step.
TEST(DimgSkipRows, MovesBothAddressesByTheirOwnRowStep) {
  TestImage dst(1, 2, 5, 2, RowOrder::BottomUp);
  TestImage src(6, 3, 5, 0, RowOrder::TopDown);
  ASSERT_TRUE(dst.created && src.created);
  const std::vector<uint8_t> before = dst.Memory();
  uint8_t* d = dst.Bits();
  const uint8_t* s = src.Bits();
  DimgSkipRows(3, d, *dst.image, s, *src.image);
  EXPECT_EQ(d, dst.Pixel(0, 3));
  EXPECT_EQ(s, src.Pixel(0, 3));
  EXPECT_EQ(dst.Memory(), before);
}

}  // namespace
