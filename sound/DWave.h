#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"
#include "platform/acm/Acm.h"
#include "platform/acm/WaveFormat.h"
#include "sound/DgameVorbis.h"
#include "sound/mpeg/DgameMp3.h"

#include <cstdint>

namespace dbtl {

// One sound file as a stream of PCM bytes with a PCM format, whatever it holds: RIFF WAVE (PCM,
// or converted through the compression manager), the first audio stream of a RIFF AVI file,
// MPEG audio or Ogg Vorbis. It reads through a window of its own onto the caller's file, so the
// caller may close its file afterwards. One thread at a time.
//
// Calling order: Open; BeginDecode; Read until it gives 0; EndDecode; to play again Rewind and
// BeginDecode; Close.
class DWave : public DObject {
 public:
  // Source kinds: bit 1 converts through the compression manager, bit 2 takes the data from AVI
  // chunks, 4 decodes MPEG audio, 8 decodes Ogg Vorbis.
  static constexpr uint32_t KIND_PCM = 0;
  static constexpr uint32_t KIND_ACM = 1;
  static constexpr uint32_t KIND_AVI = 2;
  static constexpr uint32_t KIND_MP3 = 4;
  static constexpr uint32_t KIND_VORBIS = 8;

  DWave() = default;
  DWave(const DWave&) = delete;
  DWave& operator=(const DWave&) = delete;
  ~DWave() override;

  // False when already open or when no source kind fits (the reader is then closed).
  bool Open(DFile& file);
  // False when not open.
  bool Close();
  // False when decoding has begun already or the compression manager cannot be set up.
  bool BeginDecode();
  // False when decoding was not begun.
  bool EndDecode();
  // Up to n PCM bytes: the count delivered, 0 at the end, -1 when not open or not decoding. A
  // null buffer skips the bytes.
  int32_t Read(void* buffer, uint32_t n);
  // Back to the first PCM byte; a conversion under way starts afresh.
  void Rewind();
  // Skips forward by that time (whole blocks).
  void Seek(float seconds);

  bool IsOpen() const { return m_open != 0; }
  uint32_t GetKind() const { return m_kind; }
  const acm::WAVEFORMATEX& GetFormat() const { return m_pcmFormat; }
  uint32_t GetLength() const { return m_pcmLength; }
  const char* GetPath() const { return m_file.GetPath(); }

  // Finds the n-th chunk (from 0) with the identifier from file's current position; every other
  // chunk is skipped by its size rounded up to even. On success file is at the chunk's data.
  static bool _FindChunk(DFile& file, const char* identifier, uint32_t n, uint32_t* size);

 private:
  bool _OpenWave();
  bool _OpenAvi();
  bool _OpenMp3();
  bool _OpenVorbis();
  bool _CheckAcm();
  // Reads a "fmt " or "strf" chunk of `size` bytes at file's position into the format block.
  bool _ReadFormat(DFile& file, uint32_t size);
  // Makes the next chunk with the audio identifier at or after position `from` current.
  bool _NextAviChunk(int64_t from);
  // Fills the PCM format the compression manager suggests for the source format.
  bool _SuggestPcm();
  int32_t _ReadRaw(void* buffer, uint32_t n);
  int32_t _Decode(void* buffer, uint32_t n);
  // Writes the message, the path and "'" with CR LF to the debug log.
  void _LogPath(const char* message) const;

  uint8_t m_open = 0;
  uint8_t m_decoding = 0;
  DFile m_file;
  uint32_t m_kind = 0;
  rcptr<uint8_t> m_formatBlock;
  int64_t m_dataStart = 0;
  uint32_t m_pcmRemaining = 0;
  acm::WAVEFORMATEX m_pcmFormat{};
  uint32_t m_pcmLength = 0;
  acm::WAVEFORMATEX* m_sourceFormat = nullptr;
  uint32_t m_sourceLength = 0;
  uint32_t m_sourceRemaining = 0;
  acm::HACMSTREAM m_acm = nullptr;
  acm::ACMSTREAMHEADER m_header{};
  rcptr<uint8_t> m_sourceBuffer;
  uint32_t m_sourceBufferSize = 0;
  rcptr<uint8_t> m_decoded;
  uint32_t m_decodedSize = 0;
  uint32_t m_decodedAvailable = 0;
  uint32_t m_decodedOffset = 0;
  char m_aviChunkId[5] = {};
  int64_t m_aviNextChunk = 0;
  uint32_t m_aviChunkLeft = 0;
  DgameMp3 m_mp3;
  uint32_t m_mp3Held = 0;
  uint32_t m_mp3Consumed = 0;
  DgameVorbis m_vorbis;
};

}  // namespace dbtl
