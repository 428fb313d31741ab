#pragma once

#include "platform/dsound/DirectSound.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

// A device on the manual clock with the primary format the runtime sets (22050 Hz, 16 bits,
// stereo unless asked otherwise), and helpers to make and fill buffers.
namespace dsoundtest {

using namespace dsound;

inline WAVEFORMATEX pcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
  const uint16_t align = uint16_t(channels * bits / 8);
  return {acm::WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

inline DSBUFFERDESC describe(uint32_t flags, uint32_t bytes, const WAVEFORMATEX* format) {
  DSBUFFERDESC d{};
  d.dwSize = sizeof d;
  d.dwFlags = flags;
  d.dwBufferBytes = bytes;
  d.lpwfxFormat = format;
  return d;
}

// The flags the runtime gives its sound-effect buffers and its stream buffers.
inline constexpr uint32_t kEffectFlags =
    DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME | DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
inline constexpr uint32_t kStreamFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLPOSITIONNOTIFY |
                                         DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY |
                                         DSBCAPS_LOCSOFTWARE;

class ManualDevice {
 public:
  explicit ManualDevice(uint16_t outputChannels = 2, DeviceOptions options = manualOptions(),
                        uint32_t primaryFlags = DSBCAPS_PRIMARYBUFFER) {
    EXPECT_EQ(createDirectSound(options, &device), DS_OK);
    EXPECT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    const DSBUFFERDESC d = describe(primaryFlags, 0, nullptr);
    EXPECT_EQ(device->CreateSoundBuffer(&d, &primary, nullptr), DS_OK);
    const WAVEFORMATEX output = pcmFormat(outputChannels, 22050, 16);
    EXPECT_EQ(primary->SetFormat(&output), DS_OK);
  }
  ~ManualDevice() {
    for (IDirectSoundBuffer* b : buffers_) b->Release();
    primary->Release();
    if (device) device->Release();
  }
  ManualDevice(const ManualDevice&) = delete;
  ManualDevice& operator=(const ManualDevice&) = delete;

  static DeviceOptions manualOptions() {
    DeviceOptions o;
    o.clock = MixClock::Manual;
    return o;
  }

  // A 16-bit buffer holding the samples (interleaved for stereo); released with the device.
  IDirectSoundBuffer* buffer(const std::vector<int16_t>& samples, uint16_t channels = 1,
                             uint32_t rate = 22050, uint32_t flags = kStreamFlags) {
    const WAVEFORMATEX format = pcmFormat(channels, rate, 16);
    const DSBUFFERDESC d = describe(flags, uint32_t(samples.size() * 2), &format);
    IDirectSoundBuffer* b = nullptr;
    EXPECT_EQ(device->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    if (b) {
      fill(b, samples);
      buffers_.push_back(b);
    }
    return b;
  }

  IDirectSoundBuffer* duplicate(IDirectSoundBuffer* original) {
    IDirectSoundBuffer* b = nullptr;
    EXPECT_EQ(device->DuplicateSoundBuffer(original, &b), DS_OK);
    if (b) buffers_.push_back(b);
    return b;
  }

  static void fill(IDirectSoundBuffer* b, const std::vector<int16_t>& samples) {
    void* p = nullptr;
    uint32_t n = 0;
    ASSERT_EQ(b->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    ASSERT_EQ(n, samples.size() * 2);
    std::memcpy(p, samples.data(), n);
    ASSERT_EQ(b->Unlock(p, n, nullptr, 0), DS_OK);
  }

  std::vector<int16_t> advance(uint32_t frames) {
    std::vector<int16_t> out;
    EXPECT_EQ(advanceMix(device, frames, &out), DS_OK);
    return out;
  }

  IDirectSound* device = nullptr;
  IDirectSoundBuffer* primary = nullptr;

 private:
  std::vector<IDirectSoundBuffer*> buffers_;
};

inline uint32_t status(IDirectSoundBuffer* b) {
  uint32_t s = 0;
  EXPECT_EQ(b->GetStatus(&s), DS_OK);
  return s;
}

inline uint32_t playCursor(IDirectSoundBuffer* b) {
  uint32_t play = 0, write = 0;
  EXPECT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
  return play;
}

}  // namespace dsoundtest
