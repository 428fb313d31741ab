#include "sound/mpeg/DgameMp3.h"

#include "sound/mpeg/DmpaScan.h"

#include <cstring>

namespace dbtl {

DgameMp3::~DgameMp3() {
  Close();
  m_decoder.Reset();
}

bool DgameMp3::Open() {
  if (m_decoder) return false;
  m_decoder.Create(1);
  std::memset(m_decoder.Get(), 0, sizeof(_DMPADECODER));
  DmpaInit(m_decoder.Get());
  m_flags |= START;
  return true;
}

bool DgameMp3::Close() {
  if (!m_decoder) return false;
  m_format = acm::WAVEFORMATEX{};
  m_totalPcmBytes = m_largestFrame = m_framePcmBytes = m_flags = 0;
  m_decoder.Reset();
  return true;
}

bool DgameMp3::_FindAudio(DFile& file, DFile& range) {
  const int64_t size = file.GetSize();
  if (size < 0) return false;
  int64_t excluded = 0;
  if (size >= 128) {
    uint8_t tail[3];
    if (!file.Seek(size - 128, DSEEK_BEGIN) || file.Read(tail, 3) != 3) return false;
    if (DmpaIsId3v1(tail)) excluded = 128;
  }
  // A leading ID3v2 tag is stepped over: its body (an embedded picture, say) can hold bytes
  // that look like a frame sync.
  int64_t offset = 0;
  uint8_t head[10];
  if (!file.Seek(0, DSEEK_BEGIN)) return false;
  if (file.Read(head, sizeof head) == static_cast<int64_t>(sizeof head)) {
    const int64_t tag = static_cast<int64_t>(DmpaId3v2Length(head, sizeof head));
    if (tag > 0 && tag < size) offset = tag;
  }
  if (!file.Seek(offset, DSEEK_BEGIN)) return false;
  uint8_t block[1024];
  for (;;) {
    const int64_t n = file.Read(block, sizeof block);
    if (n <= 0) return false;
    const long at = DmpaFindSync(block, static_cast<size_t>(n));
    if (at >= 0) {
      const int64_t start = offset + at;
      const int64_t length = size - start - excluded;
      if (length <= 0) return false;
      return range.OpenRange(file, start, length);
    }
    offset += n;
  }
}

bool DgameMp3::_ParseFirstFrame(const uint8_t* bytes, DFile* range) {
  if (!m_decoder) return false;
  _DMPADECODER* ctx = m_decoder.Get();
  _DMPAFRAMEINFO info;
  if (!DmpaGetFrameInfo(&info, ctx, bytes, DMPA_FIRST_FRAME_BYTES, 0)) return false;
  m_format.wFormatTag = acm::WAVE_FORMAT_PCM;
  m_format.nChannels = static_cast<uint16_t>(info.channels);
  m_format.nSamplesPerSec = static_cast<uint32_t>(info.sampleRate);
  m_format.nBlockAlign = static_cast<uint16_t>(info.bitsPerSample / 8 * info.channels);
  m_format.nAvgBytesPerSec = m_format.nSamplesPerSec * m_format.nBlockAlign;
  m_format.wBitsPerSample = static_cast<uint16_t>(info.bitsPerSample);
  m_format.cbSize = 18;
  m_largestFrame = static_cast<uint32_t>(info.longestFrame);
  m_framePcmBytes = static_cast<uint32_t>(info.pcmBytes);
  uint64_t total = 0;
  if (range) {
    if (info.bitrate == 0) {  // a "Xing" or "VBRI" header
      // The header's count is of the frames behind it, but the frame that carries the header
      // is a valid frame too and decodes (to silence) like the others. Counted without it, the
      // length would end one frame before the decoder does and the reader would drop the last
      // frame of the sound.
      total = (uint64_t{info.frameCount} + 1) * m_framePcmBytes;
    } else {
      const int64_t bytesInRange = range->GetSize();
      if (bytesInRange < 0) return false;
      total = static_cast<uint64_t>(bytesInRange / info.shortestFrame) * m_framePcmBytes;
    }
  }
  // The total is an estimate for the reader; a damaged frame count must not wrap it around.
  m_totalPcmBytes = total > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(total);
  ctx->rateShift = 0;
  ctx->outputFlags = 0;
  ctx->cutoff = info.sampleRate;
  return true;
}

int DgameMp3::Decode(uint8_t* out, const uint8_t* data, size_t size) {
  if (!m_decoder) return 0;
  _DMPADECODER* ctx = m_decoder.Get();
  if (m_flags & START) {
    if (!DmpaStartStream(ctx, data, size)) return 0;
    m_flags &= ~START;
  }
  _DMPAFRAME frame{};
  frame.data = data;
  frame.size = size;
  frame.out = out;
  if (!DmpaDecodeFrame(ctx, &frame)) return 0;
  return static_cast<int>(frame.size);
}

}  // namespace dbtl

