#pragma once

#include <optional>
#include <string>

namespace dsound {

enum class MixClock {
  RealTime,  // a thread of the device mixes in step with the monotonic clock
  Manual,    // nothing moves until a test advances the output (advanceMix)
};

enum class MixOutput {
  Null,     // mixed and dropped
  WavFile,  // written to a 16-bit PCM WAVE file, complete when the device is released
};

struct DeviceOptions {
  MixClock clock = MixClock::RealTime;
  MixOutput output = MixOutput::Null;
  std::string wavPath;
};

inline constexpr const char* kOutputVariable = "GAME_SOUND_OUTPUT";
inline constexpr const char* kClockVariable = "GAME_SOUND_CLOCK";

// The options from the two values: output "null" (or unset/empty) or "wav:<path>"; clock
// "realtime" (or unset/empty) or "manual". nullopt for anything else.
std::optional<DeviceOptions> parseDeviceOptions(const char* output, const char* clock);

// parseDeviceOptions of GAME_SOUND_OUTPUT and GAME_SOUND_CLOCK.
std::optional<DeviceOptions> deviceOptionsFromEnvironment();

}  // namespace dsound
