#pragma once

#include "platform/acm/WaveFormat.h"

#include <cstdint>

// The compression manager calls of the sound reader: suggest a PCM format for a compressed one,
// open a conversion stream, size it, prepare a header over the caller's two buffers, convert,
// unprepare and close. Conversions run synchronously on the calling thread; there are no
// installable drivers, so every driver handle given must be null.
namespace acm {

using MMRESULT = uint32_t;

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
inline constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
inline constexpr MMRESULT ACMERR_UNPREPARED = 514;

inline constexpr uint32_t ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000;
inline constexpr uint32_t ACM_FORMATSUGGESTF_NCHANNELS = 0x00020000;
inline constexpr uint32_t ACM_FORMATSUGGESTF_NSAMPLESPERSEC = 0x00040000;
inline constexpr uint32_t ACM_FORMATSUGGESTF_WBITSPERSAMPLE = 0x00080000;

inline constexpr uint32_t ACM_STREAMOPENF_QUERY = 0x00000001;
inline constexpr uint32_t ACM_STREAMOPENF_ASYNC = 0x00000002;
inline constexpr uint32_t ACM_STREAMOPENF_NONREALTIME = 0x00000004;

inline constexpr uint32_t ACM_STREAMSIZEF_SOURCE = 0x00000000;
inline constexpr uint32_t ACM_STREAMSIZEF_DESTINATION = 0x00000001;

inline constexpr uint32_t ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
inline constexpr uint32_t ACM_STREAMCONVERTF_START = 0x00000010;
inline constexpr uint32_t ACM_STREAMCONVERTF_END = 0x00000020;

inline constexpr uint32_t ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
inline constexpr uint32_t ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;

// cbStruct must be sizeof(ACMSTREAMHEADER) (pointer-sized fields make it larger than on 32-bit
// systems). After a conversion, the used lengths say how much of each buffer was consumed and
// filled; a conversion always consumes whole source blocks.
struct ACMSTREAMHEADER {
  uint32_t cbStruct;
  uint32_t fdwStatus;
  uintptr_t dwUser;
  uint8_t* pbSrc;
  uint32_t cbSrcLength;
  uint32_t cbSrcLengthUsed;
  uintptr_t dwSrcUser;
  uint8_t* pbDst;
  uint32_t cbDstLength;
  uint32_t cbDstLengthUsed;
  uintptr_t dwDstUser;
};

struct AcmDriver;
struct AcmStream;
struct WAVEFILTER;
using HACMDRIVER = AcmDriver*;
using HACMSTREAM = AcmStream*;

// Formats are read as their record plus cbSize extra bytes (a PCM format as its first 16 bytes),
// which must all be readable behind the pointer.
MMRESULT acmFormatSuggest(HACMDRIVER driver, const WAVEFORMATEX* source, WAVEFORMATEX* destination,
                          uint32_t destinationBytes, uint32_t flags);
MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER driver, const WAVEFORMATEX* source,
                       const WAVEFORMATEX* destination, const WAVEFILTER* filter,
                       uintptr_t callback, uintptr_t instance, uint32_t flags);
MMRESULT acmStreamSize(HACMSTREAM stream, uint32_t input, uint32_t* output, uint32_t flags);
MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags);
MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags);
MMRESULT acmStreamClose(HACMSTREAM stream, uint32_t flags);

}  // namespace acm
