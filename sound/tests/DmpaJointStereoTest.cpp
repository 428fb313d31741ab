#include "sound/mpeg/DmpaLayers.h"

#include "Layer3Writer.h"
#include "MpegTestSupport.h"
#include "StereoFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

// Layer III intensity and mid/side stereo. No encoder on the machine writes intensity stereo
// or mixed blocks, so most streams here are built by the tests; libmpg123 does the arithmetic
// of the reference everywhere. Where libmpg123 departs from the rules this decoder follows
// (short band 12 over the right channel's own lines, MPEG-2 illegal positions, MPEG-2 mixed
// blocks, MPEG-1 position 9, long band 0 of an empty right channel part), the reference decodes
// plain stereo frames that those rules make equal to the intensity frames.

namespace {

using mpegtest::L3Layout;
using mpegtest::Pcm;
using mpegtest::StereoCheck;

struct StereoCase {
  const char* name;
  int version;
  int sampleIndex;
  L3Layout layout;
  StereoCheck check;
};

void PrintTo(const StereoCase& c, std::ostream* os) { *os << c.name; }

int Peak(const std::vector<int16_t>& s) {
  int peak = 0;
  for (int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
  return peak;
}

// The first frame whose samples differ by more than one unit, or -1.
long FirstFrameOff(const Pcm& got, const Pcm& ref, size_t frameSamples) {
  for (size_t i = 0; i < std::min(got.samples.size(), ref.samples.size()); ++i)
    if (std::abs(got.samples[i] - ref.samples[i]) > 1) return static_cast<long>(i / frameSamples);
  return -1;
}

class JointStereo : public ::testing::TestWithParam<StereoCase> {};

TEST_P(JointStereo, MatchesReference) {
  const StereoCase& c = GetParam();
  const int frames = 24;
  const auto streams = mpegtest::BuildStereoStreams({c.version, c.sampleIndex, c.layout, c.check, frames, 20});
  const bool agreed = c.check == StereoCheck::Agreed;
  const std::string path = mpegtest::WriteFixture(std::string(c.name) + ".mp3", agreed ? streams.joint : streams.expected);
  const Pcm ref = mpegtest::ReferenceDecode(path);
  int decoded = 0;
  const Pcm got = mpegtest::DecodeAll(streams.joint, 0, &decoded);
  ASSERT_EQ(decoded, frames);
  ASSERT_EQ(got.samples.size(), ref.samples.size());
  EXPECT_GT(Peak(ref.samples), 2000) << "too quiet to show a wrong ratio";
  const auto d = mpegtest::Compare(got.samples, ref.samples);
  EXPECT_LE(d.maxAbs, 1) << "first frame off: " << FirstFrameOff(got, ref, 2 * (c.version == 1 ? 1152 : 576));
  std::printf("%s: max diff %d, rms %.3f\n", c.name, d.maxAbs, d.rms);
}

const StereoCase kCases[] = {
    {"mpeg1_44k_long", 1, 0, L3Layout::Long, StereoCheck::Agreed},
    {"mpeg1_44k_short", 1, 0, L3Layout::Short, StereoCheck::Agreed},
    {"mpeg1_44k_mixed", 1, 0, L3Layout::Mixed, StereoCheck::Agreed},
    {"mpeg1_32k_short", 1, 2, L3Layout::Short, StereoCheck::Agreed},
    {"mpeg2_22k_long", 2, 0, L3Layout::Long, StereoCheck::Agreed},
    {"mpeg2_22k_short", 2, 0, L3Layout::Short, StereoCheck::Agreed},
    {"mpeg2_16k_short", 2, 2, L3Layout::Short, StereoCheck::Agreed},
    {"mpeg25_8k_long", 3, 2, L3Layout::Long, StereoCheck::Agreed},
    {"mpeg25_11k_short", 3, 0, L3Layout::Short, StereoCheck::Agreed},
    {"mpeg1_44k_long_plain", 1, 0, L3Layout::Long, StereoCheck::Equivalent},
    {"mpeg1_44k_short_plain", 1, 0, L3Layout::Short, StereoCheck::Equivalent},
    {"mpeg1_48k_mixed_plain", 1, 1, L3Layout::Mixed, StereoCheck::Equivalent},
    {"mpeg2_22k_long_plain", 2, 0, L3Layout::Long, StereoCheck::Equivalent},
    {"mpeg2_24k_short_plain", 2, 1, L3Layout::Short, StereoCheck::Equivalent},
    {"mpeg2_22k_mixed_plain", 2, 0, L3Layout::Mixed, StereoCheck::Equivalent},
    {"mpeg25_8k_mixed_plain", 3, 2, L3Layout::Mixed, StereoCheck::Equivalent},
};

INSTANTIATE_TEST_SUITE_P(Streams, JointStereo, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<StereoCase>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// Real Huffman data of an encoder: lame's joint-stereo frames with intensity switched on in
// the mode extension. In MPEG-1 the switch changes nothing in how the frame is read, so the
// frames stay valid, and the side channel's scale factors become intensity positions. The
// low-pass keeps short band 12 empty, where libmpg123 departs (see above). MPEG-2 is left out:
// there the switch changes how the right channel's scale factors are read, and the rest of its
// data decodes as noise up into the bands this decoder never plays.
TEST(DmpaJointStereo, EncodedFramesWithIntensitySwitchedOn) {
  const struct {
    int rate;
    const char* options;
  } files[] = {{44100, "-m j -b 128 --lowpass 14 --resample 44.1"},
               {48000, "-m j -b 160 --lowpass 14 --resample 48"},
               {32000, "-m j -b 96 --lowpass 13 --resample 32"}};
  for (const auto& f : files) {
    const std::string name = "intensity_" + std::to_string(f.rate);
    const auto clean = mpegtest::ReadFile(mpegtest::Encode("lame", f.options, mpegtest::MakeSignal(f.rate, 2, 2.0), name + ".mp3"));
    ASSERT_FALSE(clean.empty());
    for (int extension : {1, 3}) {
      SCOPED_TRACE(name + " mode extension " + std::to_string(extension));
      auto data = clean;
      auto ctx = mpegtest::NewDecoder();
      int switched = 0;
      for (size_t pos = 0; pos + 4 <= data.size();) {
        _DMPAHEADER h{};
        if (!DmpaParseHeader(&h, data.data() + pos, ctx.get())) break;  // the trailing tag
        if (h.mode == 1) {
          data[pos + 3] = static_cast<uint8_t>((data[pos + 3] & 0xCF) | extension << 4);
          ++switched;
        }
        pos += static_cast<size_t>(DmpaFrameLength(h, f.rate));
      }
      EXPECT_GT(switched, 40);
      const Pcm ref = mpegtest::ReferenceDecode(mpegtest::WriteFixture(name + "_is" + std::to_string(extension) + ".mp3", data));
      const Pcm got = mpegtest::DecodeAll(data);
      ASSERT_EQ(got.samples.size(), ref.samples.size());
      const auto d = mpegtest::Compare(got.samples, ref.samples);
      EXPECT_LE(d.maxAbs, 1) << "first frame off: " << FirstFrameOff(got, ref, 2 * 1152);
    }
  }
}

}  // namespace
