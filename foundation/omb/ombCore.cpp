#include "foundation/omb/ombCore.h"

#include "foundation/omb/ombFormat.h"
#include "foundation/omb/ombHash.h"
#include "foundation/omb/ombLog.h"
#include "platform/kernel/CurrentThread.h"

#include <cstdlib>
#include <ctime>

namespace {

bool coreReady = false;

}  // namespace

void* ombCheckAlloc(void* pointer) {
  if (!pointer) {
    ombLogPuts(OMB_LOG_ERROR, u"Error: Out of memory.");
  }
  return pointer;
}

void ombReportInitFailure() {
  ombLogPuts(OMB_LOG_ERROR, u"Error: Can't initialized.");
}

void ombCoreInit() {
  if (coreReady) {
    return;
  }
  coreReady = true;
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  // The original set the C locale to Japanese here so that its string conversions used code
  // page 932. Every conversion of this framework uses the project's own code page 932 tables and
  // never the C locale, so there is nothing to set up and nothing that can fail.
  ombLogReset();
  ombCpuInit();
  ombStrInit();
  // The calling thread is the game thread; it runs on the first processor only. Best effort: a
  // refusal by the system changes nothing else.
  platform::setCurrentThreadAffinity(1);
  ombHashNodePoolInit();
  if (std::atexit(ombCoreUninit) != 0) {
    ombReportInitFailure();
  }
}

void ombCoreUninit() {
  if (!coreReady) {
    return;
  }
  coreReady = false;
  ombHashNodePoolUninit();
  ombStrUninit();
}
