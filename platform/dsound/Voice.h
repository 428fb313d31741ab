#pragma once

#include "platform/dsound/DsoundTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace dsound {

// The sample memory of a buffer, shared by the buffer and its duplicates.
struct SampleStore {
  SampleStore(const WAVEFORMATEX& format, uint32_t bytes);
  WAVEFORMATEX format;
  std::vector<uint8_t> bytes;
};

// Output of one mixing step: channel count and rate of the primary format.
struct MixTarget {
  uint16_t channels;
  uint32_t rate;
};

// What the mixer needs of a secondary buffer: where it reads, how fast, how loud, and which events
// to signal on the way. Every field is guarded by the mixer's lock.
class Voice {
 public:
  explicit Voice(std::shared_ptr<SampleStore> samples);

  const std::shared_ptr<SampleStore>& samples() const { return samples_; }
  uint32_t frames() const { return frames_; }

  bool playing() const { return playing_; }
  bool lost() const { return lost_; }
  void lose();  // stops without notifications; see Mixer::loseBuffers
  void restore() { lost_ = false; }
  bool looping() const { return looping_; }
  void start(bool looping);
  void stop();  // keeps the position; fires the stop notifications

  uint32_t positionFrame() const { return uint32_t(position_ >> 32); }
  void setPositionFrame(uint32_t frame);

  int32_t volume() const { return volume_; }
  void setVolume(int32_t hundredthsOfDb);
  uint32_t frequency() const { return frequency_; }  // 0: the format's own rate
  void setFrequency(uint32_t frequency) { frequency_ = frequency; }

  // Offsets in bytes (DSBPN_OFFSETSTOP for the stop), checked by the caller.
  void setNotifications(const DSBPOSITIONNOTIFY* positions, uint32_t count);

  // Adds `frames` output frames of this voice into the accumulator (target.channels values a
  // frame), resampled to the target rate, and signals the notifications the play cursor reaches.
  // A buffer played once stops at its end, leaving its cursor at 0.
  void mixInto(int32_t* accumulator, uint32_t frames, const MixTarget& target);

 private:
  struct Notification {
    uint32_t frame;
    platform::Event* event;
  };

  int32_t sampleAt(uint32_t frame, uint16_t channel) const;
  void fireFrames(uint32_t from, uint32_t to) const;  // frames in [from, to], no wrap
  void fireStop() const;

  std::shared_ptr<SampleStore> samples_;
  uint32_t frames_;
  uint16_t channels_;
  uint16_t bytesPerSample_;
  uint32_t blockAlign_;
  uint32_t rate_;

  uint64_t position_ = 0;  // frames in 32.32 fixed point
  bool reachPending_ = true;  // the frame under the cursor has not signalled yet
  bool playing_ = false;
  bool lost_ = false;
  bool looping_ = false;
  int32_t volume_ = 0;
  int32_t gain_ = 1 << 16;  // volume as a 16.16 factor
  uint32_t frequency_ = 0;
  std::vector<Notification> notifications_;  // by frame, without the stop ones
  std::vector<platform::Event*> stopEvents_;
};

// True for the formats a buffer can hold: PCM, 1 or 2 channels, 8 or 16 bits, a rate within
// DSBFREQUENCY_MIN..MAX and a block align and byte rate that agree.
bool isPlayableFormat(const WAVEFORMATEX& format);

// GetFormat's answer for a buffer of that format: the record, or without a record to fill its
// size, cut to the room the caller gave.
HRESULT copyFormat(const WAVEFORMATEX& f, WAVEFORMATEX* format, uint32_t sizeAllocated,
                   uint32_t* sizeWritten);

// The 16.16 gain of a volume in hundredths of a decibel; the minimum is silence.
int32_t gainOfVolume(int32_t hundredthsOfDb);

}  // namespace dsound
