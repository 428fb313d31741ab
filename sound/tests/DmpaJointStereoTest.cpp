#include "Layer3Writer.h"
#include "MpegTestSupport.h"
#include "StereoFixture.h"

#include "sound/mpeg/DmpaLayers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

// Layer III intensity and mid/side stereo. No encoder on the machine writes intensity stereo
// or mixed blocks, so most streams here are built by the tests; libmpg123 does the arithmetic
// of the reference everywhere. Where libmpg123 departs from the rules this decoder follows
// (short band 12 over the right channel's own lines, MPEG-2 illegal positions, MPEG-2 mixed
// blocks, MPEG-1 position 9), the reference decodes plain stereo frames that those rules make
// equal to the intensity frames.

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
