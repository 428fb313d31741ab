// The formats that code every frame on its own: linear PCM of 8 or 16 bits, A-law and mu-law.
#include "platform/acm/BlockCodec.h"

#include <array>

namespace acm {

namespace {

bool plausibleSource(const WAVEFORMATEX& s, uint16_t bits) {
  return (s.nChannels == 1 || s.nChannels == 2) && s.nSamplesPerSec != 0 &&
         s.wBitsPerSample == bits && s.nBlockAlign == uint32_t(s.nChannels) * bits / 8;
}

class Pcm8Codec final : public BlockCodec {
 public:
  explicit Pcm8Codec(uint16_t channels) : BlockCodec(channels, channels, 1) {}
  void decode(const uint8_t* source, uint32_t blocks, int16_t* out) const override {
    for (uint32_t i = 0; i < blocks * channels(); ++i) out[i] = int16_t((source[i] - 128) * 256);
  }
};

class Pcm16Codec final : public BlockCodec {
 public:
  explicit Pcm16Codec(uint16_t channels) : BlockCodec(channels, channels * 2u, 1) {}
  void decode(const uint8_t* source, uint32_t blocks, int16_t* out) const override {
    for (uint32_t i = 0; i < blocks * channels(); ++i) out[i] = readI16(source + 2 * i);
  }
};

// The companded formats expand every byte through a 256-entry table built once.
class TableCodec final : public BlockCodec {
 public:
  TableCodec(uint16_t channels, const std::array<int16_t, 256>& table)
      : BlockCodec(channels, channels, 1), table_(table) {}
  void decode(const uint8_t* source, uint32_t blocks, int16_t* out) const override {
    for (uint32_t i = 0; i < blocks * channels(); ++i) out[i] = table_[source[i]];
  }

 private:
  const std::array<int16_t, 256>& table_;
};

int16_t expandMuLaw(uint8_t code) {
  const uint8_t u = uint8_t(~code);
  const int exponent = (u >> 4) & 7;
  const int magnitude = ((((u & 0x0F) << 3) + 0x84) << exponent) - 0x84;
  return int16_t((u & 0x80) ? -magnitude : magnitude);
}

int16_t expandALaw(uint8_t code) {
  const uint8_t a = uint8_t(code ^ 0x55);
  const int exponent = (a >> 4) & 7;
  const int mantissa = ((a & 0x0F) << 4) + 8;
  const int magnitude = exponent == 0 ? mantissa : (mantissa + 0x100) << (exponent - 1);
  return int16_t((a & 0x80) ? magnitude : -magnitude);  // in A-law the set sign bit is positive
}

template <int16_t (*Expand)(uint8_t)>
const std::array<int16_t, 256>& expansionTable() {
  static const std::array<int16_t, 256> table = [] {
    std::array<int16_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[size_t(i)] = Expand(uint8_t(i));
    return t;
  }();
  return table;
}

std::unique_ptr<Converter> makeCompandedConverter(std::span<const uint8_t> format,
                                                  const WAVEFORMATEX& destination,
                                                  const std::array<int16_t, 256>& table) {
  const WAVEFORMATEX s = formatRecord(format);
  if (!plausibleSource(s, 8) || !isPcmDestinationFor(s, destination)) return nullptr;
  return makeBlockConverter(std::make_unique<TableCodec>(s.nChannels, table), destination);
}

}  // namespace

std::unique_ptr<Converter> makePcmConverter(std::span<const uint8_t> format,
                                            const WAVEFORMATEX& destination) {
  const WAVEFORMATEX s = formatRecord(format);
  if (!isPcmDestinationFor(s, destination)) return nullptr;
  if (plausibleSource(s, 8)) {
    return makeBlockConverter(std::make_unique<Pcm8Codec>(s.nChannels), destination);
  }
  if (plausibleSource(s, 16)) {
    return makeBlockConverter(std::make_unique<Pcm16Codec>(s.nChannels), destination);
  }
  return nullptr;
}

std::unique_ptr<Converter> makeALawConverter(std::span<const uint8_t> format,
                                             const WAVEFORMATEX& destination) {
  return makeCompandedConverter(format, destination, expansionTable<expandALaw>());
}

std::unique_ptr<Converter> makeMuLawConverter(std::span<const uint8_t> format,
                                              const WAVEFORMATEX& destination) {
  return makeCompandedConverter(format, destination, expansionTable<expandMuLaw>());
}

}  // namespace acm
