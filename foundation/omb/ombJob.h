#pragma once

#include "foundation/omb/containers/ombList.h"
#include "foundation/omb/containers/ombSharedPool.h"
#include "foundation/omb/ombSpinlock.h"
#include "foundation/omb/ombThread.h"
#include "platform/kernel/Semaphore.h"

#include <cstdint>

// The job system's state. It is brought up and down with the core; this program never creates a
// queue or submits a task, so the state is all there is and shutdown finds nothing to stop.

// A task node, as far as the job system's own code uses it.
struct OMB_JOB_TASK {
  void* queued;        // cleared when the node is queued
  uint32_t kind;       // 0
  OMB_LIST_LINK link;  // in the free-node, pending or a queue list
  uint8_t quit;        // 1 marks the task that tells a worker to stop
  OMB_LIST children;   // dependent task nodes
};

// One per processor.
struct OMB_JOB_SLOT {
  uint32_t index;
  uint8_t quit;
  OMB_THREAD* worker;
};

struct OMB_JOB_SYSTEM {
  bool singleProcessor;
  OMB_SHARED_POOL taskPool;  // 128 nodes per chunk, may grow
  OMB_SPINLOCK freeLock;
  OMB_LIST freeNodes;
  OMB_SPINLOCK jobLock;  // guards the queues
  uint32_t queueCount;   // 0 in this program
  OMB_LIST* queues;      // null in this program
  OMB_LIST pending;
  platform::Semaphore* work;  // initial 0, maximum 0x7FFFFFFF
  platform::Semaphore* done;  // initial 0, maximum 1
  uint32_t slotCount;
  OMB_JOB_SLOT* slots;
};

// The state (for inspection).
const OMB_JOB_SYSTEM& ombJobGetSystem();

void ombJobInit();
// Stops the workers and empties the queues; without a queue it returns at once.
void ombJobShutdown();
// Shuts down, then frees the slots, the semaphores, the lists and the pool.
void ombJobUninit();
