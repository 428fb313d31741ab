#include "foundation/omb/ombThread.h"

#include "foundation/omb/containers/ombSharedPool.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombResult.h"
#include "foundation/omb/ombThreadFault.h"

namespace {

// Handed from the starter to the new thread, which returns it to the pool itself.
struct StartRecord {
  OMB_THREAD_PROC procedure;
  void* data;
};

OMB_SHARED_POOL records;

uint32_t _ombThreadEntry(void* raw) {
  auto* record = static_cast<StartRecord*>(raw);
  const StartRecord start = *record;
  ombSharedPoolRelease(&records, record);
  return ombThreadFaultGuard(OMB_THREAD_FAULT_EXIT_CODE,
                             [&] { return start.procedure(start.data); });
}

platform::Thread::Priority priorityOf(uint32_t index) {
  using P = platform::Thread::Priority;
  constexpr P table[] = {P::Highest, P::AboveNormal, P::Normal, P::BelowNormal, P::Lowest,
                         P::TimeCritical};
  return index < std::size(table) ? table[index] : P::Normal;
}

}  // namespace

void ombThreadRecordPoolInit() {
  ombSharedPoolInit(&records, 4, sizeof(StartRecord), OMB_MEMPOOL_GROW);
}

void ombThreadRecordPoolUninit() {
  ombSharedPoolUninit(&records);
}

int32_t ombThreadCreate(OMB_THREAD** out, OMB_THREAD_PROC proc, void* data, uint32_t priority,
                        std::size_t stackSize) {
  auto* record = static_cast<StartRecord*>(ombSharedPoolAllocate(&records));
  if (!record) {
    return OMB_ERR_CREATE;
  }
  *record = StartRecord{proc, data};
  OMB_THREAD* thread =
      platform::Thread::start(&_ombThreadEntry, record, stackSize, priorityOf(priority));
  if (!thread) {
    ombSharedPoolRelease(&records, record);
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
