#include "foundation/bytes/ByteReader.h"
#include "sound/DWave.h"

#include <cstdio>
#include <cstring>

// The RIFF side of the sound-source reader: chunk search, WAVE and AVI headers, and the probes
// for MPEG audio and Ogg Vorbis.
namespace dbtl {

namespace {

// Bytes of the window left behind the current position.
int64_t bytesLeft(DFile& file) {
  const int64_t size = file.GetSize();
  const int64_t position = file.Tell();
  return size >= position && position >= 0 ? size - position : 0;
}

// Reads the four-byte list type at the current position of a LIST chunk's data.
bool readListType(DFile& file, char* type) { return file.Read(type, 4) == 4; }

// A window onto the data of a list chunk of `size` bytes whose type was just read, so that a
// search inside the list never runs into the chunks that follow it.
bool openListBody(DFile& file, uint32_t size, DFile& body) {
  if (size < 4) return false;
  return body.OpenRange(file, -1, int64_t{size} - 4);
}

// Skips the rest of a list chunk of `size` bytes whose type was just read.
bool skipListRest(DFile& file, uint32_t size) {
  if (size < 4) return false;
  const int64_t rest = int64_t{size} - 4 + (size & 1);
  return file.Seek(rest, DSEEK_CURRENT);
}

}  // namespace

bool DWave::_FindChunk(DFile& file, const char* identifier, uint32_t n, uint32_t* size) {
  uint32_t matches = 0;
  for (;;) {
    uint8_t header[8];
    if (file.Read(header, sizeof header) != static_cast<int64_t>(sizeof header)) return false;
    const uint32_t chunkSize = loadU32le(header + 4);
    if (std::memcmp(header, identifier, 4) == 0 && matches++ == n) {
      *size = chunkSize;
      return true;
    }
    if (!file.Seek(int64_t{chunkSize} + (chunkSize & 1), DSEEK_CURRENT)) return false;
  }
}

bool DWave::_ReadFormat(DFile& file, uint32_t size) {
  if (size < acm::kPcmFormatBytes || size > bytesLeft(file)) return false;
  const uint32_t blockSize = size > sizeof(acm::WAVEFORMATEX) ? size : sizeof(acm::WAVEFORMATEX);
  m_formatBlock.Create(blockSize);
  std::memset(m_formatBlock.Get(), 0, sizeof(acm::WAVEFORMATEX));
  if (file.Read(m_formatBlock.Get(), size) != int64_t{size}) return false;
  // The extra bytes announced by the record must be inside the chunk: the compression manager
  // reads that many bytes behind the record.
  auto* format = reinterpret_cast<acm::WAVEFORMATEX*>(m_formatBlock.Get());
  const uint32_t room = blockSize - sizeof(acm::WAVEFORMATEX);
  if (format->cbSize > room) format->cbSize = static_cast<uint16_t>(room);
  return true;
}

bool DWave::_OpenWave() {
  const int64_t afterHeader = m_file.Tell();
  uint32_t size = 0;
  if (!_FindChunk(m_file, "fmt ", 0, &size) || !_ReadFormat(m_file, size)) return false;
  const auto* format = reinterpret_cast<const acm::WAVEFORMATEX*>(m_formatBlock.Get());
  if (!m_file.Seek(afterHeader, DSEEK_BEGIN) || !_FindChunk(m_file, "data", 0, &size)) {
    return false;
  }
  m_dataStart = m_file.Tell();
  if (format->wFormatTag == acm::WAVE_FORMAT_PCM) {
    m_kind = KIND_PCM;
    m_pcmFormat = *format;
    m_pcmFormat.cbSize = 0;
    m_pcmLength = size;
    Rewind();
    return true;
  }
  m_kind = KIND_ACM;
  m_sourceFormat = reinterpret_cast<acm::WAVEFORMATEX*>(m_formatBlock.Get());
  m_sourceLength = size;
  return _CheckAcm();
}

bool DWave::_OpenAvi() {
  uint8_t header[12];
  if (!m_file.Seek(0, DSEEK_BEGIN) || m_file.Read(header, 12) != 12 ||
      std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "AVI ", 4) != 0) {
    return false;
  }
  // The header list.
  uint32_t size = 0;
  char type[4];
  for (;;) {
    if (!_FindChunk(m_file, "LIST", 0, &size) || !readListType(m_file, type)) return false;
    if (std::memcmp(type, "hdrl", 4) == 0) break;
    if (!skipListRest(m_file, size)) return false;
  }
  DFile headers;
  if (!openListBody(m_file, size, headers)) return false;

  // The first stream list that describes audio; its count among the lists is the stream number.
  uint32_t stream = 0;
  for (;; ++stream) {
    if (!_FindChunk(headers, "LIST", 0, &size) || !readListType(headers, type)) return false;
    DFile list;
    if (!openListBody(headers, size, list) || !skipListRest(headers, size)) return false;
    if (std::memcmp(type, "strl", 4) != 0) continue;
    uint32_t chunk = 0;
    uint8_t streamHeader[56];
    if (!_FindChunk(list, "strh", 0, &chunk) || chunk < sizeof streamHeader ||
        list.Read(streamHeader, sizeof streamHeader) != int64_t{sizeof streamHeader} ||
        std::memcmp(streamHeader, "auds", 4) != 0) {
      continue;
    }
    list.Seek(0, DSEEK_BEGIN);
    if (!_FindChunk(list, "strf", 0, &chunk) || chunk < acm::kPcmFormatBytes) continue;
    if (!_ReadFormat(list, chunk)) return false;
    break;
  }
  if (stream > 99) return false;  // no two-digit chunk identifier names it
  std::snprintf(m_aviChunkId, sizeof m_aviChunkId, "%02uwb", stream);

  // The movie list holds the chunks; the source length is the sum of the audio chunks' sizes.
  if (!m_file.Seek(12, DSEEK_BEGIN)) return false;
  for (;;) {
    if (!_FindChunk(m_file, "LIST", 0, &size) || !readListType(m_file, type)) return false;
    if (std::memcmp(type, "movi", 4) == 0) break;
    if (!skipListRest(m_file, size)) return false;
  }
  m_dataStart = m_file.Tell();
  uint64_t total = 0;
  uint32_t chunk = 0;
  while (_FindChunk(m_file, m_aviChunkId, 0, &chunk)) {
    total += chunk;
    if (total > UINT32_MAX || !m_file.Seek(int64_t{chunk} + (chunk & 1), DSEEK_CURRENT)) break;
  }
  if (total > UINT32_MAX) return false;

  const auto* format = reinterpret_cast<const acm::WAVEFORMATEX*>(m_formatBlock.Get());
  if (format->wFormatTag == acm::WAVE_FORMAT_PCM) {
    m_kind = KIND_AVI;
    m_pcmFormat = *format;
    m_pcmLength = static_cast<uint32_t>(total);
    Rewind();
    return true;
  }
  m_kind = KIND_AVI | KIND_ACM;
  m_sourceFormat = reinterpret_cast<acm::WAVEFORMATEX*>(m_formatBlock.Get());
  m_sourceLength = static_cast<uint32_t>(total);
  return _CheckAcm();
}

bool DWave::_NextAviChunk(int64_t from) {
  uint32_t size = 0;
  if (!m_file.Seek(from, DSEEK_BEGIN) || !_FindChunk(m_file, m_aviChunkId, 0, &size)) {
    m_aviChunkLeft = 0;
    return false;
  }
  m_aviChunkLeft = size;
  m_aviNextChunk = m_file.Tell() + size + (size & 1);
  return true;
}

bool DWave::_OpenMp3() {
  DFile audio;
  if (!DgameMp3::_FindAudio(m_file, audio)) return false;
  uint8_t first[DMPA_FIRST_FRAME_BYTES];
  if (!audio.Seek(0, DSEEK_BEGIN) || audio.Read(first, sizeof first) != int64_t{sizeof first} ||
      first[0] != 0xFF || (first[1] & 0xE0) != 0xE0) {
    return false;
  }
  const int64_t size = audio.GetSize();
  if (!m_mp3.Open()) return false;
  if (!m_mp3._ParseFirstFrame(first, &audio) || size == -1 || !m_file.Reopen(audio)) {
    m_mp3.Close();
    return false;
  }
  m_kind = KIND_MP3;
  m_sourceLength = size > int64_t{UINT32_MAX} ? UINT32_MAX : static_cast<uint32_t>(size);
  m_pcmFormat = m_mp3.m_format;
  m_pcmLength = m_mp3.m_totalPcmBytes;
  m_dataStart = 0;
  m_sourceBufferSize = m_mp3.m_largestFrame > 8192 ? m_mp3.m_largestFrame : 8192;
  m_decodedSize = m_mp3.m_framePcmBytes;
  m_sourceBuffer.Create(m_sourceBufferSize);
  m_decoded.Create(m_decodedSize);
  Rewind();
  return true;
}

bool DWave::_OpenVorbis() {
  if (!m_vorbis.Open(m_file)) return false;
  m_kind = KIND_VORBIS;
  m_pcmFormat = m_vorbis.m_format;
  m_pcmLength = m_vorbis.m_totalPcmBytes;
  Rewind();
  return true;
}

}  // namespace dbtl
