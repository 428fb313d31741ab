#include "sound/DWave.h"

#include "MpegTestSupport.h"
#include "SoundFixtures.h"
#include "SoundPack.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using dbtl::DWave;
using namespace soundtest;

std::vector<uint8_t> DataOf(const std::string& path) {
  for (const RiffChunk& c : TopChunks(mpegtest::ReadFile(path))) {
    if (c.id == "data") return c.data;
  }
  ADD_FAILURE() << "no data chunk in " << path;
  return {};
}

struct KindCase {
  const char* name;
  int rate, channels;
  const char* soxOptions;
  uint32_t kind;
  bool comparesWithSox;  // else with the data chunk's bytes
};

// Every source kind read in pieces of different sizes gives the same bytes, and the same again
// after a rewind; the PCM ones equal the file's data, the decoded ones sox's own decoding.
TEST(DWaveSources, KindsDecodeAlikeInAnyPieceSize) {
  const KindCase cases[] = {
      {"pcm16.wav", 22050, 1, "", DWave::KIND_PCM, false},
      {"pcm8.wav", 11025, 2, "-b 8", DWave::KIND_PCM, false},
      {"ima.wav", 22050, 2, "-e ima-adpcm", DWave::KIND_ACM, true},
      {"msadpcm.wav", 22050, 1, "-e ms-adpcm", DWave::KIND_ACM, true},
      {"alaw.wav", 8000, 1, "-e a-law", DWave::KIND_ACM, true},
      {"stereo.ogg", 22050, 2, "", DWave::KIND_VORBIS, true},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = SoxFile(c.name, c.rate, c.channels, 0.7, c.soxOptions);
    DWave wave;
    ASSERT_TRUE(OpenWave(wave, path));
    EXPECT_EQ(wave.GetKind(), c.kind);
    EXPECT_EQ(wave.GetFormat().wFormatTag, 1);
    EXPECT_EQ(wave.GetFormat().nSamplesPerSec, uint32_t(c.rate));
    EXPECT_EQ(wave.GetFormat().nChannels, c.channels);
    const std::vector<uint8_t> expected = c.comparesWithSox ? SoxDecode(path) : DataOf(path);
    const std::vector<uint8_t> whole = ReadAll(wave, 100000);
    EXPECT_EQ(whole.size(), wave.GetLength());
    EXPECT_EQ(whole, expected);
    wave.Rewind();
    EXPECT_EQ(ReadAll(wave, 333), whole);
  }
}

TEST(DWaveSources, MpegAudioReadsFrameByFrameInAnyPieceSize) {
  const std::string path = mpegtest::Encode("lame", "-b 64", mpegtest::MakeSignal(22050, 1, 0.8),
                                            "wave_source.mp3");
  DWave wave;
  ASSERT_TRUE(OpenWave(wave, path));
  EXPECT_EQ(wave.GetKind(), DWave::KIND_MP3);
  EXPECT_EQ(wave.GetFormat().nSamplesPerSec, 22050u);
  const std::vector<uint8_t> whole = ReadAll(wave, 100000);
  EXPECT_GT(whole.size(), 22050u * 2 * 7 / 10);
  EXPECT_LE(whole.size(), wave.GetLength());
  wave.Rewind();
  EXPECT_EQ(ReadAll(wave, 999), whole);

  // Another RIFF form type is probed as MPEG audio (and then as Ogg Vorbis).
  const std::string wrapped = mpegtest::WriteFixture(
      "wrapped_mp3.riff", Riff("RMP3", {Chunk("data", mpegtest::ReadFile(path))}));
  DWave other;
  ASSERT_TRUE(OpenWave(other, wrapped));
  EXPECT_EQ(other.GetKind(), DWave::KIND_MP3);
  EXPECT_EQ(ReadAll(other), whole);
}

// PCM samples as the reader delivers them: 16-bit little-endian.
std::vector<uint8_t> LittleEndian(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> bytes;
  for (int16_t v : samples) {
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
  }
  return bytes;
}

// A variable-rate stream from lame begins with a frame that carries the "Xing" header, and that
// frame decodes (to silence) like any other: the reader's length must count it, or the last
// frame of the sound never reaches the reader.
TEST(DWaveSources, VariableRateMpegDeliversEveryFrame) {
  const std::string path = mpegtest::Encode("lame", "-V 2", mpegtest::MakeSignal(44100, 1, 0.5),
                                            "vbr_mono.mp3");
  const std::vector<uint8_t> expected =
      LittleEndian(mpegtest::DecodeAll(mpegtest::ReadFile(path)).samples);
  ASSERT_GT(expected.size(), 44100u);
  DWave wave;
  ASSERT_TRUE(OpenWave(wave, path));
  EXPECT_EQ(wave.GetKind(), DWave::KIND_MP3);
  EXPECT_EQ(wave.GetLength(), expected.size());
  const std::vector<uint8_t> whole = ReadAll(wave, 4096);
  EXPECT_EQ(whole.size(), expected.size());
  EXPECT_TRUE(whole == expected);
}

// MPEG audio in a WAVE file: format tag 0x55, one-byte blocks, so frames cross the blocks.
std::string MpegInWave(const std::string& mp3) {
  const std::vector<uint8_t> format = Concat({U16(0x55), U16(1), U32(22050), U32(8000), U16(1),
                                              U16(0), U16(12), U16(1), U32(2), U16(209), U16(1),
                                              U16(0)});
  return mpegtest::WriteFixture(
      "mpeg_in.wav", Riff("WAVE", {Chunk("fmt ", format), Chunk("data", mpegtest::ReadFile(mp3))}));
}

// MPEG audio in a WAVE file converts through the compression manager into the same samples as
// the bare stream.
TEST(DWaveSources, MpegAudioInWaveConvertsLikeTheBareStream) {
  const std::string mp3 = mpegtest::Encode("lame", "-b 64", mpegtest::MakeSignal(22050, 1, 0.8),
                                           "wave_source.mp3");
  const std::string path = MpegInWave(mp3);
  DWave wave, bare;
  ASSERT_TRUE(OpenWave(wave, path));
  ASSERT_TRUE(OpenWave(bare, mp3));
  EXPECT_EQ(wave.GetKind(), DWave::KIND_ACM);
  EXPECT_EQ(wave.GetFormat().nSamplesPerSec, 22050u);
  EXPECT_EQ(wave.GetFormat().wBitsPerSample, 16);
  const std::vector<uint8_t> converted = ReadAll(wave, 3000);
  const std::vector<uint8_t> expected = ReadAll(bare, 3000);
  ASSERT_GT(expected.size(), 0u);
  EXPECT_EQ(converted, expected);
  EXPECT_LE(converted.size(), wave.GetLength());
}

// A variable-bit-rate stream in a WAVE file: the quiet end is coded in small frames, so its
// blocks give more PCM than the format's average rate promises and the converter holds the
// excess; the end of the source must drain it rather than drop the tail of the sound.
TEST(DWaveSources, VariableRateMpegInWaveDrainsTheConverterAtTheEnd) {
  mpegtest::Pcm pcm = mpegtest::MakeSignal(22050, 2, 0.6);
  pcm.samples.resize(pcm.samples.size() * 3, 0);  // then 1.2 s of silence
  const std::string mp3 = mpegtest::Encode("lame", "-V 2", pcm, "vbr_source.mp3");
  const std::vector<uint8_t> stream = mpegtest::ReadFile(mp3);
  // Every frame of the stream, decoded one by one (the info frame as silence, as the converter
  // decodes it).
  const std::vector<uint8_t> expected = LittleEndian(mpegtest::DecodeAll(stream).samples);
  ASSERT_GE(expected.size(), pcm.samples.size() * 2);
  // The format states the stream's true average rate, so the length the converter estimates
  // from it covers the whole sound: only the drain decides what comes out at the end.
  const uint32_t average = static_cast<uint32_t>(uint64_t{stream.size()} * 22050 * 4 / expected.size());
  const std::vector<uint8_t> format = Concat({U16(0x55), U16(2), U32(22050), U32(average),
                                              U16(1), U16(0), U16(12), U16(1), U32(2), U16(0),
                                              U16(1), U16(0)});
  const std::string path = mpegtest::WriteFixture(
      "vbr_in.wav", Riff("WAVE", {Chunk("fmt ", format), Chunk("data", stream)}));
  for (uint32_t piece : {4096u, 333u}) {
    SCOPED_TRACE(piece);
    DWave wave;
    ASSERT_TRUE(OpenWave(wave, path));
    const std::vector<uint8_t> converted = ReadAll(wave, piece);
    EXPECT_EQ(converted.size(), expected.size());
    EXPECT_TRUE(converted == expected);
  }
}

// A rewind in the middle of a converted source, while decoding goes on: the next pass equals a
// fresh read, with nothing of what the converter still held from the interrupted pass (the MPEG
// converter keeps an unfinished frame and its decoder's reservoir between blocks).
TEST(DWaveSources, RewindWhileConvertingStartsAfresh) {
  const std::string paths[] = {
      SoxFile("ima.wav", 22050, 2, 0.7, "-e ima-adpcm"),
      MpegInWave(mpegtest::Encode("lame", "-b 64", mpegtest::MakeSignal(22050, 1, 0.8),
                                  "wave_source.mp3")),
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    DWave fresh;
    ASSERT_TRUE(OpenWave(fresh, path));
    const std::vector<uint8_t> expected = ReadAll(fresh, 4096);
    ASSERT_GT(expected.size(), 20000u);

    DWave wave;
    ASSERT_TRUE(OpenWave(wave, path));
    ASSERT_TRUE(wave.BeginDecode());
    std::vector<uint8_t> buffer(7001);
    ASSERT_EQ(wave.Read(buffer.data(), 7001), 7001);
    wave.Rewind();
    std::vector<uint8_t> again;
    for (int32_t n; (n = wave.Read(buffer.data(), 4096)) > 0;) {
      again.insert(again.end(), buffer.begin(), buffer.begin() + n);
    }
    EXPECT_TRUE(wave.EndDecode());
    EXPECT_EQ(again.size(), expected.size());
    EXPECT_TRUE(again == expected);
  }
}

std::vector<uint8_t> Ramp(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return bytes;
}

TEST(DWaveSources, WaveChunksArePaddedToEvenSizes) {
  const std::vector<uint8_t> data = Ramp(1000);
  const std::string path = mpegtest::WriteFixture(
      "padded.wav", Riff("WAVE", {Chunk("odd ", {1, 2, 3}), Chunk("fmt ", FormatRecord(1, 1, 22050, 16, 2)),
                                  List("INFO", {Chunk("INAM", {'x'})}), Chunk("junk", Ramp(5)),
                                  Chunk("data", data)}));
  DWave wave;
  ASSERT_TRUE(OpenWave(wave, path));
  EXPECT_EQ(wave.GetKind(), DWave::KIND_PCM);
  EXPECT_EQ(wave.GetFormat().cbSize, 0);
  EXPECT_EQ(ReadAll(wave, 64), data);
}

TEST(DWaveSources, BrokenWaveFilesAreRefused) {
  const std::vector<uint8_t> data = Ramp(100);
  struct Case {
    const char* label;
    std::vector<uint8_t> file;
  };
  std::vector<uint8_t> shortFormat = FormatRecord(1, 1, 22050, 16, 2);
  shortFormat.resize(14);
  const Case cases[] = {
      {"14-byte format", Riff("WAVE", {Chunk("fmt ", shortFormat), Chunk("data", data)})},
      {"no data", Riff("WAVE", {Chunk("fmt ", FormatRecord(1, 1, 22050, 16, 2))})},
      {"no format", Riff("WAVE", {Chunk("data", data)})},
      {"format past the end", Concat({Riff("WAVE", {}), {'f', 'm', 't', ' ', 0xF0, 0xFF, 0xFF, 0x7F}})},
      {"unknown codec", Riff("WAVE", {Chunk("fmt ", FormatRecord(0x1234, 1, 22050, 4, 36)),
                                      Chunk("data", data)})},
      {"too short", {'R', 'I', 'F', 'F', 4, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    DWave wave;
    EXPECT_FALSE(OpenWave(wave, mpegtest::WriteFixture("broken.wav", c.file)));
    EXPECT_FALSE(wave.IsOpen());
    EXPECT_FALSE(wave.Close());
  }
}

TEST(DWaveSources, AcmFailureAndReadBeforeDecodeAreLogged) {
  DebugLog log;
  const std::vector<uint8_t> file = Riff(
      "WAVE", {Chunk("fmt ", FormatRecord(0x1234, 1, 22050, 4, 36)), Chunk("data", Ramp(72))});
  const std::string path = mpegtest::WriteFixture("unknown_codec.wav", file);
  DWave refused;
  EXPECT_FALSE(OpenWave(refused, path));

  DWave wave;
  ASSERT_TRUE(OpenWave(wave, SoxFile("pcm16.wav", 22050, 1, 0.7)));
  uint8_t bytes[4];
  EXPECT_EQ(wave.Read(bytes, 4), -1);
  EXPECT_FALSE(wave.EndDecode());
  const std::string text = log.Text();
  EXPECT_NE(text.find("[DWave] Can't init ACM to '" + path + "'\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[DWave] Run BeginDecode before Read '"), std::string::npos) << text;

  EXPECT_TRUE(wave.BeginDecode());
  EXPECT_FALSE(wave.BeginDecode());
  EXPECT_EQ(wave.Read(bytes, 0), 0);
  EXPECT_TRUE(wave.Close());
  EXPECT_EQ(wave.Read(bytes, 4), -1);
}

// The extra bytes a format announces are cut to its chunk, so the compression manager never
// reads behind the format block.
TEST(DWaveSources, FormatExtraSizeIsCutToItsChunk) {
  const std::string ima = SoxFile("ima.wav", 22050, 2, 0.7, "-e ima-adpcm");
  std::vector<uint8_t> fmt, data;
  for (const RiffChunk& c : TopChunks(mpegtest::ReadFile(ima))) {
    if (c.id == "fmt ") fmt = c.data;
    if (c.id == "data") data = c.data;
  }
  ASSERT_GE(fmt.size(), 20u);
  fmt[16] = 0xFF;  // cbSize 0xFFFF in a 20-byte chunk
  fmt[17] = 0xFF;
  DWave wave;
  ASSERT_TRUE(OpenWave(wave, mpegtest::WriteFixture(
                                 "ima_extra.wav", Riff("WAVE", {Chunk("fmt ", fmt), Chunk("data", data)}))));
  EXPECT_EQ(ReadAll(wave), SoxDecode(ima));
}

TEST(DWaveSources, ShortDataAndPartialLastBlock) {
  // A data chunk that claims more than the file holds delivers what there is, then 0.
  std::vector<uint8_t> file = Riff("WAVE", {Chunk("fmt ", FormatRecord(1, 1, 22050, 16, 2)),
                                            Chunk("data", Ramp(1000))});
  file.resize(file.size() - 600);
  DWave cut;
  ASSERT_TRUE(OpenWave(cut, mpegtest::WriteFixture("cut.wav", file)));
  EXPECT_EQ(ReadAll(cut), std::vector<uint8_t>(Ramp(400)));

  // An IMA file whose last block is cut in the middle delivers up to the PCM length that the
  // whole frames of that block give, and the same samples as the full file up to there.
  const std::string ima = SoxFile("ima.wav", 22050, 2, 0.7, "-e ima-adpcm");
  std::vector<uint8_t> fmt, data;
  for (const RiffChunk& c : TopChunks(mpegtest::ReadFile(ima))) {
    if (c.id == "fmt ") fmt = c.data;
    if (c.id == "data") data = c.data;
  }
  const uint16_t blockAlign = fmt[12] | fmt[13] << 8;
  const uint32_t samplesPerBlock = fmt[18] | fmt[19] << 8;
  data.resize(blockAlign * 3 + blockAlign / 2);
  DWave partial;
  ASSERT_TRUE(OpenWave(partial, mpegtest::WriteFixture(
                                    "ima_partial.wav", Riff("WAVE", {Chunk("fmt ", fmt), Chunk("data", data)}))));
  const std::vector<uint8_t> got = ReadAll(partial, 1000);
  EXPECT_EQ(got.size(), partial.GetLength());
  EXPECT_GT(got.size(), 3 * samplesPerBlock * 4);
  EXPECT_LT(got.size(), 4 * samplesPerBlock * 4);
  const std::vector<uint8_t> full = SoxDecode(ima);
  ASSERT_LE(got.size(), full.size());
  EXPECT_TRUE(std::equal(got.begin(), got.end(), full.begin()));
}

TEST(DWaveSources, SeekSkipsWholeBlocks) {
  const std::string path = SoxFile("pcm16.wav", 22050, 1, 0.7);
  const std::vector<uint8_t> data = DataOf(path);
  struct Case {
    float seconds;
    size_t skipped;
  };
  for (const Case& c : {Case{0.5f, 22050}, Case{0.00001f, 0}, Case{0.25f, 11024}, Case{5.0f, data.size()}}) {
    SCOPED_TRACE(c.seconds);
    DWave wave;
    ASSERT_TRUE(OpenWave(wave, path));
    ASSERT_TRUE(wave.BeginDecode());
    wave.Seek(c.seconds);
    std::vector<uint8_t> rest(data.size());
    const int32_t n = std::max(wave.Read(rest.data(), static_cast<uint32_t>(rest.size())), 0);
    rest.resize(static_cast<size_t>(n));
    EXPECT_EQ(rest, std::vector<uint8_t>(data.begin() + c.skipped, data.end()));
  }
}

// An AVI file whose first stream is video and second audio: the reader takes the chunks "01wb"
// and passes over "00dc", also inside the movie list's interleaving.
std::vector<uint8_t> Avi(const std::vector<uint8_t>& audioFormat,
                         const std::vector<std::vector<uint8_t>>& audioChunks) {
  std::vector<uint8_t> videoHeader(56, 0), audioHeader(56, 0);
  std::copy_n("vids", 4, videoHeader.begin());
  std::copy_n("auds", 4, audioHeader.begin());
  std::vector<std::vector<uint8_t>> movie;
  for (const auto& chunk : audioChunks) {
    movie.push_back(Chunk("00dc", Ramp(33)));
    movie.push_back(Chunk("01wb", chunk));
  }
  return Riff("AVI ", {List("hdrl", {Chunk("avih", std::vector<uint8_t>(56, 0)),
                                     List("strl", {Chunk("strh", videoHeader), Chunk("strf", Ramp(40))}),
                                     List("strl", {Chunk("strh", audioHeader), Chunk("strf", audioFormat)})}),
                       Chunk("JUNK", Ramp(3)), List("movi", movie), Chunk("idx1", Ramp(16))});
}

TEST(DWaveSources, AviAudioOfTheSecondStream) {
  const std::vector<std::vector<uint8_t>> chunks = {Ramp(101), Ramp(0), Ramp(2000), Ramp(7)};
  DWave wave;
  ASSERT_TRUE(OpenWave(wave, mpegtest::WriteFixture("pcm.avi", Avi(FormatRecord(1, 1, 11025, 8, 1), chunks))));
  EXPECT_EQ(wave.GetKind(), DWave::KIND_AVI);
  EXPECT_EQ(wave.GetLength(), 2108u);
  const std::vector<uint8_t> expected = Concat(chunks);
  EXPECT_EQ(ReadAll(wave, 50), expected);
  wave.Rewind();
  ASSERT_TRUE(wave.BeginDecode());
  wave.Seek(0.1f);  // 1102.5 bytes, rounded to 1102
  std::vector<uint8_t> rest(5000);
  rest.resize(static_cast<size_t>(wave.Read(rest.data(), 5000)));
  EXPECT_EQ(rest, std::vector<uint8_t>(expected.begin() + 1102, expected.end()));

  // AVI files the reader cannot take: nothing of them is read past their lists.
  std::vector<uint8_t> video(56, 0), audio(56, 0);
  std::copy_n("vids", 4, video.begin());
  std::copy_n("auds", 4, audio.begin());
  const std::vector<uint8_t> pcm = FormatRecord(1, 1, 11025, 8, 1);
  struct Case {
    const char* label;
    std::vector<uint8_t> file;
  };
  const Case refused[] = {
      {"no audio stream",
       Riff("AVI ", {List("hdrl", {List("strl", {Chunk("strh", video), Chunk("strf", pcm)})}),
                     List("movi", {Chunk("00wb", Ramp(10))})})},
      {"no movie list",
       Riff("AVI ", {List("hdrl", {List("strl", {Chunk("strh", audio), Chunk("strf", pcm)})}),
                     Chunk("01wb", Ramp(10))})},
      {"short stream header",
       Riff("AVI ", {List("hdrl", {List("strl", {Chunk("strh", {'a', 'u', 'd', 's'}), Chunk("strf", pcm)})}),
                     List("movi", {Chunk("00wb", Ramp(10))})})},
      {"no header list", Riff("AVI ", {List("movi", {Chunk("00wb", Ramp(10))})})},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.label);
    DWave broken;
    EXPECT_FALSE(OpenWave(broken, mpegtest::WriteFixture("broken.avi", c.file)));
  }

  // IMA ADPCM in AVI chunks converts as the same data in a WAVE file.
  const std::string ima = SoxFile("ima.wav", 22050, 2, 0.7, "-e ima-adpcm");
  std::vector<uint8_t> fmt, data;
  for (const RiffChunk& c : TopChunks(mpegtest::ReadFile(ima))) {
    if (c.id == "fmt ") fmt = c.data;
    if (c.id == "data") data = c.data;
  }
  std::vector<std::vector<uint8_t>> pieces;
  for (size_t at = 0; at < data.size(); at += 1001) {
    pieces.emplace_back(data.begin() + at, data.begin() + std::min(data.size(), at + 1001));
  }
  DWave compressed;
  ASSERT_TRUE(OpenWave(compressed, mpegtest::WriteFixture("ima.avi", Avi(fmt, pieces))));
  EXPECT_EQ(compressed.GetKind(), DWave::KIND_AVI | DWave::KIND_ACM);
  EXPECT_EQ(ReadAll(compressed, 777), SoxDecode(ima));
}

}  // namespace

// Gives every page of an Ogg stream the serial number `serial` (four bytes as stored) and
// recomputes the page checksums (polynomial 0x04C11DB7, no reflection, initial value 0).
std::vector<uint8_t> WithOggSerial(std::vector<uint8_t> ogg, const uint8_t (&serial)[4]) {
  size_t at = 0;
  while (at + 27 <= ogg.size() && std::equal(ogg.begin() + at, ogg.begin() + at + 4, "OggS")) {
    const size_t segments = ogg[at + 26];
    size_t length = 27 + segments;
    for (size_t i = 0; i < segments && at + 27 + i < ogg.size(); ++i) length += ogg[at + 27 + i];
    if (at + length > ogg.size()) break;
    std::copy(serial, serial + 4, ogg.begin() + at + 14);
    std::fill(ogg.begin() + at + 22, ogg.begin() + at + 26, 0);
    uint32_t crc = 0;
    for (size_t i = 0; i < length; ++i) {
      crc ^= uint32_t{ogg[at + i]} << 24;
      for (int bit = 0; bit < 8; ++bit) crc = crc & 0x80000000u ? crc << 1 ^ 0x04C11DB7u : crc << 1;
    }
    for (int i = 0; i < 4; ++i) ogg[at + 22 + i] = uint8_t(crc >> (8 * i));
    at += length;
  }
  return ogg;
}

// An Ogg Vorbis file whose bytes hold a plausible MPEG frame header (here its serial number;
// a page checksum does it too, about one sox-made file in a hundred) is still Ogg Vorbis: the
// MPEG probe takes the first sync anywhere in the file, so it is not asked about a file that
// begins with "OggS".
TEST(DWaveSources, AnOggFileHoldingAnMpegHeaderIsReadAsVorbis) {
  const std::string ogg = SoxFile("stereo.ogg", 22050, 2, 0.7);
  const uint8_t mpegHeader[4] = {0xFF, 0xFB, 0x90, 0x64};  // MPEG-1 layer III, 128 kbit/s
  DWave wave;
  ASSERT_TRUE(OpenWave(wave, mpegtest::WriteFixture(
                                 Unique("mpeg_serial.ogg"),
                                 WithOggSerial(mpegtest::ReadFile(ogg), mpegHeader))));
  EXPECT_EQ(wave.GetKind(), DWave::KIND_VORBIS);
  EXPECT_EQ(ReadAll(wave), SoxDecode(ogg));
}
