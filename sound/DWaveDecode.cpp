#include "sound/DWave.h"
#include "sound/MpegAcmConverter.h"

#include <algorithm>
#include <cstring>

// The data side of the sound-source reader: raw bytes (WAVE data or AVI chunks) and the two
// decoding paths (compression manager blocks and MPEG frames).
namespace dbtl {

bool DWave::_SuggestPcm() {
  registerMpegAcmConverter();  // MPEG audio in WAVE and AVI files converts like any codec
  m_pcmFormat = {};
  m_pcmFormat.wFormatTag = acm::WAVE_FORMAT_PCM;
  m_pcmLength = 0;
  return acm::acmFormatSuggest(nullptr, m_sourceFormat, &m_pcmFormat, sizeof(acm::WAVEFORMATEX),
                               acm::ACM_FORMATSUGGESTF_WFORMATTAG) == acm::MMSYSERR_NOERROR;
}

bool DWave::_CheckAcm() {
  if ((m_kind & KIND_ACM) == 0) return true;
  acm::HACMSTREAM stream = nullptr;
  bool ok = _SuggestPcm() && acm::acmStreamOpen(&stream, nullptr, m_sourceFormat, &m_pcmFormat,
                                                nullptr, 0, 0, 0) == acm::MMSYSERR_NOERROR;
  ok = ok && acm::acmStreamSize(stream, m_sourceLength, &m_pcmLength,
                                acm::ACM_STREAMSIZEF_SOURCE) == acm::MMSYSERR_NOERROR;
  if (stream != nullptr) acm::acmStreamClose(stream, 0);
  if (!ok) {
    _LogPath("[DWave] Can't init ACM to '");
    return false;
  }
  Rewind();
  return true;
}

int32_t DWave::_ReadRaw(void* buffer, uint32_t n) {
  if ((m_kind & KIND_AVI) == 0) {
    if (buffer == nullptr) return m_file.Seek(n, DSEEK_CURRENT) ? static_cast<int32_t>(n) : -1;
    return static_cast<int32_t>(m_file.Read(buffer, n));
  }
  auto* out = static_cast<uint8_t*>(buffer);
  uint32_t delivered = 0;
  while (delivered < n) {
    if (m_aviChunkLeft == 0) {
      if (!_NextAviChunk(m_aviNextChunk)) break;
      continue;
    }
    const uint32_t want = std::min(n - delivered, m_aviChunkLeft);
    int64_t got;
    if (out == nullptr) got = m_file.Seek(want, DSEEK_CURRENT) ? want : -1;
    else got = m_file.Read(out + delivered, want);
    if (got < 0) got = 0;
    delivered += static_cast<uint32_t>(got);
    m_aviChunkLeft -= static_cast<uint32_t>(got);
    if (static_cast<uint32_t>(got) < want) break;
  }
  return static_cast<int32_t>(delivered);
}

int32_t DWave::_Decode(void* buffer, uint32_t n) {
  auto* out = static_cast<uint8_t*>(buffer);
  uint32_t delivered = 0;
  for (;;) {
    while (m_decodedAvailable != 0) {
      const uint32_t take = std::min(n - delivered, m_decodedAvailable);
      if (out != nullptr) std::memcpy(out + delivered, m_decoded.Get() + m_decodedOffset, take);
      m_decodedOffset += take;
      m_decodedAvailable -= take;
      delivered += take;
      if (delivered == n) return static_cast<int32_t>(delivered);
    }

    if (m_kind == KIND_MP3) {
      int used = m_mp3.Decode(m_decoded.Get(), m_sourceBuffer.Get() + m_mp3Consumed, m_mp3Held);
      if (used == 0) {
        std::memmove(m_sourceBuffer.Get(), m_sourceBuffer.Get() + m_mp3Consumed, m_mp3Held);
        const uint32_t k = std::min(m_sourceRemaining, m_sourceBufferSize - m_mp3Held);
        if (k == 0) return static_cast<int32_t>(delivered);
        if (_ReadRaw(m_sourceBuffer.Get() + m_mp3Held, k) != static_cast<int32_t>(k)) return -1;
        m_mp3Held += k;
        m_sourceRemaining -= k;
        m_mp3Consumed = 0;
        used = m_mp3.Decode(m_decoded.Get(), m_sourceBuffer.Get(), m_mp3Held);
        if (used == 0) return static_cast<int32_t>(delivered);
      }
      const auto consumed = std::min(static_cast<uint32_t>(used), m_mp3Held);
      m_mp3Consumed += consumed;
      m_mp3Held -= consumed;
      m_decodedAvailable = m_decodedSize;
    } else {
      const uint32_t k = std::min(m_sourceRemaining, m_sourceBufferSize);
      acm::MMRESULT converted;
      if (k == 0) {
        // The source has ended, but a converter that carries data across blocks (the MPEG
        // converter: a variable bit rate gives some blocks more PCM than the output block
        // holds) may still hold PCM. Empty conversions drain it until nothing comes out.
        m_header.cbSrcLength = 0;
        converted = acm::acmStreamConvert(m_acm, &m_header, 0);
        m_header.cbSrcLength = m_sourceBufferSize;  // unpreparing needs the prepared length
      } else {
        if (_ReadRaw(m_sourceBuffer.Get(), k) != static_cast<int32_t>(k)) return -1;
        m_sourceRemaining -= k;
        // The last block is converted whole, padded with zero bytes; the PCM length cuts the
        // output where the sound ends.
        std::memset(m_sourceBuffer.Get() + k, 0, m_sourceBufferSize - k);
        converted = acm::acmStreamConvert(m_acm, &m_header, 0);
      }
      if (converted != acm::MMSYSERR_NOERROR) return static_cast<int32_t>(delivered);
      m_decodedAvailable = std::min(m_header.cbDstLengthUsed, m_decodedSize);
    }
    m_decodedOffset = 0;
    if (m_decodedAvailable == 0) return static_cast<int32_t>(delivered);
  }
}

}  // namespace dbtl
