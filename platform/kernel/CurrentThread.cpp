#include "platform/kernel/CurrentThread.h"

#include "platform/kernel/Processor.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

namespace platform {

uint32_t currentThreadId() {
  static thread_local const uint32_t id = static_cast<uint32_t>(gettid());
  return id;
}

void yieldThread() {
  sched_yield();
}

bool setCurrentThreadAffinity(uint64_t mask) {
  // Remember the process-wide set before the first thread narrows its own, so that threads
  // started later can be given the whole set back (a new thread here inherits its creator's).
  const cpu_set_t& usable = processAffinity();
  cpu_set_t set;
  CPU_ZERO(&set);
  int bit = 0;
  for (int cpu = 0; cpu < CPU_SETSIZE && bit < 64; ++cpu) {
    if (CPU_ISSET(cpu, &usable)) {
      if (mask & (uint64_t{1} << bit)) {
        CPU_SET(cpu, &set);
      }
      ++bit;
    }
  }
  if (CPU_COUNT(&set) == 0) {
    return false;
  }
  return pthread_setaffinity_np(pthread_self(), sizeof(set), &set) == 0;
}

}  // namespace platform
