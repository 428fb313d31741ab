#include "sound/mpeg/DmpaLayers.h"

#include "MpegTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

using mpegtest::Pcm;

const std::vector<uint8_t>& JointStereoFile() {
  static const std::vector<uint8_t> bytes = mpegtest::ReadFile(mpegtest::Encode(
      "lame", "-m j -b 128 --lowpass 19", mpegtest::MakeSignal(44100, 2, 1.5), "decode_joint.mp3"));
  return bytes;
}

const std::vector<uint8_t>& VbrFile() {
  static const std::vector<uint8_t> bytes = mpegtest::ReadFile(
      mpegtest::Encode("lame", "-m j -V 3", mpegtest::MakeSignal(44100, 2, 1.5), "decode_vbr.mp3"));
  return bytes;
}

std::vector<size_t> FrameOffsets(const std::vector<uint8_t>& data) {
  std::vector<size_t> offsets;
  auto ctx = mpegtest::NewDecoder();
  for (size_t p = 0; p + 4 <= data.size();) {
    _DMPAHEADER h{};
    if (!DmpaParseHeader(&h, data.data() + p, ctx.get())) break;
    offsets.push_back(p);
    p += static_cast<size_t>(DmpaFrameLength(h, DmpaSampleRate(h.version, h.sampleIndex)));
  }
  return offsets;
}

// A started decoder over `data` with the program's options (full rate, 16 bits, as coded) or
// the given ones.
std::unique_ptr<_DMPADECODER> Started(const std::vector<uint8_t>& data, int shift = 0, uint32_t flags = 0) {
  auto ctx = mpegtest::NewDecoder();
  ctx->rateShift = shift;
  ctx->outputFlags = flags;
  ctx->cutoff = 44100;
  EXPECT_EQ(DmpaStartStream(ctx.get(), data.data(), data.size()), 1);
  return ctx;
}

int Decode(_DMPADECODER* ctx, const std::vector<uint8_t>& data, size_t offset, size_t size, uint8_t* out) {
  _DMPAFRAME f{};
  f.data = data.data() + offset;
  f.size = size;
  f.out = out;
  return DmpaDecodeFrame(ctx, &f) ? static_cast<int>(f.size) : 0;
}

// Decodes every frame from `first` on with the given options; the output bytes of all frames.
std::vector<uint8_t> DecodeFrom(const std::vector<uint8_t>& data, size_t first, int shift = 0, uint32_t flags = 0) {
  const auto offsets = FrameOffsets(data);
  std::vector<uint8_t> all;
  std::vector<uint8_t> slice(data.begin() + static_cast<long>(offsets[first]), data.end());
  auto ctx = Started(slice, shift, flags);
  std::vector<uint8_t> out(static_cast<size_t>(ctx->pcmBytes));
  for (size_t i = first; i < offsets.size(); ++i) {
    const size_t at = offsets[i] - offsets[first];
    if (!Decode(ctx.get(), slice, at, slice.size() - at, out.data())) break;
    all.insert(all.end(), out.begin(), out.end());
  }
  return all;
}

std::vector<int16_t> AsSamples(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> s(bytes.size() / 2);
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return s;
}

TEST(DmpaDecode, FirstDecodeNeeds156Bytes) {
  const auto& data = JointStereoFile();
  auto ctx = mpegtest::NewDecoder();
  EXPECT_EQ(DmpaStartStream(ctx.get(), data.data(), 155), 0);
  EXPECT_EQ(ctx->error, DMPA_ERR_TOOSHORT);
  EXPECT_EQ(DmpaStartStream(ctx.get(), data.data(), 156), 1);
}

TEST(DmpaDecode, FailuresLeaveTheStreamAsItWas) {
  const auto& data = JointStereoFile();
  const auto offsets = FrameOffsets(data);
  ASSERT_GT(offsets.size(), 20u);
  auto clean = Started(data);
  auto tried = Started(data);
  std::vector<uint8_t> a(4608), b(4608);
  for (size_t i = 0; i < 8; ++i) {
    const size_t at = offsets[i], length = offsets[i + 1] - at;
    ASSERT_EQ(Decode(clean.get(), data, at, data.size() - at, a.data()), static_cast<int>(length));
    // Too few bytes: under 5, then one byte short of the frame.
    EXPECT_EQ(Decode(tried.get(), data, at, 4, b.data()), 0);
    EXPECT_EQ(tried->error, DMPA_ERR_TOOSHORT);
    EXPECT_EQ(Decode(tried.get(), data, at, length - 1, b.data()), 0);
    EXPECT_EQ(tried->error, DMPA_ERR_TOOSHORT);
    // Not at a frame start.
    EXPECT_EQ(Decode(tried.get(), data, at + 1, data.size() - at - 1, b.data()), 0);
    EXPECT_EQ(tried->error, DMPA_ERR_NOSYNC);
    ASSERT_EQ(Decode(tried.get(), data, at, length, b.data()), static_cast<int>(length));
    EXPECT_EQ(a, b) << "frame " << i;
  }
}

TEST(DmpaDecode, FrameOfAnotherStreamIsLostSync) {
  const auto& data = JointStereoFile();
  auto ctx = Started(data);
  std::vector<uint8_t> out(4608);
  std::vector<uint8_t> frame(data.begin(), data.begin() + 1500);
  struct {
    uint8_t byte1, byte2;
  } changes[] = {{0xF3, frame[2]}, {0xFD, frame[2]}, {frame[1], static_cast<uint8_t>(frame[2] ^ 0x04)}};
  for (const auto& c : changes) {
    auto changed = frame;
    changed[1] = c.byte1;
    changed[2] = c.byte2;
    EXPECT_EQ(Decode(ctx.get(), changed, 0, changed.size(), out.data()), 0);
    EXPECT_EQ(ctx->error, DMPA_ERR_NOSYNC);
  }
}

TEST(DmpaDecode, XingFrameCountGivesTheLength) {
  const auto& data = VbrFile();
  auto ctx = mpegtest::NewDecoder();
  _DMPAFRAMEINFO info;
  ASSERT_EQ(DmpaGetFrameInfo(&info, ctx.get(), data.data(), data.size(), 0), 1);
  EXPECT_EQ(info.bitrate, 0);
  // The header counts the audio frames after itself.
  EXPECT_EQ(info.frameCount + 1, FrameOffsets(data).size());
  EXPECT_GT(info.frameBytes, 0);
}

TEST(DmpaDecode, CutStreamIsSilentUntilTheReservoirFills) {
  const auto& data = JointStereoFile();
  const auto full = DecodeFrom(data, 0);
  // Start at a frame whose main data begins in an earlier frame.
  const auto offsets = FrameOffsets(data);
  size_t first = 0;
  for (size_t i = 10; i < offsets.size() && !first; ++i) {
    const uint8_t* side = data.data() + offsets[i] + 4;
    if (((side[0] << 1) | (side[1] >> 7)) > 0) first = i;
  }
  ASSERT_NE(first, 0u);
  const auto cut = DecodeFrom(data, first);
  const size_t frameBytes = 4608;
  ASSERT_EQ(cut.size(), full.size() - first * frameBytes);
  EXPECT_TRUE(std::all_of(cut.begin(), cut.begin() + frameBytes, [](uint8_t b) { return b == 0; }));
  // Once the reservoir holds whole frames and the overlap and synthesis memory have been
  // refilled, the output is the same as that of the whole stream.
  const size_t settled = 4 * frameBytes;
  EXPECT_TRUE(std::equal(cut.begin() + settled, cut.end(), full.begin() + first * frameBytes + settled));
}

TEST(DmpaDecode, MissingMainDataOverwritesTheCallersBuffer) {
  const auto& data = JointStereoFile();
  const auto offsets = FrameOffsets(data);
  size_t first = 0;
  for (size_t i = 10; i < offsets.size() && !first; ++i) {
    const uint8_t* side = data.data() + offsets[i] + 4;
    if (((side[0] << 1) | (side[1] >> 7)) > 0) first = i;
  }
  std::vector<uint8_t> slice(data.begin() + static_cast<long>(offsets[first]), data.end());
  for (uint32_t flags : {0u, static_cast<uint32_t>(DMPA_OUT_8BIT)}) {
    auto ctx = Started(slice, 0, flags);
    std::vector<uint8_t> out(static_cast<size_t>(ctx->pcmBytes), 0x55);
    ASSERT_GT(Decode(ctx.get(), slice, 0, slice.size(), out.data()), 0);
    const uint8_t silence = flags ? 0x80 : 0;
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [&](uint8_t b) { return b == silence; }));
  }
}

TEST(DmpaDecode, ChannelSelectionAndEightBit) {
  for (const auto* file : {&JointStereoFile(), &VbrFile()}) {
    const auto stereo = AsSamples(DecodeFrom(*file, 0));
    const auto first = AsSamples(DecodeFrom(*file, 0, 0, DMPA_OUT_FIRST));
    const auto second = AsSamples(DecodeFrom(*file, 0, 0, DMPA_OUT_SECOND));
    const auto mixed = AsSamples(DecodeFrom(*file, 0, 0, DMPA_OUT_MIX));
    const auto eight = DecodeFrom(*file, 0, 0, DMPA_OUT_8BIT);
    const auto firstEight = DecodeFrom(*file, 0, 0, DMPA_OUT_FIRST | DMPA_OUT_8BIT);
    ASSERT_EQ(first.size() * 2, stereo.size());
    ASSERT_EQ(firstEight.size(), first.size());
    ASSERT_EQ(mixed.size() * 2, stereo.size());
    ASSERT_EQ(eight.size(), stereo.size());
    int mixError = 0;
    for (size_t i = 0; i < first.size(); ++i) {
      ASSERT_EQ(first[i], stereo[2 * i]) << i;
      ASSERT_EQ(second[i], stereo[2 * i + 1]) << i;
      ASSERT_EQ(firstEight[i], static_cast<uint8_t>((first[i] >> 8) ^ 0x80)) << i;
      const int sum = std::max(-32768, std::min(32767, stereo[2 * i] + stereo[2 * i + 1]));
      mixError = std::max(mixError, std::abs(mixed[i] - sum));
    }
    EXPECT_LE(mixError, 2);
    for (size_t i = 0; i < stereo.size(); ++i)
      ASSERT_EQ(eight[i], static_cast<uint8_t>((stereo[i] >> 8) ^ 0x80)) << i;
  }
}

// At half and quarter rate the output is the low band of the stream at a lower rate: it follows
// the full-rate output taken at every second (fourth) sample, low-passed, closely but not
// exactly.
TEST(DmpaDecode, ReducedRates) {
  const auto& data = JointStereoFile();
  const auto full = AsSamples(DecodeFrom(data, 0));
  for (int shift : {1, 2}) {
    const auto reduced = AsSamples(DecodeFrom(data, 0, shift));
    ASSERT_EQ(reduced.size(), full.size() >> shift);
    const int step = 1 << shift;
    double signal = 0, error = 0;
    int bestLag = 0;
    double best = 1e300;
    for (int lag = -40; lag <= 40; ++lag) {
      double e = 0;
      for (size_t i = 2000; i + 2000 < reduced.size() / 2; ++i) {
        double ref = 0;
        for (int k = 0; k < step; ++k) ref += full[2 * (i * step + k)] / static_cast<double>(step);
        const long j = static_cast<long>(i) + lag;
        const double d = reduced[2 * j] - ref;
        e += d * d;
      }
      if (e < best) best = e, bestLag = lag;
    }
    for (size_t i = 2000; i + 2000 < reduced.size() / 2; ++i) {
      double ref = 0;
      for (int k = 0; k < step; ++k) ref += full[2 * (i * step + k)] / static_cast<double>(step);
      signal += ref * ref;
      const double d = reduced[2 * (static_cast<long>(i) + bestLag)] - ref;
      error += d * d;
    }
    std::printf("shift %d: lag %d, error/signal %.4f\n", shift, bestLag, error / signal);
    EXPECT_LT(error / signal, 0.1);
  }
}

}  // namespace
