#include "platform/acm/BlockCodec.h"

#include "platform/CheckedMath.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace acm {

namespace {

class BlockConverter final : public Converter {
 public:
  BlockConverter(std::unique_ptr<BlockCodec> codec, uint16_t destinationBits)
      : codec_(std::move(codec)),
        bytesPerSample_(destinationBits / 8),
        frameBytes_(uint32_t(codec_->channels()) * bytesPerSample_),
        blockOutBytes_(codec_->blockFrames() * frameBytes_) {}

  std::optional<uint32_t> size(uint32_t bytes, SizeBasis basis) const override {
    const uint64_t blockBytes = codec_->blockBytes();
    const uint64_t blockFrames = codec_->blockFrames();
    if (basis == SizeBasis::Source) {
      const uint64_t frames = (bytes / blockBytes) * blockFrames +
                              codec_->partialFrames(uint32_t(bytes % blockBytes));
      return fit(platform::checkedMul<uint64_t>(frames, frameBytes_));
    }
    const uint64_t frames = bytes / frameBytes_;
    const uint64_t blocks = (frames + blockFrames - 1) / blockFrames;
    return fit(platform::checkedMul<uint64_t>(blocks, blockBytes));
  }

  Result convert(std::span<const uint8_t> source, std::span<uint8_t> destination) override {
    const uint32_t blocks = uint32_t(std::min<uint64_t>(source.size() / codec_->blockBytes(),
                                                        destination.size() / blockOutBytes_));
    // Decoded in slices so that the work buffer stays small whatever the caller's buffers hold.
    const uint32_t slice = std::max<uint32_t>(1, 4096 / codec_->blockFrames());
    const uint8_t* in = source.data();
    uint8_t* out = destination.data();
    for (uint32_t done = 0; done < blocks;) {
      const uint32_t n = std::min(slice, blocks - done);
      work_.resize(size_t(n) * codec_->blockFrames() * codec_->channels());
      codec_->decode(in, n, work_.data());
      out = pack(out);
      in += size_t(n) * codec_->blockBytes();
      done += n;
    }
    return {uint32_t(in - source.data()), uint32_t(out - destination.data())};
  }

 private:
  static std::optional<uint32_t> fit(std::optional<uint64_t> v) {
    if (!v || *v > UINT32_MAX) return std::nullopt;
    return uint32_t(*v);
  }

  uint8_t* pack(uint8_t* out) const {
    if (bytesPerSample_ == 2) {
      for (int16_t s : work_) {
        const uint16_t u = uint16_t(s);
        *out++ = uint8_t(u & 0xFF);
        *out++ = uint8_t(u >> 8);
      }
    } else {
      // 8-bit PCM is unsigned with its centre at 128; the low byte is dropped.
      for (int16_t s : work_) *out++ = uint8_t((s >> 8) + 128);
    }
    return out;
  }

  std::unique_ptr<BlockCodec> codec_;
  uint32_t bytesPerSample_;
  uint32_t frameBytes_;
  uint32_t blockOutBytes_;
  std::vector<int16_t> work_;
};

}  // namespace

bool isPcmDestinationFor(const WAVEFORMATEX& source, const WAVEFORMATEX& destination) {
  if (destination.wFormatTag != WAVE_FORMAT_PCM) return false;
  if (destination.wBitsPerSample != 8 && destination.wBitsPerSample != 16) return false;
  if (destination.nChannels != source.nChannels) return false;
  if (destination.nSamplesPerSec != source.nSamplesPerSec) return false;
  const uint32_t align = uint32_t(destination.nChannels) * destination.wBitsPerSample / 8;
  return destination.nBlockAlign == align &&
         uint64_t(destination.nAvgBytesPerSec) == uint64_t(destination.nSamplesPerSec) * align;
}

std::unique_ptr<Converter> makeBlockConverter(std::unique_ptr<BlockCodec> codec,
                                              const WAVEFORMATEX& destination) {
  if (!codec) return nullptr;
  return std::make_unique<BlockConverter>(std::move(codec), destination.wBitsPerSample);
}

WAVEFORMATEX formatRecord(std::span<const uint8_t> format) {
  WAVEFORMATEX f{};
  std::memcpy(&f, format.data(), std::min(format.size(), sizeof f));
  return f;
}

std::span<const uint8_t> formatExtra(std::span<const uint8_t> format) {
  if (format.size() < sizeof(WAVEFORMATEX)) return {};
  const uint16_t extra = formatRecord(format).cbSize;
  if (format.size() - sizeof(WAVEFORMATEX) < extra) return {};
  return format.subspan(sizeof(WAVEFORMATEX), extra);
}

}  // namespace acm
