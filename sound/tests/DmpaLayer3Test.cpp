#include "sound/mpeg/DmpaLayers.h"

#include "MpegTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct LimitCase {
  const char* options;
  int rate;
  int huffman, longLimit, shortLimit;
};

// With the cut-off at the sample rate, 31 subbands are decoded: MPEG-1 stops at line 558, and
// MPEG-2 at 22.05 kHz decodes up to 8 lines past the start of its last long band.
TEST(DmpaLayer3, LineLimitsAtStreamStart) {
  const LimitCase cases[] = {{"-m j -b 128", 44100, 558, 558, 558},
                             {"-m j -b 64 --resample 22.05", 22050, 530, 522, 522},
                             {"-m j -b 64 --resample 24", 24000, 548, 540, 540},
                             {"-m m -b 16 --resample 8", 8000, 558, 558, 498}};
  for (const auto& c : cases) {
    const auto bytes = mpegtest::ReadFile(mpegtest::Encode(
        "lame", c.options, mpegtest::MakeSignal(c.rate, 2, 0.3), std::string("limits_") + std::to_string(c.rate) + ".mp3"));
    auto ctx = mpegtest::NewDecoder();
    ctx->cutoff = c.rate;
    ASSERT_EQ(DmpaStartStream(ctx.get(), bytes.data(), bytes.size()), 1);
    EXPECT_EQ(ctx->l3.huffmanLimit, c.huffman) << c.rate;
    EXPECT_EQ(ctx->l3.longLimit, c.longLimit) << c.rate;
    EXPECT_EQ(ctx->l3.shortLimit, c.shortLimit) << c.rate;
    EXPECT_EQ(ctx->l3.hybridSubbands, (c.huffman + 17) / 18);
  }
}

// Side information with random bits (lengths, big_values, region counts, tables, block types,
// main_data_begin) in every frame of real streams: each frame still consumes exactly its length
// and writes its PCM size, and no read leaves the frame or the reservoir (the sanitizer
// configuration checks the memory accesses).
TEST(DmpaLayer3, DamagedSideInformationStaysInBounds) {
  const char* options[] = {"-m j -b 128", "-m m -b 32 --resample 16", "-m j -b 24 --resample 11.025"};
  for (const char* o : options) {
    const auto clean = mpegtest::ReadFile(
        mpegtest::Encode("lame", o, mpegtest::MakeSignal(44100, 2, 0.5), std::string("damaged_") + o[5] + ".mp3"));
    std::mt19937 rng(42);
    for (int round = 0; round < 4; ++round) {
      auto data = clean;
      auto ctx = mpegtest::NewDecoder();
      ctx->cutoff = 48000;
      ASSERT_EQ(DmpaStartStream(ctx.get(), data.data(), data.size()), 1);
      const int sideBytes = ctx->l3.channels == 1 ? (ctx->streamVersion == 1 ? 17 : 9) : (ctx->streamVersion == 1 ? 32 : 17);
      std::vector<uint8_t> out(static_cast<size_t>(ctx->pcmBytes));
      size_t pos = 0;
      int frames = 0;
      while (pos + 4 < data.size()) {
        _DMPAHEADER h{};
        if (!DmpaParseHeader(&h, data.data() + pos, ctx.get())) break;
        const size_t length = static_cast<size_t>(DmpaFrameLength(h, ctx->codedRate));
        if (pos + length > data.size()) break;
        for (int i = 0; i < sideBytes; ++i)
          if (rng() % 3 == 0) data[pos + 4 + i] = static_cast<uint8_t>(rng());
        _DMPAFRAME f{};
        f.data = data.data() + pos;
        f.size = length;  // exactly the frame: nothing after it may be read
        f.out = out.data();
        ASSERT_EQ(DmpaDecodeFrame(ctx.get(), &f), 1);
        EXPECT_EQ(f.size, length);
        EXPECT_EQ(f.pcmWritten, ctx->pcmBytes);
        EXPECT_LE(ctx->l3.fill, static_cast<int>(DMPA_RESERVOIR_BYTES));
        pos += length;
        ++frames;
      }
      EXPECT_GT(frames, 5) << o;
    }
  }
}

}  // namespace
