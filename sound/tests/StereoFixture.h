#pragma once

#include <cstdint>
#include <vector>

// Random joint-stereo layer III streams for the intensity tests, built with the layer III
// writer. Every granule has intensity on and, in a random half of the frames, mid/side too; the
// right channel's extent (per window for short blocks) is chosen by the builder, so it knows
// which bands form the intensity region.
namespace mpegtest {

enum class L3Layout { Long, Short, Mixed };

enum class StereoCheck {
  // Only content on which this decoder and libmpg123 apply the same rules: the two decodes of
  // the stream are compared directly.
  Agreed,
  // Content whose every intensity, mid/side and illegal-position result can be written as a
  // plain stereo frame (ratios that are powers of the square root of 2, made from scale factor
  // steps), including the cases where libmpg123 departs from the rules this decoder follows:
  // the decode of the stream is compared with libmpg123's decode of those plain frames.
  Equivalent,
};

struct StereoSpec {
  int version;       // 1 = MPEG-1, 2 = MPEG-2, 3 = MPEG-2.5
  int sampleIndex;
  L3Layout layout;
  StereoCheck check;
  int frames;
  unsigned seed;
};

struct StereoStreams {
  std::vector<uint8_t> joint;     // the intensity stereo frames
  std::vector<uint8_t> expected;  // Equivalent only: plain stereo frames with the same output
};

StereoStreams BuildStereoStreams(const StereoSpec& spec);

}  // namespace mpegtest
