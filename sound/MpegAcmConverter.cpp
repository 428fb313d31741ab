#include "sound/MpegAcmConverter.h"

#include "platform/acm/Converter.h"
#include "sound/mpeg/DgameMp3.h"
#include "sound/mpeg/DmpaScan.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// The most PCM one frame gives: 1152 samples of two 16-bit channels.
constexpr uint64_t kFramePcmBytes = 1152 * 2 * 2;

// Frames do not follow the compression manager's blocks (a WAVE file's block is usually one
// byte), so the converter keeps the bytes of an unfinished frame until the next block, and the
// PCM that did not fit the caller's buffer until the next call.
class MpegConverter : public acm::Converter {
 public:
  MpegConverter(const acm::WAVEFORMATEX& source, const acm::WAVEFORMATEX& destination)
      : m_destination(destination),
        // An unknown rate is taken as the lowest MPEG bit rate (8 kbit/s).
        m_sourceRate(source.nAvgBytesPerSec != 0 ? source.nAvgBytesPerSec : 1000) {
    m_mp3.Open();
  }

  std::optional<uint32_t> size(uint32_t bytes, acm::SizeBasis basis) const override {
    uint64_t n;
    if (basis == acm::SizeBasis::Source) {
      n = (uint64_t{bytes} * m_destination.nAvgBytesPerSec + m_sourceRate - 1) / m_sourceRate +
          kFramePcmBytes;
    } else {
      n = uint64_t{bytes} * m_sourceRate / m_destination.nAvgBytesPerSec + 1;
    }
    if (n > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(n);
  }

  Result convert(std::span<const uint8_t> source, std::span<uint8_t> destination) override {
    m_input.insert(m_input.end(), source.begin(), source.end());
    _DecodeFrames();
    const size_t n = std::min(destination.size(), m_output.size());
    std::copy_n(m_output.begin(), n, destination.begin());
    m_output.erase(m_output.begin(), m_output.begin() + static_cast<ptrdiff_t>(n));
    return {static_cast<uint32_t>(source.size()), static_cast<uint32_t>(n)};
  }

 private:
  void _DecodeFrames() {
    size_t at = 0;
    while (at < m_input.size()) {
      if (!m_parsed) {
        const long sync = DmpaFindSync(m_input.data() + at, m_input.size() - at);
        if (sync < 0) {
          at = m_input.size() > 3 ? m_input.size() - 3 : at;  // keep a sync cut by the block end
          break;
        }
        at += static_cast<size_t>(sync);
        if (m_input.size() - at < DMPA_FIRST_FRAME_BYTES) break;
        if (!m_mp3._ParseFirstFrame(m_input.data() + at, nullptr) ||
            m_mp3.m_format.nChannels != m_destination.nChannels ||
            m_mp3.m_format.nSamplesPerSec != m_destination.nSamplesPerSec) {
          ++at;  // a false sync
          continue;
        }
        m_parsed = true;
        m_frame.resize(m_mp3.m_framePcmBytes);
      }
      const int used = m_mp3.Decode(m_frame.data(), m_input.data() + at, m_input.size() - at);
      if (used > 0) {
        at += std::min(static_cast<size_t>(used), m_input.size() - at);
        m_output.insert(m_output.end(), m_frame.begin(), m_frame.end());
        continue;
      }
      // More input may complete the frame; a stretch longer than any frame is damage, and
      // decoding starts over at the next sync.
      if (m_input.size() - at < 2 * std::max<size_t>(m_mp3.m_largestFrame, 1) + DMPA_RESERVOIR_BYTES) {
        break;
      }
      ++at;
      m_parsed = false;
      m_mp3.m_flags |= dbtl::DgameMp3::START;
    }
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<ptrdiff_t>(at));
  }

  acm::WAVEFORMATEX m_destination;
  uint32_t m_sourceRate;
  dbtl::DgameMp3 m_mp3;
  bool m_parsed = false;
  std::vector<uint8_t> m_input;
  std::vector<uint8_t> m_output;
  std::vector<uint8_t> m_frame;
};

bool isMpegRate(uint32_t rate) {
  for (uint32_t r : {48000u, 44100u, 32000u, 24000u, 22050u, 16000u, 12000u, 11025u, 8000u}) {
    if (rate == r) return true;
  }
  return false;
}

std::unique_ptr<acm::Converter> makeMpegConverter(std::span<const uint8_t> sourceFormat,
                                                  const acm::WAVEFORMATEX& destination) {
  if (sourceFormat.size() < acm::kPcmFormatBytes) return nullptr;
  acm::WAVEFORMATEX source{};
  std::memcpy(&source, sourceFormat.data(), std::min(sourceFormat.size(), sizeof source));
  if ((source.nChannels != 1 && source.nChannels != 2) || !isMpegRate(source.nSamplesPerSec) ||
      destination.wFormatTag != acm::WAVE_FORMAT_PCM || destination.wBitsPerSample != 16 ||
      destination.nChannels != source.nChannels ||
      destination.nSamplesPerSec != source.nSamplesPerSec || destination.nAvgBytesPerSec == 0) {
    return nullptr;
  }
  return std::make_unique<MpegConverter>(source, destination);
}

}  // namespace

void registerMpegAcmConverter() {
  static std::once_flag once;
  std::call_once(once, [] {
    acm::registerConverter(acm::WAVE_FORMAT_MPEG, &makeMpegConverter);
    acm::registerConverter(acm::WAVE_FORMAT_MPEGLAYER3, &makeMpegConverter);
  });
}
