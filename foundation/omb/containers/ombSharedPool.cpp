#include "foundation/omb/containers/ombSharedPool.h"

void ombSharedPoolInit(OMB_SHARED_POOL* shared, uint32_t blocksPerChunk, uint32_t blockSize,
                       uint32_t flags) {
  shared->lock = OMB_SPINLOCK{};
  ombMempoolInit(&shared->pool, blocksPerChunk, blockSize, flags);
}

void ombSharedPoolUninit(OMB_SHARED_POOL* shared) {
  OmbSpinLockHold hold(shared->lock);
  ombMempoolUninit(&shared->pool);
}

void* ombSharedPoolAllocate(OMB_SHARED_POOL* shared) {
  void* block = nullptr;
  {
    OmbSpinLockHold hold(shared->lock);
    block = ombMempoolAllocateBlock(&shared->pool);
  }
  if (!block) {
    ombMempoolReportExhausted();
  }
  return block;
}

void ombSharedPoolRelease(OMB_SHARED_POOL* shared, void* block) {
  OmbSpinLockHold hold(shared->lock);
  ombMempoolReleaseBlock(&shared->pool, block);
}
