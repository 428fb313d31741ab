#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"
#include "platform/acm/WaveFormat.h"
#include "sound/mpeg/Dmpa.h"

#include <cstddef>
#include <cstdint>

namespace dbtl {

// An MPEG audio elementary stream decoded to PCM for the sound-source reader: the search for
// the audio data in a file, the first-frame parse that gives the PCM format and the sizes, and
// a per-frame decode. The reader owns one and drives it.
class DgameMp3 : public DObject {
 public:
  // Bit 0 of m_flags: the stream start is still to be done (set by Open and by the owner's
  // rewind, cleared by the next successful Decode).
  static constexpr uint32_t START = 1;

  DgameMp3() = default;
  ~DgameMp3() override;

  // False when a context is already held.
  bool Open();
  // False when none is held; otherwise zeroes the format and the sizes and drops the context.
  bool Close();
  // Makes `range` a window onto `file` from the first frame sync (after a leading ID3v2 tag)
  // to the end, less a trailing ID3v1 block.
  static bool _FindAudio(DFile& file, DFile& range);
  // Reads the format from the first DMPA_FIRST_FRAME_BYTES bytes of the audio data; `range`
  // (or null) is the window from the search, whose size gives the total PCM length.
  bool _ParseFirstFrame(const uint8_t* bytes, DFile* range);
  // Decodes the frame at `data` (`size` bytes available) into `out` (m_framePcmBytes bytes);
  // returns the input bytes the frame occupied, or 0 when more input is needed, the stream
  // ended or the data is damaged (the context keeps the error code).
  int Decode(uint8_t* out, const uint8_t* data, size_t size);

  rcptr<_DMPADECODER> m_decoder;
  acm::WAVEFORMATEX m_format{};
  uint32_t m_totalPcmBytes = 0;  // estimated PCM length of the whole stream, 0 without a range
  uint32_t m_largestFrame = 0;   // longest frame the stream can hold
  uint32_t m_framePcmBytes = 0;  // PCM bytes of one frame
  uint32_t m_flags = 0;
};

}  // namespace dbtl

