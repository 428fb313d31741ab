#include "platform/dsound/Voice.h"

#include "platform/kernel/Event.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dsound {

SampleStore::SampleStore(const WAVEFORMATEX& f, uint32_t size)
    : format(f), bytes(size, f.wBitsPerSample == 8 ? 0x80 : 0x00) {}

int32_t gainOfVolume(int32_t hundredthsOfDb) {
  if (hundredthsOfDb <= DSBVOLUME_MIN) return 0;
  return int32_t(std::lround(65536.0 * std::pow(10.0, hundredthsOfDb / 2000.0)));
}

bool isPlayableFormat(const WAVEFORMATEX& f) {
  const uint32_t align = uint32_t(f.nChannels) * f.wBitsPerSample / 8;
  return f.wFormatTag == acm::WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
         (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
         f.nSamplesPerSec >= DSBFREQUENCY_MIN && f.nSamplesPerSec <= DSBFREQUENCY_MAX &&
         f.nBlockAlign == align && f.nAvgBytesPerSec == f.nSamplesPerSec * align;
}

HRESULT copyFormat(const WAVEFORMATEX& f, WAVEFORMATEX* format, uint32_t sizeAllocated,
                   uint32_t* sizeWritten) {
  if (!format) {
    if (!sizeWritten) return DSERR_INVALIDPARAM;
    *sizeWritten = sizeof f;
    return DS_OK;
  }
  const uint32_t n = std::min<uint32_t>(sizeAllocated, sizeof f);
  std::memcpy(format, &f, n);
  if (sizeWritten) *sizeWritten = n;
  return DS_OK;
}

Voice::Voice(std::shared_ptr<SampleStore> samples)
    : samples_(std::move(samples)),
      channels_(samples_->format.nChannels),
      bytesPerSample_(uint16_t(samples_->format.wBitsPerSample / 8)),
      blockAlign_(samples_->format.nBlockAlign),
      rate_(samples_->format.nSamplesPerSec) {
  frames_ = uint32_t(samples_->bytes.size() / blockAlign_);
}

void Voice::start(bool looping) {
  playing_ = true;
  looping_ = looping;
}

void Voice::stop() {
  if (!playing_) return;
  playing_ = false;
  fireStop();
}

void Voice::lose() {
  playing_ = false;
  lost_ = true;
}

void Voice::setPositionFrame(uint32_t frame) {
  position_ = uint64_t(frame) << 32;
  reachPending_ = true;
}

void Voice::setVolume(int32_t hundredthsOfDb) {
  volume_ = hundredthsOfDb;
  gain_ = gainOfVolume(hundredthsOfDb);
}

void Voice::setNotifications(const DSBPOSITIONNOTIFY* positions, uint32_t count) {
  notifications_.clear();
  stopEvents_.clear();
  for (uint32_t i = 0; i < count; ++i) {
    if (positions[i].dwOffset == DSBPN_OFFSETSTOP) {
      stopEvents_.push_back(positions[i].hEventNotify);
    } else {
      notifications_.push_back({positions[i].dwOffset / blockAlign_, positions[i].hEventNotify});
    }
  }
  std::stable_sort(notifications_.begin(), notifications_.end(),
                   [](const Notification& a, const Notification& b) { return a.frame < b.frame; });
}

int32_t Voice::sampleAt(uint32_t frame, uint16_t channel) const {
  const uint8_t* p = samples_->bytes.data() + size_t(frame) * blockAlign_ +
                     size_t(channel) * bytesPerSample_;
  if (bytesPerSample_ == 1) return (int32_t(p[0]) - 128) * 256;
  return int16_t(uint16_t(p[0] | p[1] << 8));
}

void Voice::fireFrames(uint32_t from, uint32_t to) const {
  for (const Notification& n : notifications_) {
    if (n.frame > to) break;
    if (n.frame >= from) n.event->set();
  }
}

void Voice::fireStop() const {
  for (platform::Event* e : stopEvents_) e->set();
}

void Voice::mixInto(int32_t* accumulator, uint32_t frames, const MixTarget& target) {
  const uint32_t rate = frequency_ != 0 ? frequency_ : rate_;
  const uint64_t step = (uint64_t(rate) << 32) / target.rate;
  const uint64_t end = uint64_t(frames_) << 32;
  for (uint32_t i = 0; i < frames && playing_; ++i) {
    const uint32_t frame = uint32_t(position_ >> 32);
    if (reachPending_) {
      fireFrames(frame, frame);
      reachPending_ = false;
    }
    // Linear interpolation towards the next frame; at the end of a buffer played once the last
    // frame is held, in a looping one the first frame follows.
    const uint32_t fraction = uint32_t(position_);
    const uint32_t next = frame + 1 < frames_ ? frame + 1 : (looping_ ? 0 : frame);
    int32_t value[2] = {0, 0};
    for (uint16_t c = 0; c < channels_; ++c) {
      const int32_t a = sampleAt(frame, c);
      value[c] = fraction == 0 ? a : a + int32_t((int64_t(sampleAt(next, c) - a) * fraction) >> 32);
      value[c] = int32_t((int64_t(value[c]) * gain_) >> 16);
    }
    int32_t* out = accumulator + size_t(i) * target.channels;
    if (target.channels == 1) {
      out[0] += channels_ == 1 ? value[0] : (value[0] + value[1]) / 2;
    } else {
      out[0] += value[0];
      out[1] += channels_ == 1 ? value[0] : value[1];
    }

    // Advance and signal every frame passed over, wrapping or stopping at the end.
    const uint64_t advanced = position_ + step;
    const uint64_t passedFrames = (advanced >> 32) - frame;  // frames reached after this one
    if (advanced < end) {
      if (passedFrames != 0) fireFrames(frame + 1, uint32_t(advanced >> 32));
      position_ = advanced;
      continue;
    }
    if (!looping_) {
      if (frame + 1 < frames_) fireFrames(frame + 1, frames_ - 1);
      position_ = 0;
      reachPending_ = true;
      playing_ = false;
      fireStop();
      break;
    }
    if (passedFrames >= frames_) {
      fireFrames(0, frames_ - 1);  // a whole lap in one step: everything once
    } else {
      if (frame + 1 < frames_) fireFrames(frame + 1, frames_ - 1);
      fireFrames(0, uint32_t((advanced >> 32) - frames_));
    }
    position_ = advanced % end;
  }
}

}  // namespace dsound
