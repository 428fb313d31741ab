#pragma once

#include <cstdint>

// Processor information, written by ombCpuInit and read by the locks and the job system.
struct OMB_CPU_INFO {
  uint32_t processorCount;  // at least 1
  uint32_t features;        // OMB_CPU_FEATURE_* bits
};

inline constexpr uint32_t OMB_CPU_FEATURE_SSE2 = 1;

// Until ombCpuInit runs the information reads as one processor without features.
extern OMB_CPU_INFO ombCpuInfo;

void ombCpuInit();
