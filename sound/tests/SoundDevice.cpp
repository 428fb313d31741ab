#include "SoundDevice.h"

#include "platform/dsound/DirectSound.h"

#include "MpegTestSupport.h"
#include "SoundFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace soundtest {

void UseManualDevice() {
  setenv("GAME_SOUND_CLOCK", "manual", 1);
  setenv("GAME_SOUND_OUTPUT", "null", 1);
}

int16_t PatternSample(int16_t base, uint32_t i) { return static_cast<int16_t>(base + i % 1000); }

std::string PatternWav(const std::string& name, uint32_t frames, int16_t base, int rate,
                       int channels, int bits) {
  std::vector<uint8_t> data;
  for (uint32_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const int16_t v = PatternSample(base, i);
      if (bits == 8) {
        data.push_back(static_cast<uint8_t>(v));
      } else {
        data.push_back(static_cast<uint8_t>(v));
        data.push_back(static_cast<uint8_t>(v >> 8));
      }
    }
  }
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  return mpegtest::WriteFixture(
      name, Riff("WAVE", {Chunk("fmt ", FormatRecord(1, static_cast<uint16_t>(channels), rate,
                                                     static_cast<uint16_t>(bits), align)),
                          Chunk("data", data)}));
}

std::vector<int16_t> Mix(dbtl::DsndManager& manager, uint32_t frames) {
  std::vector<int16_t> samples;
  EXPECT_EQ(dsound::advanceMix(manager.GetDirectSound(), frames, &samples), dsound::DS_OK);
  std::vector<int16_t> left;
  for (size_t i = 0; i < samples.size(); i += 2) left.push_back(samples[i]);
  return left;
}

void StreamPump::Advance(uint64_t frames) {
  while (frames != 0) {
    // Notifications fire in output frames 0, N - 1, 2N - 1, ... (N frames a half).
    const uint64_t next = frame == 0 ? 0 : ((frame + half_) / half_) * half_ - 1;
    const uint64_t step = std::min(frames, next - frame + 1);
    const uint32_t before = stream_._GetNotificationCount();
    const std::vector<int16_t> out = Mix(manager_, static_cast<uint32_t>(step));
    left.insert(left.end(), out.begin(), out.end());
    frame += step;
    frames -= step;
    if (frame - 1 != next) continue;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (stream_.GetFlags() != 0 && stream_._GetNotificationCount() == before) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the worker did not answer";
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
}

}  // namespace soundtest
