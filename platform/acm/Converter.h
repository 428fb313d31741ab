#pragma once

#include "platform/acm/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace acm {

enum class SizeBasis {
  Source,       // how many destination bytes a given number of source bytes yields
  Destination,  // how many source bytes a given number of destination bytes needs
};

// One open conversion from a source format to PCM. Stream objects hold one; a converter keeps
// whatever state its format needs between calls (the block codecs need none).
class Converter {
 public:
  struct Result {
    uint32_t sourceUsed;
    uint32_t destinationUsed;
  };

  virtual ~Converter() = default;

  // nullopt when the size cannot be expressed in 32 bits.
  virtual std::optional<uint32_t> size(uint32_t bytes, SizeBasis basis) const = 0;

  // Converts as much of the source as fits the destination, in whole source blocks.
  virtual Result convert(std::span<const uint8_t> source, std::span<uint8_t> destination) = 0;
};

// Makes a converter from the source format block (the record and its cbSize extra bytes) to the
// PCM destination, or null when this pair cannot be converted. Formats are checked here, once,
// so a converter never meets a block size or channel count it cannot handle.
using ConverterFactory = std::unique_ptr<Converter> (*)(std::span<const uint8_t> sourceFormat,
                                                        const WAVEFORMATEX& destination);

// The factory for a source format tag, or null when no converter is known for it.
ConverterFactory findConverter(uint16_t formatTag);

// Installs (or, with null, removes) the factory for a format tag. This is how a decoder that
// lives above the platform layer (MPEG audio) joins the compression manager; until it does,
// formats without a factory are answered "not possible".
void registerConverter(uint16_t formatTag, ConverterFactory factory);

}  // namespace acm
