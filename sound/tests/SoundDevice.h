#pragma once

#include "sound/DsndManager.h"
#include "sound/DsndStream.h"

#include <cstdint>
#include <string>
#include <vector>

// The sound manager on the device's manual clock, and helpers that play its output forward.
namespace soundtest {

// Sets the device's manual clock and null output for this test process.
void UseManualDevice();

// A 16-bit PCM WAVE file of `frames` samples (mono, or the same in both channels) whose values
// are base + i % 1000, so that a test can tell the files and the positions apart in the mix.
std::string PatternWav(const std::string& name, uint32_t frames, int16_t base, int rate = 22050,
                       int channels = 1, int bits = 16);
int16_t PatternSample(int16_t base, uint32_t i);

// Mixes `frames` output frames of the manager's device; returns the left channel.
std::vector<int16_t> Mix(dbtl::DsndManager& manager, uint32_t frames);

// Moves the manual clock on for a stream that started to play at output frame 0, stopping at
// every frame in which a notification fires until the worker has handled it, so the output is
// exactly what the worker wrote in time.
class StreamPump {
 public:
  StreamPump(dbtl::DsndManager& manager, dbtl::DsndStream& stream, uint32_t halfFrames)
      : manager_(manager), stream_(stream), half_(halfFrames) {}
  // Advances and appends the left channel of the output to `left`.
  void Advance(uint64_t frames);
  std::vector<int16_t> left;
  uint64_t frame = 0;

 private:
  dbtl::DsndManager& manager_;
  dbtl::DsndStream& stream_;
  uint64_t half_;
};

}  // namespace soundtest
