#include "image/FastRow.h"

#include "image/PixelConvert.h"
#include "image/RowConvert.h"
#include "image/YCbCrPacked.h"
#include "image/tests/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

using imgtest::RowOrder;
using imgtest::TestImage;

class FastRow : public ::testing::Test {
 protected:
  void SetUp() override {
    imgtest::EnsureYCbCrTables();
    // Without the packed tables the kind-7 rows would quietly take the pixel-by-pixel path and
    // the block code below would go untested.
    ASSERT_TRUE(DimgYCbCrPackedTables().ready);
  }
};

// SSE2 always; SSSE3 where this processor has it (the test says so when it has not).
std::vector<DimgRowLevel> SupportedLevels() {
  std::vector<DimgRowLevel> levels{DimgRowLevel::Sse2};
  if (DimgRowLevelSupported(DimgRowLevel::Ssse3)) {
    levels.push_back(DimgRowLevel::Ssse3);
  } else {
    std::printf("no SSSE3 here: only the SSE2 rows are checked\n");
  }
  return levels;
}

const char* LevelName(DimgRowLevel level) {
  return level == DimgRowLevel::Sse2 ? " (SSE2)" : " (SSSE3)";
}

// The pair's own pixel rule, one pixel at a time: what every row must equal byte for byte.
template <uint32_t D, uint32_t S>
void ScalarRow(uint8_t* dst, const uint8_t* src, uint32_t width) {
  for (uint32_t x = 0; x < width; ++x) {
    DimgConvertPixel<D, S>(src + x * DimgPixelKind<S>::kBytes, dst + x * DimgPixelKind<D>::kBytes);
  }
}

// A heap block of exactly `lead + bytes` bytes whose last `bytes` are the row, so that a read or
// write past the row's end leaves the allocation (the address sanitizer reports it) and the row
// starts at every alignment `lead` gives.
struct ExactRow {
  ExactRow(std::size_t leadIn, std::size_t bytes)
      : lead(leadIn), block(std::make_unique<uint8_t[]>(leadIn + bytes)), size(leadIn + bytes) {}
  uint8_t* Row() const { return block.get() + lead; }
  std::vector<uint8_t> All() const { return {block.get(), block.get() + size}; }

  std::size_t lead;
  std::unique_ptr<uint8_t[]> block;
  std::size_t size;
};

// Every pair, rows of 1 to 67 pixels (every position of the last partial block and several
// whole blocks) at four alignments of both rows: random source bytes, a destination that starts
// out random, and the bytes before the row left alone.
TEST_F(FastRow, EveryPairEveryLengthMatchesThePixelRule) {
  std::mt19937 rng(1234);
  imgtest::ForEachPair([&](auto dk, auto sk) {
    constexpr uint32_t D = dk(), S = sk();
    constexpr uint32_t kDstBytes = DimgPixelKind<D>::kBytes, kSrcBytes = DimgPixelKind<S>::kBytes;
    for (DimgRowLevel level : SupportedLevels()) {
      const DimgRowRoutine routine = DimgConvertRowRoutineAt(level, D, S);
      for (uint32_t width = 1; width <= 67; ++width) {
        const std::size_t srcLead = width % 4, dstLead = (width / 4) % 4;
        ExactRow src(srcLead, std::size_t{width} * kSrcBytes);
        ExactRow got(dstLead, std::size_t{width} * kDstBytes);
        for (std::size_t i = 0; i < src.size; ++i) src.block[i] = uint8_t(rng());
        for (std::size_t i = 0; i < got.size; ++i) got.block[i] = uint8_t(rng());
        std::vector<uint8_t> expected = got.All();
        ScalarRow<D, S>(expected.data() + dstLead, src.Row(), width);
        const std::vector<uint8_t> srcBefore = src.All();

        routine(got.Row(), src.Row(), width);
        ASSERT_EQ(got.All(), expected)
            << D << " <- " << S << ", width " << width << LevelName(level);
        ASSERT_EQ(src.All(), srcBefore)
            << D << " <- " << S << ", width " << width << LevelName(level);
      }
    }
  });
}

// Width 0 writes nothing and reads nothing (null rows would crash otherwise).
TEST_F(FastRow, ZeroWidthTouchesNothing) {
  for (DimgRowLevel level : SupportedLevels()) {
    imgtest::ForEachPair([&](auto dk, auto sk) {
      DimgConvertRowRoutineAt(level, dk(), sk())(nullptr, nullptr, 0);
    });
  }
}

// Every 24-bit colour through the kind-7 blocks both ways, against the table formulas pixel by
// pixel: an exhaustive check of the packed tables' lanes, biases and the clamps they replace.
TEST_F(FastRow, EveryColourThroughKind7) {
  constexpr uint32_t kRow = 1u << 16;
  std::vector<uint8_t> rgba(kRow * 4), ycc(kRow * 3), fast(kRow * 4), slow(kRow * 4);
  const DimgRowRoutine encode = DimgConvertRowRoutine(DImageKindYCrCb, DImageKindRGBA8);
  const DimgRowRoutine decode = DimgConvertRowRoutine(DImageKindRGBA8, DImageKindYCrCb);
  for (uint32_t high = 0; high < 256; ++high) {
    // Byte 0 runs through every value within a row, bytes 1 and 2 through every pair over the
    // rows; alpha varies too and must be dropped.
    for (uint32_t i = 0; i < kRow; ++i) {
      const uint8_t pixel[4] = {uint8_t(i), uint8_t(i >> 8), uint8_t(high), uint8_t(i * 7)};
      std::memcpy(&rgba[i * 4], pixel, 4);
      const uint8_t yccPixel[3] = {uint8_t(i), uint8_t(i >> 8), uint8_t(high)};
      std::memcpy(&ycc[i * 3], yccPixel, 3);
    }
    encode(fast.data(), rgba.data(), kRow);
    ScalarRow<DImageKindYCrCb, DImageKindRGBA8>(slow.data(), rgba.data(), kRow);
    ASSERT_TRUE(std::memcmp(fast.data(), slow.data(), kRow * 3) == 0) << "to kind 7, B " << high;
    decode(fast.data(), ycc.data(), kRow);
    ScalarRow<DImageKindRGBA8, DImageKindYCrCb>(slow.data(), ycc.data(), kRow);
    ASSERT_TRUE(std::memcmp(fast.data(), slow.data(), kRow * 4) == 0) << "from kind 7, Cb " << high;
  }
}

// Tables whose sums could leave what a 16-bit lane holds, or need a clamp, are refused; the
// kind-7 rows then convert pixel by pixel.
TEST(YCbCrPacked, RefusesTablesTheLanesCannotCarry) {
  imgtest::EnsureYCbCrTables();
  struct Case {
    const char* what;
    void (*doctor)(DimgYCbCrTableSet&);
  };
  const Case cases[] = {
      {"as filled", [](DimgYCbCrTableSet&) {}},
      {"a Y sum above 255 x 128", [](DimgYCbCrTableSet& t) { t.GY[255] += 200; }},
      {"a negative Y share", [](DimgYCbCrTableSet& t) { t.RY[0] = -1; }},
      {"a Cr sum below -128 x 128", [](DimgYCbCrTableSet& t) { t.GCr[255] -= 100; }},
      {"an R offset too wide", [](DimgYCbCrTableSet& t) { t.CrR[255] = 400; }},
      {"a G offset too wide", [](DimgYCbCrTableSet& t) { t.CbG[0] = 60000; }},
  };
  for (const Case& c : cases) {
    DimgYCbCrTableSet tables = DimgYCbCrTables();
    c.doctor(tables);
    auto packed = std::make_unique<DimgYCbCrPacked>();
    DimgBuildYCbCrPacked(tables, *packed);
    EXPECT_EQ(packed->ready, c.doctor == cases[0].doctor) << c.what;
  }
}

// The block conversion under both row orders and with pitch padding: several rows of widths
// around the block size, each pixel as the reference model gives it, the padding untouched.
TEST_F(FastRow, RowsOfBothOrdersAroundTheBlockSize) {
  std::mt19937 rng(99);
  const RowOrder orders[] = {RowOrder::TopDown, RowOrder::BottomUp};
  const uint32_t widths[] = {7, 8, 9, 16, 17, 31};
  imgtest::ForEachPair([&](auto dk, auto sk) {
    constexpr uint32_t D = dk(), S = sk();
    for (uint32_t width : widths) {
      for (RowOrder dOrder : orders) {
        for (RowOrder sOrder : orders) {
          TestImage src(S, width, 3, 1, sOrder);
          TestImage dst(D, width, 3, 3, dOrder);
          ASSERT_TRUE(src.created && dst.created);
          src.FillPixels(rng);
          dst.FillPixels(rng);
          std::vector<uint8_t> expected = dst.Memory();
          for (uint32_t y = 0; y < 3; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
              imgtest::RefConvert(D, S, src.Pixel(x, y), expected.data() + dst.Offset(x, y));
            }
          }
          DimgConvertRows<D, S>(dst.Bits(), *dst.image, src.Bits(), *src.image, width, 3, 0);
          ASSERT_EQ(dst.Memory(), expected) << D << " <- " << S << ", width " << width;
        }
      }
    }
  });
}

}  // namespace
