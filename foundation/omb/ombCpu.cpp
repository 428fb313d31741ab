#include "foundation/omb/ombCpu.h"

#include "platform/kernel/Processor.h"

OMB_CPU_INFO ombCpuInfo = {1, 0};

void ombCpuInit() {
  const unsigned count = platform::processorCount();
  ombCpuInfo.processorCount = count == 0 ? 1 : count;
  ombCpuInfo.features = 0;
#if defined(__SSE2__)
  // Every x86-64 processor has SSE2, and the compiler already uses it for all float code.
  ombCpuInfo.features |= OMB_CPU_FEATURE_SSE2;
#endif
}
