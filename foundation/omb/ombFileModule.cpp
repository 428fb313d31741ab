#include "foundation/omb/ombFileModule.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombPathState.h"

namespace {

OMB_CRITICAL_SECTION fileLock;

}  // namespace

OMB_CRITICAL_SECTION& ombFileLock() {
  return fileLock;
}

void ombFileInit() {
  ombInitCriticalSection(&fileLock);
  platform::RecursiveMutexHold hold(fileLock);
  if (!ombPathStateInit()) {
    ombReportInitFailure();
  }
}

void ombFileUninit() {
  {
    platform::RecursiveMutexHold hold(fileLock);
    ombPathStateUninit();
  }
  fileLock.destroy();
}
