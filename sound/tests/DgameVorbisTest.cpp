#include "sound/DgameVorbis.h"

#include "SoundFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using dbtl::DFile;
using dbtl::DgameVorbis;

struct Opened {
  DFile file;
  DgameVorbis vorbis;
};

void OpenOgg(Opened& o, const std::string& path) {
  ASSERT_TRUE(o.file.Open(path.c_str(), dbtl::DFILE_READ));
  ASSERT_TRUE(o.vorbis.Open(o.file));
}

std::vector<uint8_t> Drain(DgameVorbis& vorbis, uint32_t piece) {
  std::vector<uint8_t> all, buffer(piece);
  for (int32_t n; (n = vorbis.Read(buffer.data(), piece)) > 0;) {
    all.insert(all.end(), buffer.begin(), buffer.begin() + n);
  }
  return all;
}

struct FormatCase {
  const char* name;
  int rate, channels;
  uint16_t blockAlign;
  uint32_t avgBytes;
};

TEST(DgameVorbisDecode, FormatAndSamplesMatchTheReferenceDecoding) {
  const FormatCase cases[] = {
      {"stereo44.ogg", 44100, 2, 4, 176400},
      {"mono22.ogg", 22050, 1, 2, 44100},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = soundtest::SoxFile(c.name, c.rate, c.channels, 1.3);
    Opened o;
    OpenOgg(o, path);
    EXPECT_EQ(o.vorbis.m_format.wFormatTag, 1);
    EXPECT_EQ(o.vorbis.m_format.nChannels, c.channels);
    EXPECT_EQ(o.vorbis.m_format.nSamplesPerSec, uint32_t(c.rate));
    EXPECT_EQ(o.vorbis.m_format.nBlockAlign, c.blockAlign);
    EXPECT_EQ(o.vorbis.m_format.nAvgBytesPerSec, c.avgBytes);
    EXPECT_EQ(o.vorbis.m_format.wBitsPerSample, 16);
    const std::vector<uint8_t> reference = soundtest::SoxDecode(path);
    EXPECT_EQ(o.vorbis.m_totalPcmBytes, reference.size());
    // Odd request sizes cross the 4096-byte decode buffer at every offset.
    EXPECT_EQ(Drain(o.vorbis, 10000), reference);
    o.vorbis.Rewind();
    EXPECT_EQ(Drain(o.vorbis, 7), reference);
  }
}

TEST(DgameVorbisDecode, EndStaysUntilRewindAndRewindStartsOver) {
  Opened o;
  OpenOgg(o, soundtest::SoxFile("mono22.ogg", 22050, 1, 1.3));
  std::vector<uint8_t> first(10000), again(10000);
  EXPECT_EQ(o.vorbis.Read(first.data(), 10000), 10000);
  o.vorbis.Rewind();
  EXPECT_EQ(o.vorbis.Read(again.data(), 10000), 10000);
  EXPECT_EQ(first, again);

  Drain(o.vorbis, 4096);
  EXPECT_EQ(o.vorbis.Read(first.data(), 100), 0);
  EXPECT_EQ(o.vorbis.Read(first.data(), 100), 0);
  EXPECT_EQ(o.vorbis.Read(first.data(), 0), 0);
  o.vorbis.Rewind();
  EXPECT_EQ(o.vorbis.Read(again.data(), 10000), 10000);
  EXPECT_EQ(again, first);  // reads at the end wrote nothing into first
}

TEST(DgameVorbisDecode, SeekMovesFromTheCurrentSample) {
  const std::string path = soundtest::SoxFile("mono22.ogg", 22050, 1, 1.3);
  const std::vector<uint8_t> reference = soundtest::SoxDecode(path);
  Opened o;
  OpenOgg(o, path);
  o.vorbis.Seek(0.25f);  // 5512.5 samples, rounded to 5512 (ties to even)
  std::vector<uint8_t> piece(1000);
  ASSERT_EQ(o.vorbis.Read(piece.data(), 1000), 1000);
  EXPECT_EQ(piece, std::vector<uint8_t>(reference.begin() + 11024, reference.begin() + 12024));
  // The second seek counts from the decoder's position, which is past the k bytes still
  // waiting in the decode buffer; those are handed out first.
  o.vorbis.Seek(0.25f);
  ASSERT_EQ(o.vorbis.Read(piece.data(), 1000), 1000);
  bool matched = false;
  for (size_t k = 0; k <= 1000 && !matched; k += 2) {
    const auto old = reference.begin() + 12024;
    const auto jumped = reference.begin() + 12024 + k + 5512 * 2;
    matched = std::equal(piece.begin(), piece.begin() + k, old) &&
              std::equal(piece.begin() + k, piece.end(), jumped);
  }
  EXPECT_TRUE(matched);
}

TEST(DgameVorbisDecode, RefusedDataAndStates) {
  DgameVorbis closed;
  uint8_t byte;
  EXPECT_EQ(closed.Read(&byte, 1), -1);
  EXPECT_FALSE(closed.Close());

  const std::string wav = soundtest::SoxFile("pcm16.wav", 22050, 1, 0.7);
  DFile file;
  ASSERT_TRUE(file.Open(wav.c_str(), dbtl::DFILE_READ));
  DgameVorbis vorbis;
  EXPECT_FALSE(vorbis.Open(file));
  EXPECT_FALSE(vorbis.IsOpen());

  Opened o;
  OpenOgg(o, soundtest::SoxFile("mono22.ogg", 22050, 1, 1.3));
  EXPECT_FALSE(o.vorbis.Open(o.file));  // already open, and still usable
  EXPECT_EQ(o.vorbis.Read(&byte, 1), 1);
  EXPECT_TRUE(o.vorbis.Close());
  EXPECT_FALSE(o.vorbis.Close());
}

}  // namespace
