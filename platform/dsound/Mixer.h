#pragma once

#include "platform/dsound/DeviceOptions.h"
#include "platform/dsound/DsoundTypes.h"
#include "platform/dsound/MixSink.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace dsound {

class Voice;
struct MixTarget;

// The device's mixer: the playing voices, the primary format, and the clock that moves them.
// One lock guards every voice and buffer field of the device; buffer calls take it for a few
// instructions, and the mixer holds it while it mixes one period (10 ms of output in real time).
class Mixer {
 public:
  Mixer(MixClock clock, std::unique_ptr<MixSink> sink);
  ~Mixer();
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  std::mutex& lock() { return lock_; }

  // Under the lock.
  bool open() const { return open_; }
  void attachVoice(Voice* voice);  // a buffer was made
  void detachVoice(Voice* voice);  // a buffer is going away
  void startVoice(Voice* voice);   // joins the mix (no effect when already in it)
  // Every buffer becomes lost (stopped, refusing Lock and Play until restored), as when another
  // program takes the device; lets the callers' recovery be tested.
  void loseBuffers();
  int32_t masterVolume() const { return masterVolume_; }
  void setMasterVolume(int32_t hundredthsOfDb);
  const WAVEFORMATEX& primaryFormat() const { return primaryFormat_; }
  void setPrimaryFormat(const WAVEFORMATEX& format) { primaryFormat_ = format; }
  uint32_t cooperativeLevel() const { return cooperativeLevel_; }
  void setCooperativeLevel(uint32_t level) { cooperativeLevel_ = level; }
  // How far ahead of the play cursor the mixer may already have read, in output frames.
  uint32_t leadFrames() const;

  // Starts the real-time thread (nothing for a manual clock).
  void start();
  // Stops the thread, closes the sink and stops every voice; the mixer stays usable only for
  // calls that need no output. Called once, when the device is released.
  void shutdown();

  // Manual clock: mixes the next `frames` output frames, hands them to the sink and returns them
  // (interleaved, the primary format's channels). Empty for a real-time mixer.
  std::vector<int16_t> advance(uint32_t frames);

  bool manual() const { return clock_ == MixClock::Manual; }

 private:
  void mixLocked(uint32_t frames, std::vector<int16_t>& out, MixTarget& target);
  void run();

  const MixClock clock_;
  std::unique_ptr<MixSink> sink_;
  std::mutex lock_;
  bool open_ = true;
  std::vector<Voice*> voices_;
  std::vector<Voice*> playing_;
  int32_t masterVolume_ = 0;
  int32_t masterGain_ = 1 << 16;
  std::vector<int32_t> accumulator_;
  // The primary buffer's format before anybody sets it: 22050 Hz, 8 bits, stereo.
  WAVEFORMATEX primaryFormat_{1, 2, 22050, 44100, 2, 8, 0};
  uint32_t cooperativeLevel_ = 0;

  std::thread thread_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

}  // namespace dsound
