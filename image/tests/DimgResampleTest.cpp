#include "image/resample/DimgResample.h"

#include "image/DImage.h"
#include "image/resample/DimgResampleMip.h"
#include "image/tests/DimgResampleModel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

namespace {

using imgtest::CopyShape;
using imgtest::ExactImage;
using imgtest::RowOrder;
using imgtest::TestImage;

std::vector<uint8_t> Repeat(const std::vector<uint8_t>& pixel, uint32_t count) {
  std::vector<uint8_t> out;
  for (uint32_t i = 0; i < count; ++i) out.insert(out.end(), pixel.begin(), pixel.end());
  return out;
}

// Results the rules give for particular kinds and sizes; 16-bit words are written as their
// little-endian bytes.
TEST(DimgResample, KindResults) {
  imgtest::ExpectKindCases(DimgResample, {
      {"2 x 1 onto 4 x 1", 0, 0, 2, 1, {0, 10, 255, 200, 255, 20, 0, 100}, 4, 1,
       {0, 10, 255, 200, 127, 15, 127, 150, 255, 20, 0, 100, 255, 20, 0, 100}},
      {"2 x 2 onto 2 x 4: rows 0, half-way, 1, 1", 0, 0, 2, 2,
       {0, 100, 200, 255, 50, 60, 70, 80, /**/ 255, 0, 100, 0, 90, 60, 30, 0}, 2, 4,
       {0, 100, 200, 255, 50, 60, 70, 80, /**/ 127, 50, 150, 127, 70, 60, 50, 40,
        /**/ 255, 0, 100, 0, 90, 60, 30, 0, /**/ 255, 0, 100, 0, 90, 60, 30, 0}},
      {"kind 1 stretched onto kind 0: alpha 255", 0, 1, 2, 1, {1, 2, 3, 4, 5, 6}, 3, 2,
       {1, 2, 3, 255, 2, 3, 4, 255, 4, 5, 6, 255, 1, 2, 3, 255, 2, 3, 4, 255, 4, 5, 6, 255}},
      {"kind 1 shrunk 3 onto 2: output 0 has alpha 254", 0, 1, 3, 1, Repeat({9, 9, 9}, 3), 2, 1,
       {8, 8, 8, 254, 9, 9, 9, 255}},
      {"kind 1 shrunk 4 onto 2: alpha 255", 0, 1, 4, 1, Repeat({8, 8, 8}, 4), 2, 1,
       Repeat({8, 8, 8, 255}, 2)},
      {"kind 5 words 0xFFFF onto kind 0: every byte 240", 0, 5, 2, 2, Repeat({0xFF, 0xFF}, 4), 3,
       3, Repeat({240, 240, 240, 240}, 9)},
      {"kind 6 words 0x07E0 stretched: green bit 5 cleared", 6, 6, 2, 1, Repeat({0xE0, 0x07}, 2),
       3, 2, Repeat({0xC0, 0x07}, 6)},
      {"kind 4 alpha bits 0, 1 onto 4: blended alpha 127 stays 0", 4, 4, 2, 1,
       {0x00, 0x00, 0x00, 0x80}, 4, 1, {0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x80}},
      {"kind 4 opaque onto kind 5 resampled: alpha nibble 15", 5, 4, 2, 1, Repeat({0x00, 0x80}, 2),
       4, 1, Repeat({0x00, 0xF0}, 4)},
      {"kind 7 black through R, G, B", 7, 7, 2, 2, Repeat({0, 0, 0}, 4), 3, 3,
       Repeat({79, 71, 83}, 9)},
      {"kind 7 onto kind 0: decoded before filtering", 0, 7, 2, 1, {76, 255, 84, 76, 255, 84}, 3,
       1, Repeat({254, 0, 0, 255}, 3)},
      {"kind 0 onto kind 7: encoded after filtering", 7, 0, 1, 2, {255, 0, 0, 0, 255, 0, 0, 9},
       1, 3, {76, 255, 84, 76, 255, 84, 76, 255, 84}},
  });
}

// Equal sizes are converted, not filtered: 5 <- 4 keeps the alpha nibble 8 and 6 <- 6 the
// green bit 5, unlike the resampled pixels above.
TEST(DimgResample, EqualSizesAreConverted) {
  imgtest::ExpectKindCases(DimgResample, {
      {"5 <- 4", 5, 4, 2, 1, Repeat({0x00, 0x80}, 2), 2, 1, Repeat({0x00, 0x80}, 2)},
      {"6 <- 6", 6, 6, 2, 1, Repeat({0xE0, 0x07}, 2), 2, 1, Repeat({0xE0, 0x07}, 2)},
  });
}

const CopyShape kShapes[] = {
    {"stretch both", 3, 2, 7, 5, 7, 5, 3, 2},
    {"shrink both", 7, 5, 3, 2, 3, 2, 7, 5},
    {"stretch across, shrink down", 2, 6, 5, 4, 5, 4, 2, 6},
    {"equal widths, taller", 4, 3, 4, 7, 4, 7, 4, 3},
    {"equal sizes", 4, 3, 4, 3, 4, 3, 4, 3},
    {"requests beyond both images, equal after the clip", 5, 5, 3, 2, 8, 8, 8, 8},
    {"20 x 20 from 10 x 10 in 10 x 10 images: 5 x 5 onto 10 x 10", 10, 10, 10, 10, 20, 20, 10,
     10},
    {"source image smaller than the request", 2, 3, 6, 6, 6, 6, 6, 6},
    {"source width 0, destination beyond its image", 3, 3, 4, 4, 9, 9, 0, 3},
    {"source height 0", 3, 3, 4, 4, 4, 4, 3, 0},
    {"destination height 0", 3, 3, 4, 4, 4, 0, 3, 3},
    // Exactly half on an axis takes the vectorised halving; odd output widths leave a tail.
    {"halve both, 34 x 22 onto 17 x 11", 34, 22, 17, 11, 17, 11, 34, 22},
    {"halve across, shrink down by 3 / 2", 20, 9, 10, 6, 10, 6, 20, 9},
    {"shrink across by 3 / 2, halve down", 9, 20, 6, 10, 6, 10, 9, 20},
    {"halve across, grow down", 6, 3, 3, 5, 3, 5, 6, 3},
};

// Every pair of kinds, every shape, both row orders on either side, against the model: each
// destination byte outside the written rectangle keeps its value (the padding between rows
// included), and the byte arguments change nothing.
TEST(DimgResample, AllPairsMatchModel) {
  imgtest::EnsureYCbCrTables();
  std::mt19937 rng(11);
  const imgtest::FilterModel model = imgtest::RefResample;
  imgtest::ForEachPair([&](auto dk, auto sk) {
    const uint32_t d = dk, s = sk;
    for (const CopyShape& shape : kShapes) {
      for (RowOrder dstOrder : {RowOrder::TopDown, RowOrder::BottomUp}) {
        for (RowOrder srcOrder : {RowOrder::TopDown, RowOrder::BottomUp}) {
          const std::string what =
              "DimgResample " + std::to_string(d) + " <- " + std::to_string(s) + ", " +
              shape.what + (dstOrder == RowOrder::BottomUp ? ", bottom-up destination" : "") +
              (srcOrder == RowOrder::BottomUp ? ", bottom-up source" : "");
          TestImage src(s, shape.srcImageW, shape.srcImageH, 3, srcOrder);
          TestImage dst(d, shape.dstImageW, shape.dstImageH, 5, dstOrder);
          TestImage twin(d, shape.dstImageW, shape.dstImageH, 5, dstOrder);
          ASSERT_TRUE(src.created && dst.created && twin.created) << what;
          imgtest::ExpectFilterMatchesModel(DimgResample, model, dst, twin, src, shape,
                                            what, rng);
        }
      }
      // Exactly sized memory without padding: a pass that reads or writes one pixel too far
      // leaves the allocation.
      ExactImage src(s, shape.srcImageW, shape.srcImageH);
      ExactImage dst(d, shape.dstImageW, shape.dstImageH);
      ExactImage twin(d, shape.dstImageW, shape.dstImageH);
      imgtest::ExpectFilterMatchesModel(DimgResample, model, dst, twin, src, shape,
                                        "DimgResample exact " + std::string(shape.what), rng);
    }
  });
}

// An image that claims a kind and counts the dispatcher's EndAccess calls.
class ClaimingImage : public dbtl::DImage {
 public:
  ClaimingImage(uint32_t kind, uint32_t claimed) : claimed_(claimed) {
    EXPECT_TRUE(CreateDefaultPitch(4, 3, kind));
    std::memset(GetBuffer(), 0x3C, size_t{GetPitch()} * GetHeight());
  }
  uint32_t GetKind() const override { return claimed_; }
  void EndAccess() const override { ++endAccess; }
  std::vector<uint8_t> Memory() const {
    return std::vector<uint8_t>(GetBuffer(), GetBuffer() + size_t{GetPitch()} * GetHeight());
  }
  mutable int endAccess = 0;

 private:
  uint32_t claimed_;
};

// Both filtering dispatchers: a kind above 7 on either side writes nothing and skips
// EndAccess; valid kinds end with EndAccess on both images, also when the sizes leave nothing
// to write.
TEST(DimgResample, KindsAndEndAccess) {
  imgtest::EnsureYCbCrTables();
  struct Case {
    const char* what;
    uint32_t dstClaim, srcClaim, dstW;
    bool writes;
    int endAccess;
  };
  const Case cases[] = {
      {"valid kinds", 0, 1, 4, true, 1},
      {"destination width 0", 0, 1, 0, false, 1},
      {"destination kind 8", 8, 1, 4, false, 0},
      {"destination kind 0xFFFFFFFF", 0xFFFFFFFFu, 1, 4, false, 0},
      {"source kind 8", 0, 8, 4, false, 0},
  };
  const imgtest::Dispatcher dispatchers[] = {DimgResample, DimgResampleMip};
  for (imgtest::Dispatcher run : dispatchers) {
    for (const Case& c : cases) {
      const std::string what = std::string(run == DimgResample ? "DimgResample" : "DimgResampleMip") + ": " + c.what;
      ClaimingImage dst(0, c.dstClaim);
      ClaimingImage src(1, c.srcClaim);
      const std::vector<uint8_t> before = dst.Memory();
      run(dst, c.dstW, 3, src, 2, 2, 0, 0);
      EXPECT_EQ(dst.Memory() != before, c.writes) << what;
      EXPECT_EQ(dst.endAccess, c.endAccess) << what;
      EXPECT_EQ(src.endAccess, c.endAccess) << what;
    }
  }
}

// A temporary image whose size does not fit an image (65536 x 20000 x 4 bytes) cannot be
// allocated: the allocation failure is thrown before anything is written.
TEST(DimgResample, TemporaryThatCannotBeHadThrowsBeforeWriting) {
  imgtest::EnsureYCbCrTables();
  dbtl::DImage dst, src;
  ASSERT_TRUE(dst.CreateDefaultPitch(65536, 1, 6));
  ASSERT_TRUE(src.CreateDefaultPitch(1, 20000, 6));
  std::memset(dst.GetBuffer(), 0x11, dst.GetPitch());
  std::memset(src.GetBuffer(), 0x22, size_t{src.GetPitch()} * 20000);
  EXPECT_THROW(DimgResample(dst, 65536, 1, src, 1, 20000, 0, 0), std::bad_alloc);
  EXPECT_EQ(dst.GetBuffer()[0], 0x11);
  EXPECT_EQ(dst.GetBuffer()[65536 * 2 - 1], 0x11);
}

}  // namespace
