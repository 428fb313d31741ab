#include "MpegTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

// Layer I has no encoder on the machine, so these tests build frames bit by bit: random
// allocations, scale factors and samples in every channel mode, written to a file that the
// reference decoder reads too.

namespace {

struct FrameSpec {
  int mode = 0;           // 0 stereo, 1 joint, 2 dual, 3 single
  int modeExtension = 0;
  bool crc = false;
  int maxAlloc = 6;
  int scaleMin = 8;       // smaller scale factor index = louder
  int forcedAlloc = -1;   // every allocation this value (15 = forbidden)
  int forcedScale = -1;
  int forcedSample = -1;  // every sample this code
  bool topBand = false;   // allocate subband 31 too
  bool onlyTopBand = false;
  int bands = 32;         // subbands that may carry samples
};

// One layer I frame at 44.1 kHz, 448 kbit/s (484 bytes, no padding).
std::vector<uint8_t> BuildFrame(const FrameSpec& s, std::mt19937& rng) {
  mpegtest::BitWriter w;
  w.Put(0xFFF, 12);
  w.Put(1, 1);             // MPEG-1
  w.Put(3, 2);             // layer I
  w.Put(s.crc ? 0 : 1, 1);
  w.Put(14, 4);            // 448 kbit/s
  w.Put(0, 2);             // 44.1 kHz
  w.Put(0, 1);
  w.Put(0, 1);
  w.Put(static_cast<uint32_t>(s.mode), 2);
  w.Put(static_cast<uint32_t>(s.modeExtension), 2);
  w.Put(0, 4);
  if (s.crc) w.Put(0xBEEF, 16);  // never verified
  const int channels = s.mode == 3 ? 1 : 2;
  const int bound = s.mode == 1 ? 4 * (s.modeExtension + 1) : 32;
  int alloc[2][32] = {};
  std::uniform_int_distribution<int> pick(0, s.maxAlloc);
  for (int sb = 0; sb < 32; ++sb) {
    for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch) {
      alloc[ch][sb] = s.forcedAlloc >= 0 ? s.forcedAlloc : (pick(rng) + (sb < 8 ? 2 : 0)) % 15;
      if (sb == 31 && !s.topBand) alloc[ch][sb] = 0;  // the band this decoder never plays
      if ((sb < 31 && s.onlyTopBand) || sb >= s.bands) alloc[ch][sb] = 0;
      w.Put(static_cast<uint32_t>(alloc[ch][sb]), 4);
    }
    if (sb >= bound) alloc[1][sb] = alloc[0][sb];
  }
  std::uniform_int_distribution<int> scale(s.scaleMin, 50);
  for (int sb = 0; sb < 32; ++sb)
    for (int ch = 0; ch < channels; ++ch)
      if (alloc[ch][sb] && alloc[ch][sb] != 15)
        w.Put(static_cast<uint32_t>(s.forcedScale >= 0 ? s.forcedScale : scale(rng)), 6);
  for (int slot = 0; slot < 12; ++slot)
    for (int sb = 0; sb < 32; ++sb)
      for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch) {
        const int a = alloc[ch][sb];
        if (!a || a == 15) continue;
        const uint32_t code = s.forcedSample >= 0 ? static_cast<uint32_t>(s.forcedSample)
                                                  : std::uniform_int_distribution<uint32_t>(0, (2u << a) - 2)(rng);
        w.Put(code, a + 1);
      }
  EXPECT_LE(w.bytes().size(), 484u) << "frame overfull";
  w.PadTo(484);
  return w.bytes();
}

// This decoder truncates toward zero where the reference rounds: never larger in magnitude,
// never of the other sign, at most one unit apart.
void ExpectTruncatedFrom(const std::vector<int16_t>& got, const std::vector<int16_t>& rounded) {
  ASSERT_EQ(got.size(), rounded.size());
  size_t bad = 0;
  for (size_t i = 0; i < got.size(); ++i) {
    const int g = got[i], r = rounded[i];
    if (std::abs(g) > std::abs(r) || (g != 0 && (g < 0) != (r < 0)) || std::abs(r - g) > 1) ++bad;
  }
  EXPECT_EQ(bad, 0u);
}

std::vector<uint8_t> BuildStream(const FrameSpec& spec, int frames, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> data;
  for (int i = 0; i < frames; ++i) {
    auto f = BuildFrame(spec, rng);
    data.insert(data.end(), f.begin(), f.end());
  }
  return data;
}

TEST(DmpaLayer1, MatchesReferenceInEveryMode) {
  struct {
    const char* name;
    int mode, ext;
    bool crc;
  } cases[] = {{"stereo", 0, 0, false}, {"joint0", 1, 0, false}, {"joint1", 1, 1, true}, {"joint3", 1, 3, false},
               {"dual", 2, 0, false},   {"single", 3, 0, false}, {"single_crc", 3, 0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FrameSpec spec;
    spec.mode = c.mode;
    spec.modeExtension = c.ext;
    spec.crc = c.crc;
    spec.maxAlloc = c.mode == 3 ? 9 : 4;
    const auto data = BuildStream(spec, 12, 7);
    const std::string path = mpegtest::WriteFixture(std::string("layer1_") + c.name + ".mp1", data);
    int frames = 0;
    const auto got = mpegtest::DecodeAll(data, 0, &frames);
    const auto ref = mpegtest::ReferenceDecode(path);
    EXPECT_EQ(frames, 12);
    EXPECT_EQ(got.channels, c.mode == 3 ? 1 : 2);
    ASSERT_EQ(got.samples.size(), ref.samples.size());
    const auto d = mpegtest::Compare(got.samples, ref.samples);
    EXPECT_LE(d.maxAbs, 2);
    EXPECT_LT(d.rms, 1.0);
    ExpectTruncatedFrom(got.samples, ref.samples);
    std::printf("layer I %s: max %d rms %.2f\n", c.name, d.maxAbs, d.rms);
  }
}

TEST(DmpaLayer1, FullScaleSaturatesInsteadOfWrapping) {
  FrameSpec spec;
  spec.forcedAlloc = 14;
  spec.forcedScale = 0;
  spec.mode = 3;
  spec.bands = 8;
  std::mt19937 rng(3);
  std::vector<uint8_t> data;
  for (int i = 0; i < 6; ++i) {
    spec.forcedSample = i % 2 ? 0 : (1 << 15) - 2;  // the largest and the smallest value
    auto f = BuildFrame(spec, rng);
    data.insert(data.end(), f.begin(), f.end());
  }
  const std::string path = mpegtest::WriteFixture("layer1_full_scale.mp1", data);
  const auto got = mpegtest::DecodeAll(data);
  const auto ref = mpegtest::ReferenceDecode(path);
  ASSERT_EQ(got.samples.size(), ref.samples.size());
  EXPECT_EQ(*std::max_element(got.samples.begin(), got.samples.end()), 32767);
  EXPECT_EQ(*std::min_element(got.samples.begin(), got.samples.end()), -32768);
  EXPECT_LE(mpegtest::Compare(got.samples, ref.samples).maxAbs, 1);
}

TEST(DmpaLayer1, TopSubbandIsReadButNeverPlayed) {
  FrameSpec spec;
  spec.topBand = spec.onlyTopBand = true;
  spec.maxAlloc = 12;
  spec.scaleMin = 0;
  const auto data = BuildStream(spec, 6, 11);
  int frames = 0;
  const auto got = mpegtest::DecodeAll(data, 0, &frames);
  EXPECT_EQ(frames, 6);
  EXPECT_TRUE(std::all_of(got.samples.begin(), got.samples.end(), [](int16_t v) { return v == 0; }));
}

// Allocation 15 is forbidden; it reads as "no samples" and keeps the frame's layout, so the
// frames around it decode as they would without it.
TEST(DmpaLayer1, ForbiddenAllocationKeepsTheListAligned) {
  FrameSpec normal;
  normal.mode = 1;
  normal.modeExtension = 1;
  FrameSpec forbidden = normal;
  forbidden.forcedAlloc = 15;
  std::mt19937 rng(5);
  std::vector<uint8_t> data, expected;
  for (int i = 0; i < 6; ++i) {
    auto f = BuildFrame(i == 2 ? forbidden : normal, rng);
    data.insert(data.end(), f.begin(), f.end());
  }
  int frames = 0;
  const auto got = mpegtest::DecodeAll(data, 0, &frames);
  EXPECT_EQ(frames, 6);
  // The forbidden frame holds nothing but zeros; what it yields is the ring's decay.
  const auto withSilence = [&] {
    auto copy = data;
    std::fill(copy.begin() + 2 * 484 + 4, copy.begin() + 3 * 484, 0);
    return mpegtest::DecodeAll(copy);
  }();
  EXPECT_EQ(got.samples, withSilence.samples);
}

}  // namespace
