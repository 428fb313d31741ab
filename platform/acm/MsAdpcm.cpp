// Microsoft ADPCM: per block and channel a predictor number, a step and the two newest samples;
// then 4-bit codes, high nibble first, one per channel in turn. Each sample is predicted from the
// two before it with the block's coefficient pair.
#include "platform/acm/BlockCodec.h"

#include <algorithm>
#include <array>
#include <vector>

namespace acm {

namespace {

constexpr std::array<int, 16> kAdaptation = {230, 230, 230, 230, 307, 409, 512, 614,
                                             768, 614, 512, 409, 307, 230, 230, 230};

// Valid data keep the step far below this (any step above 2^13 already saturates every sample);
// the bound only stops damaged blocks, whose step could otherwise triple without end, from
// leaving integer range.
constexpr int kMaxStep = 1 << 24;

struct Coefficients {
  int first;
  int second;
};

class MsAdpcmCodec final : public BlockCodec {
 public:
  MsAdpcmCodec(uint16_t channels, uint32_t blockBytes, uint32_t blockFrames,
               std::vector<Coefficients> coefficients)
      : BlockCodec(channels, blockBytes, blockFrames), coefficients_(std::move(coefficients)) {}

  uint32_t partialFrames(uint32_t bytes) const override {
    const uint32_t header = 7u * channels();
    if (bytes < header) return 0;
    return std::min(blockFrames(), 2 + (bytes - header) * 2 / channels());
  }

  void decode(const uint8_t* source, uint32_t blocks, int16_t* out) const override {
    const uint32_t ch = channels();
    for (uint32_t b = 0; b < blocks; ++b, source += blockBytes(), out += blockFrames() * ch) {
      std::array<Coefficients, 2> coef{};
      std::array<int, 2> step{}, newer{}, older{};
      for (uint32_t c = 0; c < ch; ++c) {
        // A predictor number beyond the format's table is damage; the first pair stands in.
        const uint8_t predictor = source[c];
        coef[c] = coefficients_[predictor < coefficients_.size() ? predictor : 0];
        step[c] = readI16(source + ch + 2 * c);
        newer[c] = readI16(source + 3 * ch + 2 * c);
        older[c] = readI16(source + 5 * ch + 2 * c);
        out[c] = int16_t(older[c]);
        out[ch + c] = int16_t(newer[c]);
      }
      const uint8_t* codes = source + 7 * ch;
      for (uint32_t k = 0; k < (blockFrames() - 2) * ch; ++k) {
        const uint32_t c = k % ch;
        const unsigned code = k % 2 == 0 ? codes[k / 2] >> 4 : codes[k / 2] & 0x0F;
        const int signedCode = code >= 8 ? int(code) - 16 : int(code);
        const int predicted = (newer[c] * coef[c].first + older[c] * coef[c].second) >> 8;
        const int sample = int(std::clamp<int64_t>(predicted + int64_t(signedCode) * step[c],
                                                   -32768, 32767));
        older[c] = newer[c];
        newer[c] = sample;
        step[c] = int(std::clamp<int64_t>(int64_t(kAdaptation[code]) * step[c] >> 8, 16, kMaxStep));
        out[2 * ch + k] = int16_t(sample);
      }
    }
  }

 private:
  std::vector<Coefficients> coefficients_;
};

}  // namespace

std::unique_ptr<Converter> makeMsAdpcmConverter(std::span<const uint8_t> format,
                                                const WAVEFORMATEX& destination) {
  const WAVEFORMATEX s = formatRecord(format);
  if (!isFourBitAdpcm(s)) return nullptr;
  const uint32_t header = 7u * s.nChannels;
  if (s.nBlockAlign <= header) return nullptr;
  const uint32_t fullFrames = 2 + (s.nBlockAlign - header) * 2 / s.nChannels;

  // Extra bytes: frames per block, the number of coefficient pairs, then the pairs.
  const auto extra = formatExtra(format);
  if (extra.size() < 4) return nullptr;
  const uint32_t frames = readU16(extra.data());
  const uint32_t pairs = readU16(extra.data() + 2);
  if (frames < 2 || frames > fullFrames || pairs == 0 || extra.size() < 4 + 4 * size_t(pairs)) {
    return nullptr;
  }
  std::vector<Coefficients> coefficients(pairs);
  for (uint32_t i = 0; i < pairs; ++i) {
    coefficients[i] = {readI16(extra.data() + 4 + 4 * i), readI16(extra.data() + 6 + 4 * i)};
  }
  if (!isPcmDestinationFor(s, destination)) return nullptr;
  return makeBlockConverter(
      std::make_unique<MsAdpcmCodec>(s.nChannels, s.nBlockAlign, frames, std::move(coefficients)),
      destination);
}

}  // namespace acm
