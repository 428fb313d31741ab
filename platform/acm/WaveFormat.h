#pragma once

#include <cstdint>

namespace acm {

// The wave format record as it lies in "fmt " chunks and in the callers' format blocks: 18 bytes,
// packed, little-endian on this machine as in the files. A format's extra bytes (cbSize of them)
// follow the record directly, so the record must not be padded to 20 bytes.
#pragma pack(push, 1)
struct WAVEFORMATEX {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
  uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

// The older PCM record without cbSize: PCM formats may be given with only these 16 bytes.
inline constexpr uint32_t kPcmFormatBytes = 16;

inline constexpr uint16_t WAVE_FORMAT_PCM = 0x0001;
inline constexpr uint16_t WAVE_FORMAT_ADPCM = 0x0002;
inline constexpr uint16_t WAVE_FORMAT_ALAW = 0x0006;
inline constexpr uint16_t WAVE_FORMAT_MULAW = 0x0007;
inline constexpr uint16_t WAVE_FORMAT_IMA_ADPCM = 0x0011;
inline constexpr uint16_t WAVE_FORMAT_MPEG = 0x0050;
inline constexpr uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;

}  // namespace acm
