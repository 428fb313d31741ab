#include "platform/dsound/MixSink.h"

#include "platform/dsound/WavFileSink.h"

namespace dsound {

std::unique_ptr<MixSink> openSink(const DeviceOptions& options) {
  if (options.output == MixOutput::WavFile) return WavFileSink::open(options.wavPath);
  return std::make_unique<NullSink>();
}

}  // namespace dsound
