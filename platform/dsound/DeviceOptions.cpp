#include "platform/dsound/DeviceOptions.h"

#include <cstdlib>
#include <string_view>

namespace dsound {

std::optional<DeviceOptions> parseDeviceOptions(const char* output, const char* clock) {
  DeviceOptions options;
  const std::string_view out = output ? output : "";
  constexpr std::string_view kWav = "wav:";
  if (out.substr(0, kWav.size()) == kWav && out.size() > kWav.size()) {
    options.output = MixOutput::WavFile;
    options.wavPath = std::string(out.substr(kWav.size()));
  } else if (!out.empty() && out != "null") {
    return std::nullopt;
  }
  const std::string_view c = clock ? clock : "";
  if (c == "manual") {
    options.clock = MixClock::Manual;
  } else if (!c.empty() && c != "realtime") {
    return std::nullopt;
  }
  return options;
}

std::optional<DeviceOptions> deviceOptionsFromEnvironment() {
  return parseDeviceOptions(std::getenv(kOutputVariable), std::getenv(kClockVariable));
}

}  // namespace dsound
