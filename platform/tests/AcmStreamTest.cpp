// The stream calls' contracts: what is refused, how sizes are counted, and the prepared-header
// rules that keep a conversion inside the caller's buffers.
#include "platform/acm/Acm.h"
#include "platform/acm/Converter.h"

#include "AcmWaveFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

using namespace acm;

WAVEFORMATEX pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
  const uint16_t align = uint16_t(channels * bits / 8);
  return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// A format record followed by its extra bytes, laid out as in a "fmt " chunk.
struct FormatBlock {
  FormatBlock(WAVEFORMATEX record, std::vector<uint8_t> extra) {
    record.cbSize = uint16_t(extra.size());
    bytes.resize(sizeof record + extra.size());
    std::memcpy(bytes.data(), &record, sizeof record);
    std::copy(extra.begin(), extra.end(), bytes.begin() + sizeof record);
  }
  const WAVEFORMATEX* get() const { return reinterpret_cast<const WAVEFORMATEX*>(bytes.data()); }
  std::vector<uint8_t> bytes;
};

FormatBlock ima(uint16_t channels, uint16_t blockAlign, uint16_t framesPerBlock) {
  return {{WAVE_FORMAT_IMA_ADPCM, channels, 22050, 11100, blockAlign, 4, 0},
          {uint8_t(framesPerBlock & 0xFF), uint8_t(framesPerBlock >> 8)}};
}

// Microsoft ADPCM with the usual seven coefficient pairs.
FormatBlock msAdpcm(uint16_t channels, uint16_t blockAlign, uint16_t framesPerBlock,
                    uint16_t pairs = 7) {
  const int16_t coefficients[7][2] = {{256, 0},   {512, -256}, {0, 0},     {192, 64},
                                      {240, 0},   {460, -208}, {392, -232}};
  std::vector<uint8_t> extra = {uint8_t(framesPerBlock & 0xFF), uint8_t(framesPerBlock >> 8),
                                uint8_t(pairs), 0};
  for (const auto& c : coefficients) {
    for (int16_t v : c) {
      extra.push_back(uint8_t(v & 0xFF));
      extra.push_back(uint8_t(uint16_t(v) >> 8));
    }
  }
  return {{WAVE_FORMAT_ADPCM, channels, 22050, 11100, blockAlign, 4, 0}, extra};
}

struct OpenCase {
  const char* what;
  FormatBlock source;
  WAVEFORMATEX destination;
  MMRESULT expected;
};

TEST(AcmStream, OpenAcceptsDecodableFormatsOnly) {
  const OpenCase cases[] = {
      {"IMA mono", ima(1, 256, 505), pcm(1, 22050, 16), MMSYSERR_NOERROR},
      {"IMA to 8 bits", ima(1, 256, 505), pcm(1, 22050, 8), MMSYSERR_NOERROR},
      {"IMA fewer frames than the block holds", ima(1, 256, 400), pcm(1, 22050, 16),
       MMSYSERR_NOERROR},
      {"IMA more frames than the block holds", ima(1, 256, 506), pcm(1, 22050, 16),
       ACMERR_NOTPOSSIBLE},
      {"IMA stereo block not whole words", ima(2, 260, 0), pcm(2, 22050, 16), ACMERR_NOTPOSSIBLE},
      {"IMA block only a header", ima(1, 4, 1), pcm(1, 22050, 16), ACMERR_NOTPOSSIBLE},
      {"MS ADPCM stereo", msAdpcm(2, 512, 500), pcm(2, 22050, 16), MMSYSERR_NOERROR},
      {"MS ADPCM frames beyond block", msAdpcm(1, 256, 501), pcm(1, 22050, 16),
       ACMERR_NOTPOSSIBLE},
      {"MS ADPCM more pairs than extra bytes", msAdpcm(1, 256, 500, 9), pcm(1, 22050, 16),
       ACMERR_NOTPOSSIBLE},
      {"channel count changes", ima(1, 256, 505), pcm(2, 22050, 16), ACMERR_NOTPOSSIBLE},
      {"rate changes", ima(1, 256, 505), pcm(1, 44100, 16), ACMERR_NOTPOSSIBLE},
      {"destination block align wrong",
       ima(1, 256, 505),
       {WAVE_FORMAT_PCM, 1, 22050, 44100, 4, 16, 0},
       ACMERR_NOTPOSSIBLE},
      {"three channels", {{WAVE_FORMAT_ALAW, 3, 8000, 24000, 3, 8, 0}, {}}, pcm(3, 8000, 16),
       ACMERR_NOTPOSSIBLE},
      {"MPEG layer 3 without a decoder",
       {{WAVE_FORMAT_MPEGLAYER3, 2, 44100, 16000, 1, 0, 0}, {}},
       pcm(2, 44100, 16),
       ACMERR_NOTPOSSIBLE},
      {"PCM 8 to 16 bits", {pcm(2, 11025, 8), {}}, pcm(2, 11025, 16), MMSYSERR_NOERROR},
  };
  for (const OpenCase& c : cases) {
    HACMSTREAM stream = nullptr;
    EXPECT_EQ(acmStreamOpen(&stream, nullptr, c.source.get(), &c.destination, nullptr, 0, 0, 0),
              c.expected)
        << c.what;
    EXPECT_EQ(stream != nullptr, c.expected == MMSYSERR_NOERROR) << c.what;
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, c.source.get(), &c.destination, nullptr, 0, 0,
                            ACM_STREAMOPENF_QUERY),
              c.expected)
        << c.what << " (query)";
    if (stream) {
      EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
    }
  }
}

TEST(AcmStream, OpenRefusesDriversFiltersAndAsynchronousStreams) {
  const FormatBlock source = ima(1, 256, 505);
  const WAVEFORMATEX destination = pcm(1, 22050, 16);
  HACMSTREAM stream = nullptr;
  auto* driver = reinterpret_cast<HACMDRIVER>(&stream);
  auto* filter = reinterpret_cast<const WAVEFILTER*>(&destination);
  EXPECT_EQ(acmStreamOpen(&stream, driver, source.get(), &destination, nullptr, 0, 0, 0),
            MMSYSERR_INVALHANDLE);
  EXPECT_EQ(acmStreamOpen(&stream, nullptr, source.get(), &destination, filter, 0, 0, 0),
            MMSYSERR_NOTSUPPORTED);
  EXPECT_EQ(acmStreamOpen(&stream, nullptr, source.get(), &destination, nullptr, 0, 0,
                          ACM_STREAMOPENF_ASYNC),
            ACMERR_NOTPOSSIBLE);
  EXPECT_EQ(acmStreamOpen(&stream, nullptr, source.get(), &destination, nullptr, 0, 0, 0x100),
            MMSYSERR_INVALFLAG);
  EXPECT_EQ(acmStreamOpen(nullptr, nullptr, source.get(), &destination, nullptr, 0, 0, 0),
            MMSYSERR_INVALPARAM);
  EXPECT_EQ(stream, nullptr);
}

TEST(AcmStream, SuggestFollowsTheSourceAndTheFixedFields) {
  const FormatBlock source = msAdpcm(2, 512, 500);
  struct SuggestCase {
    const char* what;
    WAVEFORMATEX preset;
    uint32_t flags;
    MMRESULT expected;
    WAVEFORMATEX suggested;
  };
  const SuggestCase cases[] = {
      {"free", {}, 0, MMSYSERR_NOERROR, pcm(2, 22050, 16)},
      {"tag fixed to PCM", {WAVE_FORMAT_PCM, 0, 0, 0, 0, 0, 0}, ACM_FORMATSUGGESTF_WFORMATTAG,
       MMSYSERR_NOERROR, pcm(2, 22050, 16)},
      {"8 bits asked", {0, 0, 0, 0, 0, 8, 0}, ACM_FORMATSUGGESTF_WBITSPERSAMPLE, MMSYSERR_NOERROR,
       pcm(2, 22050, 8)},
      {"tag fixed to IMA", {WAVE_FORMAT_IMA_ADPCM, 0, 0, 0, 0, 0, 0},
       ACM_FORMATSUGGESTF_WFORMATTAG, ACMERR_NOTPOSSIBLE, {}},
      {"mono asked", {0, 1, 0, 0, 0, 0, 0}, ACM_FORMATSUGGESTF_NCHANNELS, ACMERR_NOTPOSSIBLE, {}},
      {"other rate asked", {0, 0, 8000, 0, 0, 0, 0}, ACM_FORMATSUGGESTF_NSAMPLESPERSEC,
       ACMERR_NOTPOSSIBLE, {}},
      {"unknown flag", {}, 1, MMSYSERR_INVALFLAG, {}},
  };
  for (const SuggestCase& c : cases) {
    WAVEFORMATEX out = c.preset;
    EXPECT_EQ(acmFormatSuggest(nullptr, source.get(), &out, sizeof out, c.flags), c.expected)
        << c.what;
    if (c.expected == MMSYSERR_NOERROR) {
      EXPECT_EQ(std::memcmp(&out, &c.suggested, sizeof out), 0) << c.what;
    }
  }
  // Field values of a damaged file are refused, not multiplied past their range.
  const WAVEFORMATEX damaged = {WAVE_FORMAT_PCM, 0xD0D0, 0xD0D0D0D0, 0, 0xD0D0, 0xD0D0, 0};
  WAVEFORMATEX out{};
  EXPECT_EQ(acmFormatSuggest(nullptr, &damaged, &out, sizeof out, 0), ACMERR_NOTPOSSIBLE);

  // A caller's 16-byte PCM record gets no cbSize written behind it.
  std::array<uint8_t, 18> shortRecord;
  shortRecord.fill(0xEE);
  EXPECT_EQ(acmFormatSuggest(nullptr, source.get(),
                             reinterpret_cast<WAVEFORMATEX*>(shortRecord.data()), 16, 0),
            MMSYSERR_NOERROR);
  EXPECT_EQ(shortRecord[16], 0xEE);
  EXPECT_EQ(shortRecord[17], 0xEE);
}

struct SizeCase {
  const char* what;
  uint32_t input;
  uint32_t flags;
  uint32_t output;
};

TEST(AcmStream, SizesCountWholeBlocksAndTheFramesOfACutBlock) {
  // IMA stereo, 512-byte blocks: an 8-byte header and 63 word pairs, 505 frames of 4 bytes.
  const FormatBlock source = ima(2, 512, 505);
  const WAVEFORMATEX destination = pcm(2, 22050, 16);
  HACMSTREAM stream = nullptr;
  ASSERT_EQ(acmStreamOpen(&stream, nullptr, source.get(), &destination, nullptr, 0, 0, 0),
            MMSYSERR_NOERROR);
  const SizeCase cases[] = {
      {"no bytes", 0, ACM_STREAMSIZEF_SOURCE, 0},
      {"three blocks", 1536, ACM_STREAMSIZEF_SOURCE, 3 * 505 * 4},
      {"header only of a fourth block", 1536 + 8, ACM_STREAMSIZEF_SOURCE, (3 * 505 + 1) * 4},
      {"fourth block with one word pair and half of the next", 1536 + 8 + 8 + 5,
       ACM_STREAMSIZEF_SOURCE, (3 * 505 + 9) * 4},
      {"less than a header", 7, ACM_STREAMSIZEF_SOURCE, 0},
      {"one frame needs a block", 4, ACM_STREAMSIZEF_DESTINATION, 512},
      {"one block's frames", 505 * 4, ACM_STREAMSIZEF_DESTINATION, 512},
      {"one frame more", 506 * 4, ACM_STREAMSIZEF_DESTINATION, 1024},
  };
  for (const SizeCase& c : cases) {
    uint32_t out = 0xDEAD;
    EXPECT_EQ(acmStreamSize(stream, c.input, &out, c.flags), MMSYSERR_NOERROR) << c.what;
    EXPECT_EQ(out, c.output) << c.what;
  }
  // 4 GiB of source would decode to more than 32 bits can count.
  uint32_t out = 0;
  EXPECT_EQ(acmStreamSize(stream, 0xFFFFFFFFu, &out, ACM_STREAMSIZEF_SOURCE), ACMERR_NOTPOSSIBLE);
  EXPECT_EQ(acmStreamSize(stream, 1, &out, 2), MMSYSERR_INVALFLAG);
  EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(acmStreamSize(stream, 1, &out, 0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_INVALHANDLE);
}

class AcmHeader : public ::testing::Test {
 protected:
  void SetUp() override {
    const WAVEFORMATEX source = pcm(1, 8000, 8);
    const WAVEFORMATEX destination = pcm(1, 8000, 16);
    ASSERT_EQ(acmStreamOpen(&stream, nullptr, &source, &destination, nullptr, 0, 0, 0),
              MMSYSERR_NOERROR);
    header.cbStruct = sizeof header;
    header.pbSrc = in.data();
    header.cbSrcLength = uint32_t(in.size());
    header.pbDst = out.data();
    header.cbDstLength = uint32_t(out.size());
  }
  void TearDown() override { EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR); }

  HACMSTREAM stream = nullptr;
  std::array<uint8_t, 6> in = {0x80, 0xFF, 0x00, 0x81, 0x7F, 0x40};
  std::array<uint8_t, 8> out{};
  ACMSTREAMHEADER header{};
};

TEST_F(AcmHeader, ConvertsOnlyThroughAPreparedHeaderAndWithinItsBuffers) {
  EXPECT_EQ(acmStreamConvert(stream, &header, 0), ACMERR_UNPREPARED);
  ACMSTREAMHEADER wrongSize = header;
  wrongSize.cbStruct = 84;
  EXPECT_EQ(acmStreamPrepareHeader(stream, &wrongSize, 0), MMSYSERR_INVALPARAM);
  ASSERT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
  EXPECT_TRUE(header.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED);

  // Four 16-bit frames fit the destination; the other two source bytes stay unused.
  ASSERT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(header.cbSrcLengthUsed, 4u);
  EXPECT_EQ(header.cbDstLengthUsed, 8u);
  const std::array<uint8_t, 8> expected = {0x00, 0x00, 0x00, 0x7F, 0x00, 0x80, 0x00, 0x01};
  EXPECT_EQ(out, expected);

  // A shorter length is fine; a longer one or a moved buffer is not.
  header.cbSrcLength = 2;
  EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(header.cbSrcLengthUsed, 2u);
  header.cbSrcLength = uint32_t(in.size()) + 1;
  EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_INVALPARAM);
  header.cbSrcLength = uint32_t(in.size());
  header.pbDst = out.data() + 1;
  EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_INVALPARAM);
  header.pbDst = out.data();
  EXPECT_EQ(acmStreamConvert(stream, &header, 0x1), MMSYSERR_INVALFLAG);

  EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
  EXPECT_FALSE(header.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED);
  EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), ACMERR_UNPREPARED);
  EXPECT_EQ(acmStreamConvert(stream, &header, 0), ACMERR_UNPREPARED);
}

TEST_F(AcmHeader, SixteenToEightBitsKeepsTheHighByte) {
  ASSERT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
  const WAVEFORMATEX source = pcm(1, 8000, 16);
  const WAVEFORMATEX destination = pcm(1, 8000, 8);
  ASSERT_EQ(acmStreamOpen(&stream, nullptr, &source, &destination, nullptr, 0, 0, 0),
            MMSYSERR_NOERROR);
  in = {0x00, 0x80, 0xFF, 0x7F, 0xFF, 0xFF};  // -32768, 32767, -1
  ASSERT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(header.cbDstLengthUsed, 3u);
  EXPECT_EQ(out[0], 0x00);
  EXPECT_EQ(out[1], 0xFF);
  EXPECT_EQ(out[2], 0x7F);
  EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
}

TEST(AcmStream, DamagedAdpcmBlocksDecodeWithinRange) {
  // Step indices past the table, a predictor number past the coefficient pairs and a step that
  // would grow without bound: the decoders must stay inside their tables and integer range.
  struct DamagedCase {
    const char* what;
    FormatBlock format;
  };
  const DamagedCase cases[] = {{"IMA", ima(2, 64, 0)}, {"MS ADPCM", msAdpcm(2, 64, 52)}};
  for (const DamagedCase& c : cases) {
    const WAVEFORMATEX destination = pcm(2, 22050, 16);
    HACMSTREAM stream = nullptr;
    ASSERT_EQ(acmStreamOpen(&stream, nullptr, c.format.get(), &destination, nullptr, 0, 0, 0),
              MMSYSERR_NOERROR)
        << c.what;
    std::vector<uint8_t> in(64 * 4, 0x77);  // every code the largest positive step
    in[0] = 0xFF;                            // predictor number or low sample byte
    in[2] = in[6] = 0xFF;                    // IMA step index 255
    std::vector<uint8_t> out(4096);
    ACMSTREAMHEADER header = wavefixture::headerOver(in, out);
    ASSERT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_NOERROR) << c.what;
    EXPECT_EQ(header.cbSrcLengthUsed, in.size()) << c.what;
    EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
  }
}

// A stand-in for the MPEG decoder that will register itself: any format with its tag opens.
class CopyConverter final : public Converter {
 public:
  std::optional<uint32_t> size(uint32_t bytes, SizeBasis) const override { return bytes; }
  Result convert(std::span<const uint8_t> source, std::span<uint8_t> destination) override {
    const uint32_t n = uint32_t(std::min(source.size(), destination.size()));
    std::memcpy(destination.data(), source.data(), n);
    return {n, n};
  }
};

std::unique_ptr<Converter> makeCopyConverter(std::span<const uint8_t>, const WAVEFORMATEX&) {
  return std::make_unique<CopyConverter>();
}

TEST(AcmStream, RegisteredDecoderJoinsTheManagerAndLeavesAgain) {
  const FormatBlock mp3{{WAVE_FORMAT_MPEGLAYER3, 2, 44100, 16000, 1, 0, 0}, {}};
  const WAVEFORMATEX destination = pcm(2, 44100, 16);
  registerConverter(WAVE_FORMAT_MPEGLAYER3, &makeCopyConverter);
  WAVEFORMATEX suggested{};
  EXPECT_EQ(acmFormatSuggest(nullptr, mp3.get(), &suggested, sizeof suggested, 0),
            MMSYSERR_NOERROR);
  EXPECT_EQ(std::memcmp(&suggested, &destination, sizeof suggested), 0);
  HACMSTREAM stream = nullptr;
  EXPECT_EQ(acmStreamOpen(&stream, nullptr, mp3.get(), &destination, nullptr, 0, 0, 0),
            MMSYSERR_NOERROR);
  EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
  registerConverter(WAVE_FORMAT_MPEGLAYER3, nullptr);
  EXPECT_EQ(acmStreamOpen(&stream, nullptr, mp3.get(), &destination, nullptr, 0, 0, 0),
            ACMERR_NOTPOSSIBLE);
}

}  // namespace
