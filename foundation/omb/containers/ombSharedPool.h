#pragma once

#include "foundation/omb/containers/ombMempool.h"
#include "foundation/omb/ombSpinlock.h"

#include <cstdint>

// A process-wide block pool that any thread may use, guarded by its own spin lock (the hash
// nodes, the thread start records, the job system's task nodes).
struct OMB_SHARED_POOL {
  OMB_SPINLOCK lock;
  OMB_MEMPOOL pool;
};

void ombSharedPoolInit(OMB_SHARED_POOL* shared, uint32_t blocksPerChunk, uint32_t blockSize,
                       uint32_t flags);
void ombSharedPoolUninit(OMB_SHARED_POOL* shared);
// A block taken under the lock; null when the pool is exhausted, which is reported (level 0,
// "ombMempoolAllocateBlock") after the lock is released, since the error hook may throw.
void* ombSharedPoolAllocate(OMB_SHARED_POOL* shared);
void ombSharedPoolRelease(OMB_SHARED_POOL* shared, void* block);
