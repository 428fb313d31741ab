#pragma once

#include "platform/dsound/DeviceOptions.h"

#include <cstdint>
#include <memory>
#include <span>

namespace dsound {

// Where the mixed output goes. The mixer calls write from one thread at a time, and close once
// when the device goes away.
class MixSink {
 public:
  virtual ~MixSink() = default;
  // Interleaved 16-bit frames of `channels` samples at `rate`.
  virtual void write(std::span<const int16_t> samples, uint16_t channels, uint32_t rate) = 0;
  virtual void close() {}
};

// The headless default: the mix is made and dropped.
class NullSink final : public MixSink {
 public:
  void write(std::span<const int16_t>, uint16_t, uint32_t) override {}
};

// The sink the options ask for; null when it cannot be opened (a line on standard error says why).
std::unique_ptr<MixSink> openSink(const DeviceOptions& options);

}  // namespace dsound
