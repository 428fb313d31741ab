#include "platform/kernel/ProcessPriority.h"

#include <sys/resource.h>

#include <cerrno>

namespace platform {

void raiseProcessPriority() {
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, 0);
  if (errno != 0) return;
  // A high priority class sits between normal and real time; nice -10 is its like here.
  constexpr int kHigh = -10;
  if (current > kHigh) setpriority(PRIO_PROCESS, 0, kHigh);
}

}  // namespace platform
