// Conversions of files made at test time by sox, compared sample for sample with sox's own
// decoding of the same files.
#include "platform/acm/Acm.h"

#include "AcmWaveFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace acm;
using wavefixture::WaveFile;

// Decodes a compressed "data" chunk the way the sound reader does: a suggested PCM format, the
// PCM length from the source length, one prepared header over a buffer of 1024 source blocks,
// the last block padded with zero bytes, the output cut at the PCM length.
std::vector<int16_t> decodeLikeTheReader(const WaveFile& wave) {
  const auto* source = reinterpret_cast<const WAVEFORMATEX*>(wave.format.data());
  WAVEFORMATEX pcm{};
  pcm.wFormatTag = WAVE_FORMAT_PCM;
  EXPECT_EQ(acmFormatSuggest(nullptr, source, &pcm, sizeof pcm, ACM_FORMATSUGGESTF_WFORMATTAG),
            MMSYSERR_NOERROR);
  EXPECT_EQ(pcm.wBitsPerSample, 16);
  EXPECT_EQ(pcm.nChannels, source->nChannels);
  EXPECT_EQ(pcm.nSamplesPerSec, source->nSamplesPerSec);

  HACMSTREAM stream = nullptr;
  EXPECT_EQ(acmStreamOpen(&stream, nullptr, source, &pcm, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
  uint32_t pcmLength = 0;
  EXPECT_EQ(acmStreamSize(stream, uint32_t(wave.data.size()), &pcmLength, ACM_STREAMSIZEF_SOURCE),
            MMSYSERR_NOERROR);
  std::vector<uint8_t> in(size_t(source->nBlockAlign) * 1024);
  uint32_t outSize = 0;
  EXPECT_EQ(acmStreamSize(stream, uint32_t(in.size()), &outSize, ACM_STREAMSIZEF_SOURCE),
            MMSYSERR_NOERROR);
  std::vector<uint8_t> out(outSize);
  ACMSTREAMHEADER header = wavefixture::headerOver(in, out);
  EXPECT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);

  std::vector<uint8_t> decoded;
  for (size_t at = 0; at < wave.data.size() && decoded.size() < pcmLength;) {
    const size_t n = std::min(in.size(), wave.data.size() - at);
    std::copy_n(wave.data.begin() + at, n, in.begin());
    std::fill(in.begin() + n, in.end(), 0);
    at += n;
    EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_NOERROR);
    decoded.insert(decoded.end(), out.begin(), out.begin() + header.cbDstLengthUsed);
  }
  decoded.resize(std::min<size_t>(decoded.size(), pcmLength));
  EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
  return wavefixture::samplesOf(decoded);
}

struct SoxCase {
  const char* name;
  const char* encoding;  // sox's name of the file's encoding
  int channels;
  int rate;
  const char* synth;  // what sox puts in the file
  uint32_t cut;       // bytes taken from the end of the data, leaving a last block cut short
};

void PrintTo(const SoxCase& c, std::ostream* os) { *os << c.name; }

class AcmVersusSox : public ::testing::TestWithParam<SoxCase> {};

TEST_P(AcmVersusSox, DecodingEqualsSoxDecoding) {
  const SoxCase& c = GetParam();
  const std::string file = wavefixture::scratchPath(std::string(c.name) + ".wav");
  const std::string reference = wavefixture::scratchPath(std::string(c.name) + ".raw");
  ASSERT_TRUE(wavefixture::runSox("-n -r " + std::to_string(c.rate) + " -c " +
                                  std::to_string(c.channels) + " -e " + c.encoding + " " + file +
                                  " synth " + c.synth));
  auto wave = wavefixture::readWaveFile(file);
  ASSERT_TRUE(wave);
  if (c.cut != 0) {
    ASSERT_GT(wave->data.size(), c.cut);
    wave->data.resize(wave->data.size() - c.cut);
    ASSERT_TRUE(wavefixture::writeWaveFile(file, *wave));
  }
  ASSERT_TRUE(wavefixture::runSox(file + " -t raw -e signed-integer -b 16 -L " + reference));
  const std::vector<int16_t> expected = wavefixture::readRawSamples(reference);
  ASSERT_FALSE(expected.empty());

  const std::vector<int16_t> decoded = decodeLikeTheReader(*wave);
  ASSERT_EQ(decoded.size(), expected.size());
  const auto mismatch = std::mismatch(decoded.begin(), decoded.end(), expected.begin());
  EXPECT_TRUE(mismatch.first == decoded.end())
      << "first difference at sample " << (mismatch.first - decoded.begin()) << ": "
      << *mismatch.first << " instead of " << *mismatch.second;
}

// A sweep exercises small steps, white noise drives the step sizes to their limits (and the
// samples into clipping). sox pads its last block; the cut cases end the data inside a block, in
// the middle of a code word, where only the frames the block still holds whole may come out.
INSTANTIATE_TEST_SUITE_P(
    Acm, AcmVersusSox,
    ::testing::Values(
        SoxCase{"ImaMonoSweep", "ima-adpcm", 1, 22050, "0.7 sine 200-6000", 0},
        SoxCase{"ImaStereoNoise", "ima-adpcm", 2, 44100, "0.4 whitenoise sine 440", 0},
        SoxCase{"ImaStereoCutBlock", "ima-adpcm", 2, 22050, "0.3 sine 300-3000 sine 440", 299},
        SoxCase{"MsAdpcmMonoSweep", "ms-adpcm", 1, 22050, "0.7 sine 200-6000", 0},
        SoxCase{"MsAdpcmStereoNoise", "ms-adpcm", 2, 11025, "0.45 whitenoise square 300", 0},
        SoxCase{"MsAdpcmMonoCutBlock", "ms-adpcm", 1, 11025, "0.31 whitenoise", 101},
        SoxCase{"ALawStereo", "a-law", 2, 8000, "0.3 sine 100-3000 whitenoise", 0},
        SoxCase{"MuLawMono", "u-law", 1, 8000, "0.3 whitenoise", 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
