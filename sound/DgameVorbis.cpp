#include "sound/DgameVorbis.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace dbtl {

namespace {

// ov_read reports a damaged stretch once as a negative result and then carries on. A stream
// that keeps failing would otherwise hold the reading thread forever, so after this many
// failures in a row it is treated as ended.
constexpr int kMaxFailuresInARow = 64;

}  // namespace

DgameVorbis::~DgameVorbis() { Close(); }

size_t DgameVorbis::_ReadCallback(void* pointer, size_t size, size_t count, void* source) {
  auto* self = static_cast<DgameVorbis*>(source);
  const int64_t read = self->m_file.Read(pointer, size * count);
  return read > 0 ? static_cast<size_t>(read) : 0;
}

int DgameVorbis::_SeekCallback(void* source, int64_t offset, int whence) {
  auto* self = static_cast<DgameVorbis*>(source);
  int mode = DSEEK_BEGIN;
  if (whence == SEEK_CUR) mode = DSEEK_CURRENT;
  else if (whence == SEEK_END) mode = DSEEK_END;
  // The window takes 32-bit positions; the low 32 bits keep small negative offsets negative.
  const auto position = static_cast<int32_t>(static_cast<uint32_t>(offset));
  return self->m_file.Seek(position, mode) ? 0 : -1;
}

// The window is closed by Close, not by libvorbisfile.
int DgameVorbis::_CloseCallback(void* /*source*/) { return 0; }

long DgameVorbis::_TellCallback(void* source) {
  return static_cast<long>(static_cast<DgameVorbis*>(source)->m_file.Tell());
}

bool DgameVorbis::Open(DFile& file) {
  if (m_vorbis) return false;
  m_file.Close();
  if (!m_file.OpenRange(file, 0, -1)) return false;
  m_file.Seek(0, DSEEK_BEGIN);

  rcptr<OggVorbis_File> vorbis;
  vorbis.Create(1);
  std::memset(vorbis.Get(), 0, sizeof(OggVorbis_File));
  const ov_callbacks callbacks = {&_ReadCallback, &_SeekCallback, &_CloseCallback, &_TellCallback};
  // On failure libvorbisfile clears the state itself.
  if (ov_open_callbacks(this, vorbis.Get(), nullptr, 0, callbacks) < 0) {
    m_file.Close();
    return false;
  }
  const vorbis_info* info = ov_info(vorbis.Get(), -1);
  const ogg_int64_t samples = info != nullptr ? ov_pcm_total(vorbis.Get(), -1) : OV_EINVAL;
  if (info == nullptr || samples == OV_EINVAL || samples < 0 || info->channels <= 0 ||
      info->channels > 0x7FFF || info->rate <= 0) {
    ov_clear(vorbis.Get());
    m_file.Close();
    return false;
  }

  m_vorbis = vorbis;
  m_format = {};
  m_format.wFormatTag = acm::WAVE_FORMAT_PCM;
  m_format.nChannels = static_cast<uint16_t>(info->channels);
  m_format.nSamplesPerSec = static_cast<uint32_t>(info->rate);
  m_format.nBlockAlign = static_cast<uint16_t>(2 * info->channels);
  m_format.nAvgBytesPerSec = m_format.nSamplesPerSec * m_format.nBlockAlign;
  m_format.wBitsPerSample = 16;
  // A length past 32 bits saturates instead of wrapping to a short sound.
  const uint64_t bytes = static_cast<uint64_t>(samples) * m_format.nBlockAlign;
  m_totalPcmBytes = static_cast<uint32_t>(
      std::min<uint64_t>(bytes, std::numeric_limits<uint32_t>::max()));
  Rewind();
  return true;
}

bool DgameVorbis::Close() {
  if (!m_vorbis) return false;
  ov_clear(m_vorbis.Get());
  m_vorbis.Reset();
  m_file.Close();
  return true;
}

int32_t DgameVorbis::Read(void* buffer, uint32_t n) {
  if (!m_vorbis) return -1;
  if (m_end || n == 0) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  uint32_t delivered = 0;
  int failures = 0;
  while (delivered < n) {
    if (m_count <= 0) {
      int section = 0;
      const long got = ov_read(m_vorbis.Get(), reinterpret_cast<char*>(m_buffer), kBufferBytes,
                               0, 2, 1, &section);
      if (got < 0) {
        if (++failures < kMaxFailuresInARow) continue;
        m_end = true;
        break;
      }
      if (got == 0) {
        m_end = true;
        break;
      }
      failures = 0;
      m_count = static_cast<int32_t>(got);
      m_offset = 0;
    }
    const uint32_t take = std::min(n - delivered, static_cast<uint32_t>(m_count));
    if (out != nullptr) std::memcpy(out + delivered, m_buffer + m_offset, take);
    m_offset += take;
    m_count -= static_cast<int32_t>(take);
    delivered += take;
  }
  return static_cast<int32_t>(delivered);
}

int DgameVorbis::Rewind() {
  m_offset = 0;
  m_count = 0;
  m_end = false;
  if (!m_vorbis) return OV_EINVAL;
  return ov_pcm_seek(m_vorbis.Get(), 0);
}

void DgameVorbis::Seek(float seconds) {
  if (!m_vorbis) return;
  const auto samples =
      static_cast<ogg_int64_t>(std::nearbyint(static_cast<double>(seconds) * m_format.nSamplesPerSec));
  ov_pcm_seek(m_vorbis.Get(), ov_pcm_tell(m_vorbis.Get()) + samples);
}

}  // namespace dbtl
