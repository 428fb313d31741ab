#pragma once

#include "platform/acm/Converter.h"
#include "platform/acm/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <span>

namespace acm {

// A source format made of independent blocks of a fixed size, each decoding to a fixed number of
// frames: the ADPCM formats (many frames a block) and the sample formats PCM, A-law and mu-law
// (one frame a block). Decoding never carries state from one block to the next.
class BlockCodec {
 public:
  BlockCodec(uint16_t channels, uint32_t blockBytes, uint32_t blockFrames)
      : channels_(channels), blockBytes_(blockBytes), blockFrames_(blockFrames) {}
  virtual ~BlockCodec() = default;

  uint16_t channels() const { return channels_; }
  uint32_t blockBytes() const { return blockBytes_; }
  uint32_t blockFrames() const { return blockFrames_; }

  // Whole frames that a block cut short after `bytes` bytes (less than a block) still holds: the
  // last block of a file is often shorter than the others.
  virtual uint32_t partialFrames(uint32_t bytes) const {
    (void)bytes;
    return 0;
  }

  // Decodes `blocks` whole blocks into blocks × blockFrames() interleaved 16-bit frames.
  virtual void decode(const uint8_t* source, uint32_t blocks, int16_t* out) const = 0;

 private:
  uint16_t channels_;
  uint32_t blockBytes_;
  uint32_t blockFrames_;
};

// True when the destination is PCM of 8 or 16 bits with the source's channels and rate and a
// block align and byte rate that agree with them.
bool isPcmDestinationFor(const WAVEFORMATEX& source, const WAVEFORMATEX& destination);

// A converter that decodes a block codec into PCM of the destination's width.
std::unique_ptr<Converter> makeBlockConverter(std::unique_ptr<BlockCodec> codec,
                                              const WAVEFORMATEX& destination);

// The record at the start of a format block (which is at least kPcmFormatBytes long); cbSize is
// 0 when the block holds only the older 16-byte PCM record.
WAVEFORMATEX formatRecord(std::span<const uint8_t> format);

// The cbSize extra bytes behind the record; empty when the block is shorter than cbSize says.
std::span<const uint8_t> formatExtra(std::span<const uint8_t> format);

// The shape both ADPCM formats share: 4 bits a sample, mono or stereo, a rate.
inline bool isFourBitAdpcm(const WAVEFORMATEX& s) {
  return (s.nChannels == 1 || s.nChannels == 2) && s.nSamplesPerSec != 0 && s.wBitsPerSample == 4;
}

inline uint16_t readU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline int16_t readI16(const uint8_t* p) { return int16_t(readU16(p)); }

// Factories of the built-in formats; each refuses (null) a format it cannot decode exactly.
std::unique_ptr<Converter> makePcmConverter(std::span<const uint8_t> format,
                                            const WAVEFORMATEX& destination);
std::unique_ptr<Converter> makeALawConverter(std::span<const uint8_t> format,
                                             const WAVEFORMATEX& destination);
std::unique_ptr<Converter> makeMuLawConverter(std::span<const uint8_t> format,
                                              const WAVEFORMATEX& destination);
std::unique_ptr<Converter> makeImaAdpcmConverter(std::span<const uint8_t> format,
                                                 const WAVEFORMATEX& destination);
std::unique_ptr<Converter> makeMsAdpcmConverter(std::span<const uint8_t> format,
                                                const WAVEFORMATEX& destination);

}  // namespace acm
