#include "image/RowConvert.h"

#include "image/NearestStep.h"
#include "image/tests/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using imgtest::TestImage;
using imgtest::RowOrder;

std::vector<uint32_t> Steps(uint32_t s, uint32_t d) {
  std::vector<uint32_t> out;
  DimgNearestStep step(s, d);
  for (uint32_t i = 0; i < d; ++i) {
    out.push_back(step.Index());
    step.Advance();
  }
  return out;
}

struct StepCase {
  uint32_t s, d;
  std::vector<uint32_t> indices;
};

TEST(NearestStep, WorkedTables) {
  const StepCase cases[] = {
      {2, 6, {0, 0, 1, 1, 1, 1}},
      {2, 3, {0, 1, 1}},
      {3, 4, {0, 1, 1, 2}},
      {7, 9, {0, 1, 2, 2, 3, 4, 5, 5, 6}},
      {4, 2, {0, 2}},
      {4, 3, {0, 1, 3}},
      {5, 3, {0, 2, 3}},
      {10, 4, {0, 2, 5, 7}},
      {3, 1, {0}},
      {2, 4, {0, 0, 1, 1}},
      {3, 2, {0, 1}},
      {5, 2, {0, 2}},
      {3, 5, {0, 1, 1, 2, 2}},
      {1, 3, {0, 0, 0}},
      {6, 12, {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5}},
      {10, 15, {0, 1, 1, 2, 3, 3, 4, 5, 5, 6, 7, 7, 8, 9, 9}},
  };
  for (const StepCase& c : cases) {
    EXPECT_EQ(Steps(c.s, c.d), c.indices) << c.s << " -> " << c.d;
  }
  const std::vector<uint32_t> begin640 = {0, 1, 3, 4, 5, 7, 8, 9};
  const auto all640 = Steps(640, 480);
  EXPECT_EQ(std::vector<uint32_t>(all640.begin(), all640.begin() + 8), begin640);
}

// d·S/D rounded to nearest with halves down, never past S - 1, for every small pair of lengths.
TEST(NearestStep, MatchesClosedForm) {
  for (uint32_t s = 1; s <= 40; ++s) {
    for (uint32_t d = 1; d <= 40; ++d) {
      const auto got = Steps(s, d);
      for (uint32_t i = 0; i < d; ++i) {
        ASSERT_EQ(got[i], imgtest::RefStretchIndex(s, d, i)) << s << " -> " << d << " at " << i;
      }
    }
  }
}

class RowConvert : public ::testing::Test {
 protected:
  void SetUp() override { imgtest::EnsureYCbCrTables(); }
};

// Every pair, every combination of row orders: a random 5 x 3 source converted into a
// destination whose pixels and padding start out random/poisoned. The reference model gives
// each pixel; everything else of the destination buffer must be as it was.
TEST_F(RowConvert, AllPairsMatchReferenceModel) {
  std::mt19937 rng(11);
  const RowOrder orders[] = {RowOrder::TopDown, RowOrder::BottomUp};
  imgtest::ForEachPair([&](auto dk, auto sk) {
    constexpr uint32_t D = dk(), S = sk();
    for (RowOrder dOrder : orders) {
      for (RowOrder sOrder : orders) {
        TestImage src(S, 5, 3, 3, sOrder);
        TestImage dst(D, 5, 3, 5, dOrder);
        ASSERT_TRUE(src.created && dst.created);
        src.FillPixels(rng);
        dst.FillPixels(rng);
        std::vector<uint8_t> expected = dst.Memory();
        for (uint32_t y = 0; y < 3; ++y) {
          for (uint32_t x = 0; x < 5; ++x) {
            imgtest::RefConvert(D, S, src.Pixel(x, y), expected.data() + dst.Offset(x, y));
          }
        }
        const std::vector<uint8_t> srcBefore = src.Memory();
        DimgConvertRows<D, S>(dst.Bits(), *dst.image, src.Bits(), *src.image, 5, 3, 0xEE);
        EXPECT_EQ(dst.Memory(), expected)
            << D << " <- " << S << " orders " << int(dOrder) << int(sOrder);
        EXPECT_EQ(src.Memory(), srcBefore) << D << " <- " << S;
      }
    }
  });
}

TEST_F(RowConvert, ZeroHeightOrWidthWritesNothing) {
  TestImage src(0, 4, 2, 0, RowOrder::TopDown);
  TestImage dst(0, 4, 2, 0, RowOrder::BottomUp);
  std::mt19937 rng(3);
  src.FillPixels(rng);
  const auto before = dst.Memory();
  DimgConvertRows<2, 0>(dst.Bits(), *dst.image, src.Bits(), *src.image, 4, 0, 0);
  DimgConvertRows<2, 0>(dst.Bits(), *dst.image, src.Bits(), *src.image, 0, 2, 0);
  DimgConvertRows<0, 0>(dst.Bits(), *dst.image, src.Bits(), *src.image, 0, 2, 0);
  EXPECT_EQ(dst.Memory(), before);
}

// Every pair: a row stretched up and down against the reference model and the closed-form
// stepping; the bytes after the last written pixel stay poisoned.
TEST_F(RowConvert, StretchRowAllPairs) {
  std::mt19937 rng(5);
  struct Lengths {
    uint32_t s, d;
  };
  const Lengths lengths[] = {{2, 6}, {7, 3}, {3, 5}, {1, 4}, {4, 4}};
  imgtest::ForEachPair([&](auto dk, auto sk) {
    constexpr uint32_t D = dk(), S = sk();
    for (const Lengths& l : lengths) {
      TestImage src(S, l.s, 1, 0, RowOrder::TopDown);
      TestImage dst(D, l.d, 1, 6, RowOrder::TopDown);
      src.FillPixels(rng);
      dst.FillPixels(rng);
      std::vector<uint8_t> expected = dst.Memory();
      for (uint32_t x = 0; x < l.d; ++x) {
        imgtest::RefConvert(D, S, src.Pixel(imgtest::RefStretchIndex(l.s, l.d, x), 0),
                            expected.data() + dst.Offset(x, 0));
      }
      DimgStretchRow<D, S>(dst.Bits(), src.Bits(), l.s, l.d, 0x11);
      EXPECT_EQ(dst.Memory(), expected) << D << " <- " << S << ", " << l.s << " -> " << l.d;
    }
  });
}

TEST_F(RowConvert, StretchRowWithAnEmptySideWritesNothing) {
  TestImage src(7, 3, 1, 0, RowOrder::TopDown);
  TestImage dst(7, 3, 1, 0, RowOrder::TopDown);
  const auto before = dst.Memory();
  DimgStretchRow<7, 7>(dst.Bits(), src.Bits(), 3, 0, 0);
  DimgStretchRow<7, 7>(dst.Bits(), src.Bits(), 0, 3, 0);
  EXPECT_EQ(dst.Memory(), before);
}

}  // namespace
