#include "MpegTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

// The mp3wav tool on a file with an ID3v2 tag in front: the WAV it writes holds the decoder's
// output of the frames, with the stream's format.
TEST(Mp3WavTool, WritesTheDecodedFrames) {
  const auto mp3 = mpegtest::ReadFile(
      mpegtest::Encode("lame", "-m m -b 64 --resample 32", mpegtest::MakeSignal(32000, 1, 0.7), "tool_in.mp3"));
  std::vector<uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
  tagged.resize(30, 0xFF);  // a tag body of sync-like bytes
  tagged.insert(tagged.end(), mp3.begin(), mp3.end());
  const std::string in = mpegtest::WriteFixture("tool_tagged.mp3", tagged);
  const std::string out = mpegtest::OutputPath("tool_out.wav");
  ASSERT_TRUE(mpegtest::Run(std::string(TEST_BIN_DIR) + "/mp3wav '" + in + "' '" + out + "' > /dev/null"));
  const auto wav = mpegtest::ReadFile(out);
  ASSERT_GT(wav.size(), 44u);
  EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
  auto u32 = [&wav](size_t p) { return uint32_t{wav[p]} | wav[p + 1] << 8 | wav[p + 2] << 16 | uint32_t{wav[p + 3]} << 24; };
  EXPECT_EQ(wav[22], 1);          // channels
  EXPECT_EQ(u32(24), 32000u);     // sample rate
  const auto expected = mpegtest::DecodeAll(mp3);
  ASSERT_EQ(u32(40), expected.samples.size() * 2);
  EXPECT_EQ(std::memcmp(wav.data() + 44, expected.samples.data(), expected.samples.size() * 2), 0);
}
