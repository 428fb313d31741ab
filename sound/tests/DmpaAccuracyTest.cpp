#include "sound/mpeg/DmpaVector.h"

#include "MpegTestSupport.h"

#include <gtest/gtest.h>

// The decoder against libmpg123 on files that Debian's encoders make at test time. The two
// differ by the output rounding (this decoder truncates toward zero, the reference rounds) and
// by float noise of the different transforms, so a sample may differ by a unit or two. The
// decoder also never decodes the top subband (and, for MPEG-2, the last long band), so the
// signals are low-passed below those bands to keep that design choice out of the comparison.

namespace {

using mpegtest::Pcm;

struct Case {
  const char* name;
  const char* encoder;
  const char* options;
  int rate;
  int channels;
  int expectRate;
  int expectChannels;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Accuracy : public ::testing::TestWithParam<Case> {};

TEST_P(Accuracy, MatchesReferenceDecoder) {
  const Case& c = GetParam();
  const Pcm signal = mpegtest::MakeSignal(c.rate, c.channels, 2.0);
  const std::string path = mpegtest::Encode(c.encoder, c.options, signal, c.name);
  const auto bytes = mpegtest::ReadFile(path);
  ASSERT_FALSE(bytes.empty());
  const Pcm ref = mpegtest::ReferenceDecode(path);
  int frames = 0;
  const Pcm got = mpegtest::DecodeAll(bytes, 0, &frames);
  EXPECT_EQ(got.rate, c.expectRate);
  EXPECT_EQ(got.channels, c.expectChannels);
  EXPECT_EQ(ref.rate, c.expectRate);
  ASSERT_GT(frames, 10);
  EXPECT_EQ(got.samples.size(), ref.samples.size());
  const auto d = mpegtest::Compare(got.samples, ref.samples);
  EXPECT_GT(d.compared, static_cast<size_t>(c.expectRate));
  // Truncation against rounding alone gives 1; float noise may add one more on rare samples.
  EXPECT_LE(d.maxAbs, 2) << "rms " << d.rms;
  EXPECT_LT(d.rms, 1.0);
  std::printf("%s: %d frames, max diff %d, rms %.3f\n", c.name, frames, d.maxAbs, d.rms);
}

const Case kCases[] = {
    {"l3_44k_joint_cbr.mp3", "lame", "-m j -b 128 --lowpass 19", 44100, 2, 44100, 2},
    {"l3_48k_stereo_cbr.mp3", "lame", "-m s -b 192 --lowpass 20", 48000, 2, 48000, 2},
    {"l3_32k_joint_cbr.mp3", "lame", "-m j -b 96 --lowpass 14", 32000, 2, 32000, 2},
    {"l3_44k_mono_cbr.mp3", "lame", "-m m -b 64 --lowpass 15 --resample 44.1", 44100, 1, 44100, 1},
    {"l3_44k_joint_vbr.mp3", "lame", "-m j -V 2 --lowpass 18", 44100, 2, 44100, 2},
    {"l3_44k_mono_vbr.mp3", "lame", "-m m -V 5 --lowpass 15 --resample 44.1", 44100, 1, 44100, 1},
    {"l3_22k_joint.mp3", "lame", "-m j -b 64 --lowpass 9", 22050, 2, 22050, 2},
    {"l3_24k_stereo.mp3", "lame", "-m s -b 64 --lowpass 10", 24000, 2, 24000, 2},
    {"l3_16k_mono.mp3", "lame", "-m m -b 32 --lowpass 6.5", 16000, 1, 16000, 1},
    {"l3_16k_joint_vbr.mp3", "lame", "-m j -V 4 --lowpass 6.5", 16000, 2, 16000, 2},
    {"l3_8k_mono.mp3", "lame", "-m m -b 16 --lowpass 3.5", 8000, 1, 8000, 1},
    {"l3_11k_joint.mp3", "lame", "-m j -b 24 --lowpass 4.5", 11025, 2, 11025, 2},
    {"l2_44k_stereo.mp2", "twolame", "-m s -b 192", 44100, 2, 44100, 2},
    {"l2_48k_joint.mp2", "twolame", "-m j -b 128", 48000, 2, 48000, 2},
    {"l2_32k_mono.mp2", "twolame", "-m m -b 48", 32000, 1, 32000, 1},
    {"l2_22k_joint.mp2", "twolame", "-m j -b 64", 22050, 2, 22050, 2},
};

INSTANTIATE_TEST_SUITE_P(Files, Accuracy, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string n = info.param.name;
                           for (char& ch : n)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

}  // namespace

namespace {

// The vector paths chosen at run time give the same bits as the SSE2 baseline.
TEST(DmpaSimd, EveryPathDecodesTheSameSamples) {
  const mpegtest::Pcm signal = mpegtest::MakeSignal(44100, 2, 1.0);
  const std::string path = mpegtest::Encode("lame", "-m j -b 128", signal, "simd_joint.mp3");
  const auto bytes = mpegtest::ReadFile(path);
  ASSERT_FALSE(bytes.empty());
  DmpaUseSimd(DmpaSimd::Sse2);
  const mpegtest::Pcm baseline = mpegtest::DecodeAll(bytes);
  ASSERT_GT(baseline.samples.size(), 44100u);
  for (const DmpaSimd level : {DmpaSimd::Avx, DmpaSimd::Avx2}) {
    if (!DmpaSimdAvailable(level)) continue;
    DmpaUseSimd(level);
    const mpegtest::Pcm wide = mpegtest::DecodeAll(bytes);
    EXPECT_EQ(wide.samples, baseline.samples) << int(level);
  }
  if (!DmpaSimdAvailable(DmpaSimd::Avx)) GTEST_SKIP() << "this processor has no AVX";
}

}  // namespace
