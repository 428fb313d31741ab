#include "foundation/omb/ombThread.h"

#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombMempool.h"
#include "foundation/omb/ombResult.h"
#include "foundation/omb/ombSpinlock.h"

namespace {

// Handed from the starter to the new thread, which returns it to the pool itself.
struct StartRecord {
  OMB_THREAD_PROC procedure;
  void* data;
};

OMB_SPINLOCK recordLock;
OMB_MEMPOOL recordPool;

void releaseRecord(StartRecord* record) {
  OmbSpinLockHold hold(recordLock);
  ombMempoolReleaseBlock(&recordPool, record);
}

uint32_t _ombThreadEntry(void* raw) {
  auto* record = static_cast<StartRecord*>(raw);
  const StartRecord start = *record;
  releaseRecord(record);
  return start.procedure(start.data);
}

platform::Thread::Priority priorityOf(uint32_t index) {
  using P = platform::Thread::Priority;
  constexpr P table[] = {P::Highest, P::AboveNormal, P::Normal, P::BelowNormal, P::Lowest,
                         P::TimeCritical};
  return index < std::size(table) ? table[index] : P::Normal;
}

}  // namespace

void ombThreadRecordPoolInit() {
  recordLock = OMB_SPINLOCK{};
  ombMempoolInit(&recordPool, 4, sizeof(StartRecord), OMB_MEMPOOL_GROW);
}

void ombThreadRecordPoolUninit() {
  ombMempoolUninit(&recordPool);
}

int32_t ombThreadCreate(OMB_THREAD** out, OMB_THREAD_PROC proc, void* data, uint32_t priority,
                        std::size_t stackSize) {
  StartRecord* record = nullptr;
  {
    OmbSpinLockHold hold(recordLock);
    record = static_cast<StartRecord*>(ombMempoolAllocateBlock(&recordPool));
  }
  if (!record) {
    ombMempoolReportExhausted();
    return OMB_ERR_CREATE;
  }
  *record = StartRecord{proc, data};
  OMB_THREAD* thread =
      platform::Thread::start(&_ombThreadEntry, record, stackSize, priorityOf(priority));
  if (!thread) {
    releaseRecord(record);
    return OMB_ERR_CREATE;
  }
  if (out) {
    *out = thread;
  } else {
    thread->close();
  }
  return OMB_OK;
}

void ombInitCriticalSection(OMB_CRITICAL_SECTION* section) {
  if (!section->init()) {
    ombLogPuts(OMB_LOG_ERROR, u"Error: Out of memory.");
  }
}
