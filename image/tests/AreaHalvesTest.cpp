#include "image/resample/AreaHalves.h"

#include "image/resample/ResampleAxis.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

std::vector<DimgHalveLevel> SupportedLevels() {
  std::vector<DimgHalveLevel> levels{DimgHalveLevel::Sse2};
  if (DimgHalveLevelSupported(DimgHalveLevel::Avx2)) {
    levels.push_back(DimgHalveLevel::Avx2);
  } else {
    std::printf("this processor lacks AVX2: only the SSE2 kernels are checked\n");
  }
  return levels;
}

const char* LevelName(DimgHalveLevel level) {
  return level == DimgHalveLevel::Sse2 ? " (SSE2)" : " (AVX2)";
}

// A heap block whose last `bytes` bytes are the row, `lead` bytes in: reads or writes past the
// row leave the allocation (the address sanitizer reports them), and rows start unaligned.
struct Block {
  Block(std::size_t leadIn, std::size_t bytes, std::mt19937& rng)
      : lead(leadIn), size(leadIn + bytes), data(std::make_unique<uint8_t[]>(size)) {
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(rng());
  }
  uint8_t* Row() const { return data.get() + lead; }
  std::vector<uint8_t> All() const { return {data.get(), data.get() + size}; }

  std::size_t lead, size;
  std::unique_ptr<uint8_t[]> data;
};

// Both kernels at every level, every length up to a few vectors past the widest, at several
// alignments: each output byte the truncated mean of its two inputs, the bytes before the row
// unchanged. Width 0 touches nothing (null rows would crash).
TEST(AreaHalves, KernelsGiveTheTruncatedMeanAtEveryLevel) {
  std::mt19937 rng(5);
  for (DimgHalveLevel level : SupportedLevels()) {
    const DimgHalveKernels& k = DimgHalveAt(level);
    k.pairs(nullptr, nullptr, 0);
    k.rows(nullptr, nullptr, nullptr, 0);
    for (uint32_t width = 1; width <= 40; ++width) {
      Block in(width % 4, std::size_t{width} * 8, rng);
      Block out((width / 4) % 4, std::size_t{width} * 4, rng);
      std::vector<uint8_t> expected = out.All();
      for (std::size_t i = 0; i < std::size_t{width} * 4; ++i) {
        const std::size_t pixel = i / 4, channel = i % 4;
        expected[out.lead + i] = static_cast<uint8_t>(
            (in.Row()[pixel * 8 + channel] + in.Row()[pixel * 8 + 4 + channel]) >> 1);
      }
      k.pairs(out.Row(), in.Row(), width);
      ASSERT_EQ(out.All(), expected) << "pairs, width " << width << LevelName(level);

      const uint32_t bytes = width * 4 - width % 3;
      Block a(width % 3, bytes, rng), b(width % 5, bytes, rng), mean(width % 7, bytes, rng);
      expected = mean.All();
      for (uint32_t i = 0; i < bytes; ++i) {
        expected[mean.lead + i] = static_cast<uint8_t>((a.Row()[i] + b.Row()[i]) >> 1);
      }
      k.rows(mean.Row(), a.Row(), b.Row(), bytes);
      ASSERT_EQ(mean.All(), expected) << "rows, " << bytes << " bytes" << LevelName(level);
    }
  }
}

// The halving test agrees with the footprints the general area pass would use: two whole
// samples per output, nothing of a third.
TEST(AreaHalves, HalvingIsExactlyTheTwoSampleFootprint) {
  struct Case {
    uint32_t src, dst;
    bool halving;
  };
  const Case cases[] = {{2, 1, true},    {34, 17, true}, {4096, 2048, true}, {35, 17, false},
                        {33, 17, false}, {6, 2, false},  {2, 0, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(DimgAreaIsHalving(c.src, c.dst), c.halving) << c.src << " onto " << c.dst;
    if (!c.halving || c.dst == 0) {
      continue;
    }
    const std::vector<DimgAreaSpan> spans = DimgAreaSpans(c.src, c.dst);
    for (uint32_t k = 0; k < c.dst; ++k) {
      const DimgAreaSpan& s = spans[k];
      EXPECT_TRUE(s.first == 2 * k && s.firstWeight == 256 && s.endWeight == 0 &&
                  (s.end == 2 * k + 2 || (k + 1 == c.dst && s.end == c.src)))
          << c.src << " onto " << c.dst << ", output " << k;
      EXPECT_EQ(s.divisor.Divide(256 * 255 + 256 * 254), 254u) << c.src << " onto " << c.dst;
    }
  }
}

}  // namespace
