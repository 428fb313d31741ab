#include "image/FastRow.h"

#include "image/PixelConvert.h"
#include "image/RowConvert.h"
#include "image/YCbCr.h"
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
    // Without the vector rule the kind-7 rows would quietly take the pixel-by-pixel path and
    // the block code below would go untested.
    ASSERT_TRUE(DimgYCbCrVectorReady());
  }
};

const char* LevelName(DimgRowLevel level) {
  switch (level) {
    case DimgRowLevel::Sse2:
      return " (SSE2)";
    case DimgRowLevel::Ssse3:
      return " (SSSE3)";
    case DimgRowLevel::Avx2:
      return " (AVX2)";
    case DimgRowLevel::Avx512:
      return " (AVX-512)";
  }
  return "";
}

// SSE2 always; SSSE3, AVX2 and AVX-512 where this processor has them (the test says which it
// skips).
std::vector<DimgRowLevel> SupportedLevels() {
  std::vector<DimgRowLevel> levels{DimgRowLevel::Sse2};
  for (DimgRowLevel level : {DimgRowLevel::Ssse3, DimgRowLevel::Avx2, DimgRowLevel::Avx512}) {
    if (DimgRowLevelSupported(level)) {
      levels.push_back(level);
    } else {
      std::printf("this processor lacks%s: those rows are not checked\n", LevelName(level));
    }
  }
  return levels;
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
    imgtest::ForEachPair(
        [&](auto dk, auto sk) { DimgConvertRowRoutineAt(level, dk(), sk())(nullptr, nullptr, 0); });
  }
}

// Every 24-bit colour through the kind-7 blocks both ways at every level, against the table
// formulas pixel by pixel: an exhaustive check of the computed shares, sums and clamps.
TEST_F(FastRow, EveryColourThroughKind7) {
  constexpr uint32_t kRow = 1u << 16;
  std::vector<uint8_t> rgba(kRow * 4), ycc(kRow * 3), fast(kRow * 4), slow(kRow * 4);
  for (DimgRowLevel level : SupportedLevels()) {
    const DimgRowRoutine encode = DimgConvertRowRoutineAt(level, DImageKindYCrCb, DImageKindRGBA8);
    const DimgRowRoutine decode = DimgConvertRowRoutineAt(level, DImageKindRGBA8, DImageKindYCrCb);
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
      ASSERT_TRUE(std::memcmp(fast.data(), slow.data(), kRow * 3) == 0)
          << "to kind 7, B " << high << LevelName(level);
      decode(fast.data(), ycc.data(), kRow);
      ScalarRow<DImageKindRGBA8, DImageKindYCrCb>(slow.data(), ycc.data(), kRow);
      ASSERT_TRUE(std::memcmp(fast.data(), slow.data(), kRow * 4) == 0)
          << "from kind 7, Cb " << high << LevelName(level);
    }
  }
}

// Kind 7 onto kind 7 decodes and encodes again in the registers: every Y, Cr, Cb triple at every
// level against the pixel rule (which goes through R, G, B with the tables).
TEST_F(FastRow, EveryTripleKind7OntoKind7) {
  constexpr uint32_t kRow = 1u << 16;
  std::vector<uint8_t> ycc(kRow * 3), fast(kRow * 3), slow(kRow * 3);
  for (DimgRowLevel level : SupportedLevels()) {
    const DimgRowRoutine routine = DimgConvertRowRoutineAt(level, DImageKindYCrCb, DImageKindYCrCb);
    for (uint32_t cb = 0; cb < 256; ++cb) {
      for (uint32_t i = 0; i < kRow; ++i) {
        const uint8_t pixel[3] = {uint8_t(i), uint8_t(i >> 8), uint8_t(cb)};
        std::memcpy(&ycc[i * 3], pixel, 3);
      }
      routine(fast.data(), ycc.data(), kRow);
      ScalarRow<DImageKindYCrCb, DImageKindYCrCb>(slow.data(), ycc.data(), kRow);
      ASSERT_TRUE(std::memcmp(fast.data(), slow.data(), kRow * 3) == 0)
          << "Cb " << cb << LevelName(level);
    }
  }
}

// The sanitizer build runs the exhaustive checks below on a sample of the inputs.
#if defined(__SANITIZE_ADDRESS__)
constexpr uint32_t kExhaustiveStep = 31;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr uint32_t kExhaustiveStep = 31;
#else
constexpr uint32_t kExhaustiveStep = 1;
#endif
#else
constexpr uint32_t kExhaustiveStep = 1;
#endif

// Kind 7 onto every other kind: every Y, Cr, Cb triple at every level against the pixel rule, so
// that each kind's clamps and stores meet the extreme R, G and B values.
TEST_F(FastRow, EveryTripleFromKind7OntoEveryKind) {
  constexpr uint32_t kRow = 1u << 16;
  std::vector<uint8_t> ycc(kRow * 3), fast(kRow * 4), slow(kRow * 4);
  const std::vector<DimgRowLevel> levels = SupportedLevels();
  auto check = [&](auto dk) {
    constexpr uint32_t D = dk();
    constexpr uint32_t kBytes = DimgPixelKind<D>::kBytes;
    for (uint32_t cb = 0; cb < 256; cb += kExhaustiveStep) {
      for (uint32_t i = 0; i < kRow; ++i) {
        const uint8_t pixel[3] = {uint8_t(i), uint8_t(i >> 8), uint8_t(cb)};
        std::memcpy(&ycc[i * 3], pixel, 3);
      }
      ScalarRow<D, DImageKindYCrCb>(slow.data(), ycc.data(), kRow);
      for (DimgRowLevel level : levels) {
        DimgConvertRowRoutineAt(level, D, DImageKindYCrCb)(fast.data(), ycc.data(), kRow);
        ASSERT_TRUE(std::memcmp(fast.data(), slow.data(), kRow * kBytes) == 0)
            << D << " <- 7, Cb " << cb << LevelName(level);
      }
    }
  };
  check(std::integral_constant<uint32_t, DImageKindRGB8>{});
  check(std::integral_constant<uint32_t, DImageKindBGRA8>{});
  check(std::integral_constant<uint32_t, DImageKindBGR8>{});
  check(std::integral_constant<uint32_t, DImageKindA1R5G5B5>{});
  check(std::integral_constant<uint32_t, DImageKindA4R4G4B4>{});
  check(std::integral_constant<uint32_t, DImageKindR5G6B5>{});
}

// Every word of each 16-bit kind to kind 7 at every level, the row starting at an odd address.
TEST_F(FastRow, EveryWordOfThe16BitKindsToKind7) {
  constexpr uint32_t kRow = 1u << 16;
  ExactRow src(1, kRow * 2);
  for (uint32_t i = 0; i < kRow; ++i) {
    src.Row()[2 * i] = uint8_t(i);
    src.Row()[2 * i + 1] = uint8_t(i >> 8);
  }
  std::vector<uint8_t> fast(kRow * 3), slow(kRow * 3);
  auto check = [&](auto sk) {
    constexpr uint32_t S = sk();
    ScalarRow<DImageKindYCrCb, S>(slow.data(), src.Row(), kRow);
    for (DimgRowLevel level : SupportedLevels()) {
      DimgConvertRowRoutineAt(level, DImageKindYCrCb, S)(fast.data(), src.Row(), kRow);
      ASSERT_EQ(fast, slow) << "7 <- " << S << LevelName(level);
    }
  };
  check(std::integral_constant<uint32_t, DImageKindA1R5G5B5>{});
  check(std::integral_constant<uint32_t, DImageKindA4R4G4B4>{});
  check(std::integral_constant<uint32_t, DImageKindR5G6B5>{});
}

// The rows in use are those of the widest level this processor has, never of one it lacks.
TEST(FastRowDispatch, TakesTheWidestLevelTheProcessorHas) {
  // The AVX-512 rows run the AVX2 ones for the pairs without kind 7.
  EXPECT_TRUE(!DimgRowLevelSupported(DimgRowLevel::Avx512) ||
              DimgRowLevelSupported(DimgRowLevel::Avx2));
  DimgRowLevel widest = DimgRowLevel::Sse2;
  for (DimgRowLevel level : {DimgRowLevel::Ssse3, DimgRowLevel::Avx2, DimgRowLevel::Avx512}) {
    if (DimgRowLevelSupported(level)) {
      widest = level;
    }
  }
  for (uint32_t d = 0; d < 8; ++d) {
    for (uint32_t s = 0; s < 8; ++s) {
      EXPECT_EQ(DimgConvertRowRoutine(d, s), DimgConvertRowRoutineAt(widest, d, s))
          << d << " <- " << s << LevelName(widest);
    }
  }
}

// The float and the integer rules are taken only for tables they reproduce entry for entry: one
// entry off by one anywhere, forward or backward, refuses both (and the kind-7 rows then go pixel
// by pixel).
TEST(YCbCrVector, RuleHoldsOnlyForTheTablesItReproduces) {
  imgtest::EnsureYCbCrTables();
  struct Case {
    const char* what;
    void (*doctor)(DimgYCbCrTableSet&);
  };
  const Case cases[] = {
      {"as filled", [](DimgYCbCrTableSet&) {}},
      {"a forward entry", [](DimgYCbCrTableSet& t) { t.GY[200] += 1; }},
      {"the first forward entry", [](DimgYCbCrTableSet& t) { t.RCr[0] = -1; }},
      {"a backward entry", [](DimgYCbCrTableSet& t) { t.CbG[255] -= 1; }},
      {"the rounded half", [](DimgYCbCrTableSet& t) { t.CbB[3] = -221; }},
  };
  for (const Case& c : cases) {
    auto tables = std::make_unique<DimgYCbCrTableSet>(DimgYCbCrTables());
    c.doctor(*tables);
    EXPECT_EQ(DimgYCbCrVectorRuleHolds(*tables), c.doctor == cases[0].doctor) << c.what;
    EXPECT_EQ(DimgYCbCrIntegerRuleHolds(*tables), c.doctor == cases[0].doctor) << c.what;
  }
}

// Rows that convert kind 7 before the tables exist go pixel by pixel through the (zero) tables,
// as the pixel rule does, rather than computing colours the tables do not hold.
TEST(YCbCrVector, RowsFollowTheTablesWhileTheRuleIsOff) {
  imgtest::EnsureYCbCrTables();
  std::vector<uint8_t> src(16 * 4, 77), fast(16 * 3), slow(16 * 3), asFilled(16 * 3);
  ScalarRow<DImageKindYCrCb, DImageKindRGBA8>(asFilled.data(), src.data(), 16);
  const bool saved = dimg_detail::ycbcrVectorReady;
  dimg_detail::ycbcrVectorReady = false;
  DimgYCbCrTableSet& tables = dimg_detail::ycbcrTables;
  const int32_t savedEntry = tables.RY[77];
  tables.RY[77] += 128;  // one more Y for every pixel with R = 77
  ScalarRow<DImageKindYCrCb, DImageKindRGBA8>(slow.data(), src.data(), 16);
  ASSERT_NE(slow, asFilled);
  for (DimgRowLevel level : SupportedLevels()) {
    DimgConvertRowRoutineAt(level, DImageKindYCrCb, DImageKindRGBA8)(fast.data(), src.data(), 16);
    EXPECT_EQ(fast, slow) << LevelName(level);
  }
  tables.RY[77] = savedEntry;
  dimg_detail::ycbcrVectorReady = saved;
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
