#include "platform/kernel/Processor.h"

namespace platform {

namespace {

cpu_set_t readProcessAffinity() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof(set), &set) != 0) {
    CPU_ZERO(&set);
  }
  return set;
}

}  // namespace

const cpu_set_t& processAffinity() {
  static const cpu_set_t set = readProcessAffinity();
  return set;
}

namespace {
// Captures the set during static initialisation, before any thread can narrow its binding.
[[maybe_unused]] const cpu_set_t& capturedAtStartup = processAffinity();
}  // namespace

unsigned processorCount() {
  const int count = CPU_COUNT(&processAffinity());
  return count > 0 ? static_cast<unsigned>(count) : 1u;
}

}  // namespace platform
