#include "sound/mpeg/DgameMp3.h"

#include "MpegTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

using dbtl::DFile;
using dbtl::DgameMp3;

// An ID3v2 tag whose body holds a false frame sync, as an embedded picture can.
std::vector<uint8_t> Id3v2Tag() {
  std::vector<uint8_t> tag = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x01, 0x00};  // 128-byte body
  std::vector<uint8_t> body(128, 0x20);
  body[40] = 0xFF;
  body[41] = 0xFB;
  body[42] = 0x90;
  tag.insert(tag.end(), body.begin(), body.end());
  return tag;
}

// Plays a file as the sound-source reader does: search, 156 bytes, open, first-frame parse,
// then Decode over a buffer of max(largest frame, 8192) bytes refilled from the range.
struct Played {
  int64_t rangeStart = -1, rangeSize = -1;
  uint32_t total = 0;
  acm::WAVEFORMATEX format{};
  std::vector<int16_t> samples;
};

Played Play(const std::string& path) {
  Played p;
  DFile file, range;
  EXPECT_TRUE(file.Open(path.c_str(), dbtl::DFILE_READ));
  if (!DgameMp3::_FindAudio(file, range)) return p;
  p.rangeSize = range.GetSize();
  uint8_t first[156];
  EXPECT_TRUE(range.Seek(0, dbtl::DSEEK_BEGIN));
  EXPECT_EQ(range.Read(first, sizeof first), 156);
  EXPECT_EQ(first[0], 0xFF);
  DgameMp3 mp3;
  EXPECT_TRUE(mp3.Open());
  EXPECT_FALSE(mp3.Open());
  EXPECT_TRUE(mp3._ParseFirstFrame(first, &range));
  p.total = mp3.m_totalPcmBytes;
  p.format = mp3.m_format;
  std::vector<uint8_t> in(std::max<size_t>(mp3.m_largestFrame, 8192)), out(mp3.m_framePcmBytes);
  EXPECT_TRUE(range.Seek(0, dbtl::DSEEK_BEGIN));
  size_t have = 0;
  bool eof = false;
  for (;;) {
    if (!eof) {
      const int64_t n = range.Read(in.data() + have, in.size() - have);
      if (n <= 0) eof = true;
      else have += static_cast<size_t>(n);
    }
    const int used = mp3.Decode(out.data(), in.data(), have);
    if (used == 0) {
      if (eof) break;
      continue;
    }
    for (size_t i = 0; i + 1 < out.size(); i += 2) p.samples.push_back(static_cast<int16_t>(out[i] | (out[i + 1] << 8)));
    std::memmove(in.data(), in.data() + used, have - static_cast<size_t>(used));
    have -= static_cast<size_t>(used);
  }
  EXPECT_TRUE(mp3.Close());
  EXPECT_FALSE(mp3.Close());
  return p;
}

TEST(DgameMp3, PlaysATaggedFileAsItsFrames) {
  const auto mp3 = mpegtest::ReadFile(
      mpegtest::Encode("lame", "-m j -b 128", mpegtest::MakeSignal(44100, 2, 1.0), "dgame_plain.mp3"));
  std::vector<uint8_t> tagged = Id3v2Tag();
  tagged.insert(tagged.end(), mp3.begin(), mp3.end());
  std::vector<uint8_t> trailer(128, 0);
  std::memcpy(trailer.data(), "TAG", 3);
  trailer[3] = 0xFF;  // a sync-like byte pair in the trailer must not count as audio
  trailer[4] = 0xFB;
  tagged.insert(tagged.end(), trailer.begin(), trailer.end());
  const Played p = Play(mpegtest::WriteFixture("dgame_tagged.mp3", tagged));
  EXPECT_EQ(p.rangeSize, static_cast<int64_t>(mp3.size()));
  EXPECT_EQ(p.format.wFormatTag, 1);
  EXPECT_EQ(p.format.nChannels, 2);
  EXPECT_EQ(p.format.nSamplesPerSec, 44100u);
  EXPECT_EQ(p.format.nBlockAlign, 4);
  EXPECT_EQ(p.format.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(p.format.wBitsPerSample, 16);
  EXPECT_EQ(p.format.cbSize, 18);
  const auto frames = mpegtest::DecodeAll(mp3);
  EXPECT_EQ(p.samples, frames.samples);
}

TEST(DgameMp3, TotalLengthFromXingCountOrRangeSize) {
  const auto cbr = mpegtest::Encode("lame", "-m j -b 128 -t", mpegtest::MakeSignal(44100, 2, 1.0), "dgame_cbr.mp3");
  const auto vbr = mpegtest::Encode("lame", "-m j -V 4", mpegtest::MakeSignal(44100, 2, 1.0), "dgame_vbr.mp3");
  const Played c = Play(cbr);
  EXPECT_EQ(c.total, static_cast<uint32_t>(c.rangeSize / 417) * 4608u);
  const Played v = Play(vbr);
  auto ctx = mpegtest::NewDecoder();
  const auto bytes = mpegtest::ReadFile(vbr);
  _DMPAFRAMEINFO info;
  ASSERT_EQ(DmpaGetFrameInfo(&info, ctx.get(), bytes.data(), bytes.size(), 0), 1);
  ASSERT_GT(info.frameCount, 0u);
  // The header counts the frames behind it; the frame that carries it decodes as well, and the
  // total must reach the end of what decoding gives, not stop one frame short.
  EXPECT_EQ(v.total, (info.frameCount + 1) * 4608u);
  EXPECT_EQ(v.total, v.samples.size() * 2);
}

TEST(DgameMp3, FileWithoutSyncIsRefused) {
  DFile file, range;
  ASSERT_TRUE(file.Open(mpegtest::WriteFixture("dgame_nosync.bin", std::vector<uint8_t>(5000, 0x11)).c_str(), dbtl::DFILE_READ));
  EXPECT_FALSE(DgameMp3::_FindAudio(file, range));
}

TEST(DgameMp3, FirstDecodeWaitsFor156Bytes) {
  const auto mp3 = mpegtest::ReadFile(
      mpegtest::Encode("lame", "-m j -b 128", mpegtest::MakeSignal(44100, 2, 0.5), "dgame_short.mp3"));
  DgameMp3 d;
  ASSERT_TRUE(d.Open());
  ASSERT_TRUE(d._ParseFirstFrame(mp3.data(), nullptr));
  EXPECT_EQ(d.m_totalPcmBytes, 0u);
  std::vector<uint8_t> out(d.m_framePcmBytes);
  EXPECT_EQ(d.Decode(out.data(), mp3.data(), 155), 0);
  EXPECT_EQ(d.m_decoder->error, DMPA_ERR_TOOSHORT);
  EXPECT_EQ(d.m_flags & DgameMp3::START, DgameMp3::START);
  EXPECT_GT(d.Decode(out.data(), mp3.data(), mp3.size()), 0);
  EXPECT_EQ(d.m_flags & DgameMp3::START, 0u);
}

}  // namespace

