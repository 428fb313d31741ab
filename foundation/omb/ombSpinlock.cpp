#include "foundation/omb/ombSpinlock.h"

#include "foundation/omb/ombCpu.h"
#include "foundation/omb/ombResult.h"
#include "platform/kernel/Atomic.h"
#include "platform/kernel/CurrentThread.h"

namespace {

constexpr int32_t kFree = 0;
constexpr int32_t kTaking = 1;
constexpr int32_t kHeld = 2;
constexpr int kSpinReads = 4096;

bool multiProcessor() {
  return ombCpuInfo.processorCount >= 2;
}

// Re-reads the state while it stays `busy(state)`: up to kSpinReads times on a multi-processor
// machine, then yields; on one processor spinning cannot help, so it only yields.
template <class Busy>
void waitWhile(OMB_SPINLOCK* lock, Busy busy) {
  while (busy(platform::atomicLoad(lock->state))) {
    if (multiProcessor()) {
      for (int i = 0; i < kSpinReads && busy(platform::atomicLoad(lock->state)); ++i) {
      }
      if (!busy(platform::atomicLoad(lock->state))) {
        return;
      }
    }
    platform::yieldThread();
  }
}

}  // namespace

int32_t ombSpinLockTryEnter(OMB_SPINLOCK* lock) {
  const uint32_t self = platform::currentThreadId();
  if (platform::atomicCompareExchange(lock->state, kTaking, kFree) == kFree) {
    lock->count = 1;
    platform::atomicStore(lock->owner, self);
    platform::atomicStore(lock->state, kHeld);
    return OMB_OK;
  }
  waitWhile(lock, [](int32_t state) { return state == kTaking; });
  // Only the owner itself can find its own id here while the lock is held; the owner field of a
  // released lock may still name this thread, but then the state is free and the caller retries.
  if (platform::atomicLoad(lock->state) == kHeld && platform::atomicLoad(lock->owner) == self) {
    ++lock->count;
    return OMB_OK;
  }
  return OMB_ERR_BUSY;
}

void ombSpinLockEnter(OMB_SPINLOCK* lock) {
  while (ombSpinLockTryEnter(lock) != OMB_OK) {
    waitWhile(lock, [](int32_t state) { return state != kFree; });
  }
}

void ombSpinLockLeave(OMB_SPINLOCK* lock) {
  if (--lock->count == 0) {
    platform::atomicStore(lock->state, kFree);
  }
}
