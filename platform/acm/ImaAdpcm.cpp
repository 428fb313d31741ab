// IMA ADPCM in the block layout of WAVE files: per channel a 4-byte header (the first sample and
// the step index), then 4-byte words of eight 4-bit codes, low nibble first, the channels' words
// taking turns.
#include "platform/acm/BlockCodec.h"

#include <algorithm>
#include <array>

namespace acm {

namespace {

constexpr std::array<int16_t, 89> kStepSizes = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<int8_t, 16> kIndexSteps = {-1, -1, -1, -1, 2, 4, 6, 8,
                                                -1, -1, -1, -1, 2, 4, 6, 8};

constexpr int kMaxIndex = int(kStepSizes.size()) - 1;

struct ChannelState {
  int predictor;
  int index;

  int16_t next(unsigned code) {
    const int step = kStepSizes[size_t(index)];
    int diff = step >> 3;
    if (code & 4) diff += step;
    if (code & 2) diff += step >> 1;
    if (code & 1) diff += step >> 2;
    predictor = std::clamp(code & 8 ? predictor - diff : predictor + diff, -32768, 32767);
    index = std::clamp(index + kIndexSteps[code], 0, kMaxIndex);
    return int16_t(predictor);
  }
};

class ImaAdpcmCodec final : public BlockCodec {
 public:
  ImaAdpcmCodec(uint16_t channels, uint32_t blockBytes, uint32_t blockFrames)
      : BlockCodec(channels, blockBytes, blockFrames) {}

  uint32_t partialFrames(uint32_t bytes) const override {
    const uint32_t header = 4u * channels();
    if (bytes < header) return 0;
    // Only word groups that are complete for every channel decode.
    return std::min(blockFrames(), 1 + (bytes - header) / header * 8);
  }

  void decode(const uint8_t* source, uint32_t blocks, int16_t* out) const override {
    const uint32_t ch = channels();
    for (uint32_t b = 0; b < blocks; ++b, source += blockBytes(), out += blockFrames() * ch) {
      for (uint32_t c = 0; c < ch; ++c) {
        const uint8_t* h = source + 4 * c;
        // A step index beyond the table is damage; it is held at the table's end rather than
        // read past it.
        ChannelState state{readI16(h), std::min<int>(h[2], kMaxIndex)};
        out[c] = int16_t(state.predictor);
        const uint8_t* words = source + 4 * ch + 4 * c;
        for (uint32_t f = 1; f < blockFrames(); ++f) {
          const uint32_t k = f - 1;  // code number within this channel
          const uint8_t byte = words[(k / 8) * 4 * ch + (k % 8) / 2];
          out[f * ch + c] = state.next(k % 2 == 0 ? byte & 0x0F : byte >> 4);
        }
      }
    }
  }
};

}  // namespace

std::unique_ptr<Converter> makeImaAdpcmConverter(std::span<const uint8_t> format,
                                                 const WAVEFORMATEX& destination) {
  const WAVEFORMATEX s = formatRecord(format);
  if (!isFourBitAdpcm(s)) return nullptr;
  const uint32_t header = 4u * s.nChannels;
  if (s.nBlockAlign <= header || s.nBlockAlign % header != 0) return nullptr;
  const uint32_t fullFrames = 1 + (s.nBlockAlign - header) / header * 8;
  // The declared frames per block may stop short of what the block could hold, never beyond.
  uint32_t frames = fullFrames;
  const auto extra = formatExtra(format);
  if (extra.size() >= 2 && readU16(extra.data()) != 0) frames = readU16(extra.data());
  if (frames > fullFrames) return nullptr;
  if (!isPcmDestinationFor(s, destination)) return nullptr;
  return makeBlockConverter(std::make_unique<ImaAdpcmCodec>(s.nChannels, s.nBlockAlign, frames),
                            destination);
}

}  // namespace acm
