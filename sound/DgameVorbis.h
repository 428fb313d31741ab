#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"
#include "platform/acm/WaveFormat.h"

#include <cstdint>

struct OggVorbis_File;

namespace dbtl {

// An Ogg Vorbis stream decoded to 16-bit signed little-endian PCM with interleaved channels, for
// the sound-source reader. libvorbisfile does the decoding; this class feeds it from a window
// of its own onto the caller's file and hands the output out in any request size.
class DgameVorbis : public DObject {
 public:
  static constexpr uint32_t kBufferBytes = 4096;

  DgameVorbis() = default;
  DgameVorbis(const DgameVorbis&) = delete;
  DgameVorbis& operator=(const DgameVorbis&) = delete;
  ~DgameVorbis() override;

  // False when already open, or when libvorbisfile refuses the data or cannot measure its
  // length. On success the format and the length are set and the stream is at its start.
  bool Open(DFile& file);
  // False when not open.
  bool Close();
  // Bytes delivered: n unless the stream ends first; 0 at the end (until Rewind) or for n = 0;
  // -1 when not open.
  int32_t Read(void* buffer, uint32_t n);
  // Back to the first sample; the result of the seek (0 on success, negative on failure).
  int Rewind();
  // Moves by that time from the current sample. Bytes already decoded are still handed out
  // first.
  void Seek(float seconds);

  bool IsOpen() const { return static_cast<bool>(m_vorbis); }

  acm::WAVEFORMATEX m_format{};
  uint32_t m_totalPcmBytes = 0;

 private:
  static size_t _ReadCallback(void* pointer, size_t size, size_t count, void* source);
  static int _SeekCallback(void* source, int64_t offset, int whence);
  static int _CloseCallback(void* source);
  static long _TellCallback(void* source);

  DFile m_file;
  rcptr<OggVorbis_File> m_vorbis;
  uint8_t m_buffer[kBufferBytes] = {};
  uint32_t m_offset = 0;
  int32_t m_count = 0;
  bool m_end = false;
};

}  // namespace dbtl
