#include "sound/DWave.h"

#include "foundation/dbtl/DDebug.h"
#include "foundation/dbtl/DString.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace dbtl {

DWave::~DWave() { Close(); }

bool DWave::Open(DFile& file) {
  if (m_open) return false;
  m_file.Close();
  if (!m_file.OpenRange(file, 0, -1)) return false;
  m_file.Seek(0, DSEEK_BEGIN);
  m_decoding = 0;

  uint8_t header[12];
  if (m_file.Read(header, sizeof header) == static_cast<int64_t>(sizeof header)) {
    if (std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "WAVE", 4) == 0) {
      m_open = _OpenWave();
    } else if (std::memcmp(header, "OggS", 4) == 0) {
      // An Ogg stream is never probed as MPEG: that probe takes the first sync anywhere in the
      // file, and a page's serial number or checksum can look like a frame header.
      m_open = _OpenVorbis();
    } else {
      m_open = _OpenAvi() || _OpenMp3() || _OpenVorbis();
    }
  }
  if (!m_open) Close();
  return m_open != 0;
}

bool DWave::Close() {
  const bool wasOpen = m_open != 0;
  if (wasOpen) EndDecode();  // the compression header is unprepared before its buffers go
  m_formatBlock.Reset();
  m_sourceFormat = nullptr;
  m_sourceBuffer.Reset();
  m_sourceBufferSize = 0;
  m_decoded.Reset();
  m_decodedSize = 0;
  m_mp3.Close();
  m_vorbis.Close();
  m_file.Close();
  m_open = 0;
  return wasOpen;
}

bool DWave::BeginDecode() {
  if (m_decoding) return false;
  if ((m_kind & KIND_ACM) == 0) {
    m_decoding = 1;
    return true;
  }
  const uint32_t block = uint32_t{m_sourceFormat->nBlockAlign} * 1024;
  uint32_t decodedBlock = 0;
  bool ok = block != 0 && _SuggestPcm() &&
            acm::acmStreamOpen(&m_acm, nullptr, m_sourceFormat, &m_pcmFormat, nullptr, 0, 0, 0) ==
                acm::MMSYSERR_NOERROR &&
            acm::acmStreamSize(m_acm, m_sourceLength, &m_pcmLength, acm::ACM_STREAMSIZEF_SOURCE) ==
                acm::MMSYSERR_NOERROR &&
            acm::acmStreamSize(m_acm, block, &decodedBlock, acm::ACM_STREAMSIZEF_SOURCE) ==
                acm::MMSYSERR_NOERROR &&
            decodedBlock != 0;
  if (ok) {
    m_sourceBuffer.Create(block);
    m_sourceBufferSize = block;
    m_decoded.Create(decodedBlock);
    m_decodedSize = decodedBlock;
    m_header = {};
    m_header.cbStruct = sizeof(acm::ACMSTREAMHEADER);
    m_header.pbSrc = m_sourceBuffer.Get();
    m_header.cbSrcLength = block;
    m_header.pbDst = m_decoded.Get();
    m_header.cbDstLength = decodedBlock;
    ok = acm::acmStreamPrepareHeader(m_acm, &m_header, 0) == acm::MMSYSERR_NOERROR;
  }
  if (!ok) {
    _LogPath("[DWave] Can't init ACM to '");
    if (m_acm != nullptr) acm::acmStreamClose(m_acm, 0);
    m_acm = nullptr;
    m_header = {};
    return false;
  }
  // The PCM length may have changed with the new stream; what remains follows it.
  m_pcmRemaining = std::min(m_pcmRemaining, m_pcmLength);
  m_decoding = 1;
  return true;
}

bool DWave::EndDecode() {
  if (!m_decoding) return false;
  if (m_acm != nullptr) {
    if (m_header.fdwStatus & acm::ACMSTREAMHEADER_STATUSF_PREPARED) {
      acm::acmStreamUnprepareHeader(m_acm, &m_header, 0);
    }
    acm::acmStreamClose(m_acm, 0);
    m_acm = nullptr;
  }
  m_header = {};
  m_decoding = 0;
  return true;
}

int32_t DWave::Read(void* buffer, uint32_t n) {
  if (!m_open) return -1;
  if (!m_decoding) {
    _LogPath("[DWave] Run BeginDecode before Read '");
    return -1;
  }
  if (n == 0) return 0;
  n = std::min<uint32_t>(n, INT32_MAX);  // the count must fit the result
  if (m_kind == KIND_VORBIS) return m_vorbis.Read(buffer, n);
  const uint32_t m = std::min(n, m_pcmRemaining);
  const int32_t result = (m_kind & (KIND_ACM | KIND_MP3)) ? _Decode(buffer, m) : _ReadRaw(buffer, m);
  if (result > 0) m_pcmRemaining -= static_cast<uint32_t>(result);
  return result;
}

void DWave::_LogPath(const char* message) const {
  DString text;
  text.Append(message);
  text.Append(m_file.GetPath());
  text.Append("'\r\n");
  DDebug::Print(text.GetText());
}

void DWave::Rewind() {
  if (m_kind == KIND_VORBIS) {
    m_vorbis.Rewind();
    return;
  }
  if (m_acm != nullptr) {
    // A converter may hold input and output between conversions (the MPEG converter keeps an
    // unfinished frame, the PCM that did not fit and its decoder's reservoir): left open, it
    // would hand the end of the interrupted pass to the start of the next. A new stream starts
    // the conversion afresh; when it cannot be opened, decoding has ended and reads say so.
    EndDecode();
    BeginDecode();
  }
  m_pcmRemaining = m_pcmLength;
  m_file.Seek(m_dataStart, DSEEK_BEGIN);
  m_sourceRemaining = m_sourceLength;
  m_mp3Held = 0;
  m_mp3Consumed = 0;
  m_decodedAvailable = 0;
  m_decodedOffset = 0;
  if (m_kind == KIND_MP3) m_mp3.m_flags |= DgameMp3::START;
  if (m_kind & KIND_AVI) {
    m_aviChunkLeft = 0;
    m_aviNextChunk = m_dataStart;
    _NextAviChunk(m_dataStart);
  }
}

void DWave::Seek(float seconds) {
  if (!m_open) return;
  if (!m_decoding) {
    _LogPath("[DWave] Run BeginDecode before Read '");
    return;
  }
  if (m_kind == KIND_VORBIS) {
    m_vorbis.Seek(seconds);
    return;
  }
  // In single precision, so that 0.1 s of 11025 bytes a second is 1102.5 and rounds to even.
  const float exact = seconds * static_cast<float>(m_pcmFormat.nAvgBytesPerSec);
  if (!(exact > 0)) return;
  uint64_t bytes = exact >= float(INT32_MAX) ? INT32_MAX : static_cast<uint64_t>(std::nearbyint(exact));
  if (m_pcmFormat.nBlockAlign != 0) bytes -= bytes % m_pcmFormat.nBlockAlign;
  const auto skip = static_cast<uint32_t>(std::min<uint64_t>(bytes, m_pcmRemaining));
  if (skip == 0) return;
  const int32_t skipped =
      (m_kind & (KIND_ACM | KIND_MP3)) ? _Decode(nullptr, skip) : _ReadRaw(nullptr, skip);
  if (skipped > 0) m_pcmRemaining -= static_cast<uint32_t>(skipped);
}

}  // namespace dbtl
