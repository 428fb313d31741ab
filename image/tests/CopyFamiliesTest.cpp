#include "image/DImage.h"
#include "image/DimgBlit.h"
#include "image/copy/DimgBlitAlpha.h"
#include "image/copy/DimgBlitColor.h"
#include "image/copy/DimgBlitOpaque.h"
#include "image/tests/CopyTestSupport.h"
#include "image/tests/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using imgtest::CopyShape;
using imgtest::RowOrder;

class CopyFamilies : public ::testing::Test {
 protected:
  void SetUp() override { imgtest::EnsureYCbCrTables(); }
};

// The plain blit and the three families over all 64 pairs, one-to-one, stretched and clipped,
// with each row order on either side: colour keeps the destination's alpha, alpha comes from
// the source's green and leaves the colour, opaque writes the constant; no byte outside the
// written rectangle moves, and the unused bytes change nothing.
TEST_F(CopyFamilies, AllPairsFollowTheirRules) {
  const CopyShape shapes[] = {
      {"equal sizes inside both images", 5, 3, 6, 4, 5, 3, 5, 3},
      {"5x3 stretched onto 7x5", 5, 3, 8, 6, 7, 5, 5, 3},
      {"12x9 from 8x6 cut to 6x5 from 4x3", 4, 3, 6, 5, 12, 9, 8, 6},
  };
  const RowOrder orders[] = {RowOrder::TopDown, RowOrder::BottomUp};
  std::mt19937 rng(2024);
  for (const imgtest::CopyFamily& family : imgtest::kCopyFamilies) {
    for (uint32_t d = 0; d < 8; ++d) {
      for (uint32_t s = 0; s < 8; ++s) {
        for (const CopyShape& shape : shapes) {
          for (RowOrder dstOrder : orders) {
            for (RowOrder srcOrder : orders) {
              imgtest::ExpectCopyMatchesModel(family, d, s, shape, dstOrder, srcOrder, rng);
            }
          }
        }
      }
    }
  }
}

// Requested sizes anywhere from 0 to far beyond the images, in any ratio: whatever the clip
// leaves lies inside both images and is copied by the model's rule.
TEST_F(CopyFamilies, RandomRequestsStayInsideTheImages) {
  std::mt19937 rng(99);
  const auto request = [&rng](uint32_t extent) -> uint32_t {
    const uint32_t pick = rng() % 8;
    if (pick < 4) return rng() % (extent + 1);
    if (pick < 6) return rng() % (3 * extent + 2);
    if (pick < 7) return rng() % 1000;
    return rng();
  };
  for (int i = 0; i < 4000; ++i) {
    const auto& family = imgtest::kCopyFamilies[rng() % 4];
    const uint32_t d = rng() % 8, s = rng() % 8;
    const auto extent = [&rng] { return uint32_t(1 + rng() % 9); };
    CopyShape shape{"random request", extent(), extent(), extent(), extent(), 0, 0, 0, 0};
    shape.dstW = request(shape.dstImageW);
    shape.dstH = request(shape.dstImageH);
    shape.srcW = request(shape.srcImageW);
    shape.srcH = request(shape.srcImageH);
    const std::string sizes = std::to_string(shape.dstW) + "x" + std::to_string(shape.dstH) +
                              " from " + std::to_string(shape.srcW) + "x" +
                              std::to_string(shape.srcH);
    SCOPED_TRACE(sizes);
    imgtest::ExpectCopyMatchesModel(family, d, s, shape, RowOrder::BottomUp, RowOrder::TopDown,
                                    rng);
  }
}

using Bytes = std::vector<uint8_t>;

Bytes Word(uint16_t w) { return {uint8_t(w), uint8_t(w >> 8)}; }

struct Golden {
  const char* what;
  imgtest::Dispatcher run;
  uint32_t d, s;
  Bytes src;
  Bytes before;  // the destination pixel before the copy
  uint8_t constant;
  Bytes after;
};

// One pixel through a dispatcher: the values a texture loader depends on.
TEST_F(CopyFamilies, GoldenPixels) {
  const Golden cases[] = {
      {"grey 0x80 gives alpha 0x80", DimgBlitAlpha, 2, 1, {0x80, 0x80, 0x80}, {1, 2, 3, 4}, 0,
       {1, 2, 3, 0x80}},
      {"grey 0x80 sets the 1555 bit", DimgBlitAlpha, 4, 1, {0x80, 0x80, 0x80}, Word(0x1234), 0,
       Word(0x9234)},
      {"green 0x7F clears the 1555 bit", DimgBlitAlpha, 4, 1, {0xFF, 0x7F, 0xFF}, Word(0xFFFF), 0,
       Word(0x7FFF)},
      {"green's top nibble into 4444", DimgBlitAlpha, 5, 3, {0x00, 0x9F, 0x00}, Word(0x0ABC), 0,
       Word(0x9ABC)},
      {"kind 3 has no alpha to write", DimgBlitAlpha, 3, 1, {0x80, 0x80, 0x80}, {7, 8, 9}, 0,
       {7, 8, 9}},
      {"kind 7 has no alpha to write", DimgBlitAlpha, 7, 0, {1, 2, 3, 4}, {7, 8, 9}, 0, {7, 8, 9}},
      {"565 green 0x3F gives 0xF8", DimgBlitAlpha, 0, 6, Word(0x07E0), {9, 9, 9, 9}, 0,
       {9, 9, 9, 0xF8}},
      {"1555 green has five bits", DimgBlitAlpha, 2, 4, Word(0x03E0), {9, 9, 9, 9}, 0,
       {9, 9, 9, 0xF8}},
      {"4444 green has four bits", DimgBlitAlpha, 0, 5, Word(0x0030), {9, 9, 9, 9}, 0,
       {9, 9, 9, 0x30}},
      {"the source's own alpha is ignored", DimgBlitAlpha, 2, 0, {10, 0x66, 30, 0}, {1, 2, 3, 4},
       0, {1, 2, 3, 0x66}},
      {"YCbCr grey gives its level", DimgBlitAlpha, 0, 7, {0x80, 0x80, 0x80}, {1, 2, 3, 4}, 0,
       {1, 2, 3, 0x80}},
      {"transparent pixel becomes opaque", DimgBlitOpaque, 2, 0, {12, 34, 56, 0}, {0, 0, 0, 0},
       255, {56, 34, 12, 255}},
      {"alpha 0x7F clears the 1555 bit", DimgBlitOpaque, 4, 1, {0, 0, 0}, Word(0xFFFF), 0x7F,
       Word(0x0000)},
      {"alpha 0x80 sets the 1555 bit", DimgBlitOpaque, 4, 1, {0, 0, 0}, Word(0), 0x80,
       Word(0x8000)},
      {"alpha 0x40 clears the 1555 bit", DimgBlitOpaque, 4, 1, {0, 0, 0}, Word(0xFFFF), 0x40,
       Word(0x0000)},
      {"alpha 0xFF is nibble 15", DimgBlitOpaque, 5, 1, {0, 0, 0}, Word(0), 0xFF, Word(0xF000)},
      {"alpha 0x10 is nibble 1", DimgBlitOpaque, 5, 1, {0, 0, 0}, Word(0), 0x10, Word(0x1000)},
      {"alpha 0x0F is nibble 0", DimgBlitOpaque, 5, 1, {0, 0, 0}, Word(0xFFFF), 0x0F,
       Word(0x0000)},
      {"alpha 0x40 is nibble 4", DimgBlitOpaque, 5, 1, {0, 0, 0}, Word(0), 0x40, Word(0x4000)},
      {"1555 onto 1555 keeps 15 bits", DimgBlitOpaque, 4, 4, Word(0x1234), Word(0), 255,
       Word(0x9234)},
      {"4444 onto 4444 keeps 12 bits", DimgBlitOpaque, 5, 5, Word(0xF123), Word(0), 0x3C,
       Word(0x3123)},
      {"565 onto 565 copies the word", DimgBlitOpaque, 6, 6, Word(0x0020), Word(0), 255,
       Word(0x0020)},
      {"565 into 1555 drops green's low bit", DimgBlitOpaque, 4, 6, Word(0x0020), Word(0), 255,
       Word(0x8000)},
      {"no alpha in the destination", DimgBlitOpaque, 1, 0, {1, 2, 3, 4}, {0, 0, 0}, 0x00,
       {1, 2, 3}},
      {"colour keeps alpha byte", DimgBlitColor, 0, 1, {1, 2, 3}, {9, 9, 9, 0x42}, 0,
       {1, 2, 3, 0x42}},
      {"colour keeps the 1555 bit", DimgBlitColor, 4, 6, Word(0xFFFF), Word(0x8000), 0,
       Word(0xFFFF)},
      {"colour keeps the 4444 nibble", DimgBlitColor, 5, 0, {0xFF, 0xFF, 0xFF, 0}, Word(0x7000),
       0, Word(0x7FFF)},
      {"colour 565 onto 565 copies the word", DimgBlitColor, 6, 6, Word(0x07E0), Word(0), 0,
       Word(0x07E0)},
      {"colour 1555 into 565 clears bit 5", DimgBlitColor, 6, 4, Word(0x7FFF), Word(0), 0,
       Word(0xFFDF)},
      {"blit: 1555 alpha becomes nibble 8", DimgBlit, 5, 4, Word(0x8000), Word(0), 0,
       Word(0x8000)},
      {"blit: 1555 alpha becomes 255", DimgBlit, 0, 4, Word(0x8000), {1, 2, 3, 4}, 0,
       {0, 0, 0, 0xFF}},
  };
  for (const Golden& c : cases) {
    const std::string what = std::string(c.what) + " (" + std::to_string(c.d) + " <- " +
                             std::to_string(c.s) + ")";
    dbtl::DImage src, dst;
    ASSERT_TRUE(src.CreateDefaultPitch(1, 1, c.s));
    ASSERT_TRUE(dst.CreateDefaultPitch(1, 1, c.d));
    ASSERT_EQ(c.src.size(), imgtest::RefBytes(c.s)) << what;
    ASSERT_EQ(c.before.size(), imgtest::RefBytes(c.d)) << what;
    std::memcpy(src.GetBits(), c.src.data(), c.src.size());
    std::memcpy(dst.GetBits(), c.before.data(), c.before.size());
    c.run(dst, 1, 1, src, 1, 1, c.constant, 0);
    EXPECT_EQ(Bytes(dst.GetBits(), dst.GetBits() + c.after.size()), c.after) << what;
  }
}

// The texture loader's two-picture road: a kind-2 texture gets its colour from one picture and
// its alpha from the green of a grey picture, stretched, and neither copy undoes the other.
TEST_F(CopyFamilies, ColourThenAlphaBuildsATexture) {
  imgtest::TestImage colour(1, 2, 2, 0, RowOrder::TopDown);
  imgtest::TestImage grey(0, 1, 1, 0, RowOrder::BottomUp);
  imgtest::TestImage texture(2, 4, 4, 4, RowOrder::TopDown);
  for (uint32_t y = 0; y < 2; ++y) {
    for (uint32_t x = 0; x < 2; ++x) {
      const uint8_t rgb[3] = {uint8_t(10 * x), uint8_t(10 * y), 200};
      std::memcpy(colour.Pixel(x, y), rgb, 3);
    }
  }
  const uint8_t level[4] = {0x33, 0x99, 0x33, 0x00};  // green 0x99, its own alpha 0
  std::memcpy(grey.Pixel(0, 0), level, 4);
  DimgBlitColor(*texture.image, 4, 4, *colour.image, 2, 2, 0, 0);
  DimgBlitAlpha(*texture.image, 4, 4, *grey.image, 1, 1, 0, 0);
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 0; x < 4; ++x) {
      const Bytes expected = {200, uint8_t(10 * (y / 2)), uint8_t(10 * (x / 2)), 0x99};
      EXPECT_EQ(Bytes(texture.Pixel(x, y), texture.Pixel(x, y) + 4), expected) << x << "," << y;
    }
  }
}

}  // namespace
