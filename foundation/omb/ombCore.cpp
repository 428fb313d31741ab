#include "foundation/omb/ombCore.h"

#include "foundation/omb/containers/ombHash.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombJob.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombThread.h"
#include "foundation/omb/text/ombFormat.h"
#include "foundation/omb/trees/ombOctree.h"
#include "foundation/omb/trees/ombQuadtree.h"
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

void ombRegisterUninit(void (*uninit)()) {
  if (std::atexit(uninit) != 0) {
    ombReportInitFailure();
  }
}

void ombCoreInit() {
  if (coreReady) {
    return;
  }
  coreReady = true;
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  // No locale is set up: every multibyte conversion of the framework is code page 932 through
  // the platform's own tables and never consults the C locale, so it cannot fail on a machine
  // without a Japanese locale.
  ombLogReset();
  ombCpuInit();
  ombStrInit();
  ombThreadRecordPoolInit();
  // The calling thread is the game thread; it runs on the first processor only. Best effort: a
  // refusal by the system changes nothing else.
  platform::setCurrentThreadAffinity(1);
  ombHashNodePoolInit();
  ombQuadTreeCellPoolInit();
  ombOctreeCellPoolInit();
  ombFileInit();
  ombJobInit();
  ombRegisterUninit(ombCoreUninit);
}

void ombCoreUninit() {
  if (!coreReady) {
    return;
  }
  coreReady = false;
  ombJobShutdown();
  ombJobUninit();
  ombFileUninit();
  ombOctreeCellPoolUninit();
  ombQuadTreeCellPoolUninit();
  ombHashNodePoolUninit();
  ombThreadRecordPoolUninit();
  ombStrUninit();
}
