#include "platform/acm/Acm.h"

#include "platform/acm/Converter.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <vector>

namespace acm {

// A header as it was prepared: a conversion may use shorter lengths than these but never other
// buffers, and unpreparing needs the header as it was.
struct PreparedHeader {
  const ACMSTREAMHEADER* header;
  uint8_t* source;
  uint32_t sourceLength;
  uint8_t* destination;
  uint32_t destinationLength;
};

struct AcmStream {
  std::unique_ptr<Converter> converter;
  std::vector<PreparedHeader> prepared;
};

namespace {

// Handles are checked against the streams that are open, so a closed or made-up handle is an
// error code and never a wild pointer.
struct OpenStreams {
  std::mutex lock;
  std::set<AcmStream*> streams;
};

OpenStreams& openStreams() {
  static OpenStreams s;
  return s;
}

bool isOpen(HACMSTREAM stream) {
  OpenStreams& s = openStreams();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.streams.count(stream) != 0;
}

std::span<const uint8_t> formatBytes(const WAVEFORMATEX* format) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(format);
  if (format->wFormatTag == WAVE_FORMAT_PCM) return {bytes, kPcmFormatBytes};
  return {bytes, sizeof(WAVEFORMATEX) + format->cbSize};
}

WAVEFORMATEX destinationRecord(const WAVEFORMATEX* destination) {
  WAVEFORMATEX d = *destination;
  if (d.wFormatTag == WAVE_FORMAT_PCM) d.cbSize = 0;  // may be the 16-byte record
  return d;
}

std::unique_ptr<Converter> makeConverter(const WAVEFORMATEX* source,
                                         const WAVEFORMATEX& destination) {
  const ConverterFactory factory = findConverter(source->wFormatTag);
  return factory ? factory(formatBytes(source), destination) : nullptr;
}

PreparedHeader* findPrepared(AcmStream* stream, const ACMSTREAMHEADER* header) {
  for (PreparedHeader& p : stream->prepared) {
    if (p.header == header) return &p;
  }
  return nullptr;
}

}  // namespace

MMRESULT acmFormatSuggest(HACMDRIVER driver, const WAVEFORMATEX* source, WAVEFORMATEX* destination,
                          uint32_t destinationBytes, uint32_t flags) {
  constexpr uint32_t kKnown = ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                              ACM_FORMATSUGGESTF_NSAMPLESPERSEC | ACM_FORMATSUGGESTF_WBITSPERSAMPLE;
  if (driver) return MMSYSERR_INVALHANDLE;
  if (flags & ~kKnown) return MMSYSERR_INVALFLAG;
  if (!source || !destination || destinationBytes < kPcmFormatBytes) return MMSYSERR_INVALPARAM;

  // Only PCM is ever suggested; the flags name the fields of the destination that the caller
  // has fixed, and the rest follow the source.
  if ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && destination->wFormatTag != WAVE_FORMAT_PCM) {
    return ACMERR_NOTPOSSIBLE;
  }
  WAVEFORMATEX pcm{};
  pcm.wFormatTag = WAVE_FORMAT_PCM;
  pcm.nChannels = (flags & ACM_FORMATSUGGESTF_NCHANNELS) ? destination->nChannels
                                                         : source->nChannels;
  pcm.nSamplesPerSec = (flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) ? destination->nSamplesPerSec
                                                                   : source->nSamplesPerSec;
  if (flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) {
    pcm.wBitsPerSample = destination->wBitsPerSample;
  } else {
    pcm.wBitsPerSample = source->wFormatTag == WAVE_FORMAT_PCM ? source->wBitsPerSample : 16;
  }
  pcm.nBlockAlign = uint16_t(uint32_t(pcm.nChannels) * pcm.wBitsPerSample / 8);
  pcm.nAvgBytesPerSec = uint32_t(uint64_t(pcm.nSamplesPerSec) * pcm.nBlockAlign);
  if (pcm.nAvgBytesPerSec != uint64_t(pcm.nSamplesPerSec) * pcm.nBlockAlign ||
      !makeConverter(source, pcm)) {
    return ACMERR_NOTPOSSIBLE;
  }
  std::copy_n(reinterpret_cast<const uint8_t*>(&pcm),
              std::min<size_t>(destinationBytes, sizeof pcm),
              reinterpret_cast<uint8_t*>(destination));
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER driver, const WAVEFORMATEX* source,
                       const WAVEFORMATEX* destination, const WAVEFILTER* filter,
                       uintptr_t callback, uintptr_t instance, uint32_t flags) {
  (void)callback;
  (void)instance;
  constexpr uint32_t kKnown =
      ACM_STREAMOPENF_QUERY | ACM_STREAMOPENF_ASYNC | ACM_STREAMOPENF_NONREALTIME;
  if (stream) *stream = nullptr;
  if (driver) return MMSYSERR_INVALHANDLE;
  if (flags & ~kKnown) return MMSYSERR_INVALFLAG;
  if (!source || !destination) return MMSYSERR_INVALPARAM;
  if (!stream && !(flags & ACM_STREAMOPENF_QUERY)) return MMSYSERR_INVALPARAM;
  if (filter) return MMSYSERR_NOTSUPPORTED;
  // Every conversion finishes inside acmStreamConvert, so asynchronous streams are not offered.
  if (flags & ACM_STREAMOPENF_ASYNC) return ACMERR_NOTPOSSIBLE;

  auto converter = makeConverter(source, destinationRecord(destination));
  if (!converter) return ACMERR_NOTPOSSIBLE;
  if (flags & ACM_STREAMOPENF_QUERY) return MMSYSERR_NOERROR;

  auto opened = std::make_unique<AcmStream>();
  opened->converter = std::move(converter);
  OpenStreams& s = openStreams();
  std::lock_guard<std::mutex> guard(s.lock);
  s.streams.insert(opened.get());
  *stream = opened.release();
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamSize(HACMSTREAM stream, uint32_t input, uint32_t* output, uint32_t flags) {
  if (!isOpen(stream)) return MMSYSERR_INVALHANDLE;
  if (flags & ~ACM_STREAMSIZEF_DESTINATION) return MMSYSERR_INVALFLAG;
  if (!output) return MMSYSERR_INVALPARAM;
  const auto size = stream->converter->size(
      input, flags == ACM_STREAMSIZEF_DESTINATION ? SizeBasis::Destination : SizeBasis::Source);
  if (!size) return ACMERR_NOTPOSSIBLE;
  *output = *size;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags) {
  if (!isOpen(stream)) return MMSYSERR_INVALHANDLE;
  if (flags != 0) return MMSYSERR_INVALFLAG;
  if (!header || header->cbStruct != sizeof(ACMSTREAMHEADER) || !header->pbSrc ||
      !header->pbDst || header->cbSrcLength == 0 || header->cbDstLength == 0) {
    return MMSYSERR_INVALPARAM;
  }
  if (const PreparedHeader* p = findPrepared(stream, header)) {
    const bool same = p->source == header->pbSrc && p->sourceLength == header->cbSrcLength &&
                      p->destination == header->pbDst &&
                      p->destinationLength == header->cbDstLength;
    return same ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
  }
  stream->prepared.push_back(
      {header, header->pbSrc, header->cbSrcLength, header->pbDst, header->cbDstLength});
  header->fdwStatus = ACMSTREAMHEADER_STATUSF_PREPARED;
  header->cbSrcLengthUsed = 0;
  header->cbDstLengthUsed = 0;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags) {
  constexpr uint32_t kKnown =
      ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END;
  if (!isOpen(stream)) return MMSYSERR_INVALHANDLE;
  if (flags & ~kKnown) return MMSYSERR_INVALFLAG;
  if (!header || header->cbStruct != sizeof(ACMSTREAMHEADER)) return MMSYSERR_INVALPARAM;
  const PreparedHeader* p = findPrepared(stream, header);
  if (!p || !(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
  // The lengths may shrink between conversions (a last, shorter block); the buffers may not
  // move or grow past what was prepared.
  if (header->pbSrc != p->source || header->pbDst != p->destination ||
      header->cbSrcLength > p->sourceLength || header->cbDstLength > p->destinationLength) {
    return MMSYSERR_INVALPARAM;
  }
  const Converter::Result r = stream->converter->convert({header->pbSrc, header->cbSrcLength},
                                                         {header->pbDst, header->cbDstLength});
  header->cbSrcLengthUsed = r.sourceUsed;
  header->cbDstLengthUsed = r.destinationUsed;
  header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags) {
  if (!isOpen(stream)) return MMSYSERR_INVALHANDLE;
  if (flags != 0) return MMSYSERR_INVALFLAG;
  if (!header || header->cbStruct != sizeof(ACMSTREAMHEADER)) return MMSYSERR_INVALPARAM;
  const PreparedHeader* p = findPrepared(stream, header);
  if (!p) return ACMERR_UNPREPARED;
  if (header->pbSrc != p->source || header->cbSrcLength != p->sourceLength ||
      header->pbDst != p->destination || header->cbDstLength != p->destinationLength) {
    return MMSYSERR_INVALPARAM;
  }
  stream->prepared.erase(stream->prepared.begin() + (p - stream->prepared.data()));
  header->fdwStatus &= ~(ACMSTREAMHEADER_STATUSF_PREPARED | ACMSTREAMHEADER_STATUSF_DONE);
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM stream, uint32_t flags) {
  if (flags != 0) return MMSYSERR_INVALFLAG;
  OpenStreams& s = openStreams();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.streams.erase(stream) == 0) return MMSYSERR_INVALHANDLE;
  // Headers still prepared lose their preparation with the stream; nothing of the caller's
  // buffers is owned here.
  delete stream;
  return MMSYSERR_NOERROR;
}

}  // namespace acm
