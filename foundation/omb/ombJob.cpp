#include "foundation/omb/ombJob.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

OMB_JOB_SYSTEM jobs;

void _ombJobCheckSemaphore(const platform::Semaphore* semaphore) {
  if (!semaphore) {
    ombLogPuts(OMB_LOG_ERROR, u"Error: Out of memory.");
  }
}

}  // namespace

const OMB_JOB_SYSTEM& ombJobGetSystem() {
  return jobs;
}

void ombJobInit() {
  const uint32_t processors = ombCpuInfo.processorCount ? ombCpuInfo.processorCount : 1;
  jobs.singleProcessor = processors < 2;
  ombSharedPoolInit(&jobs.taskPool, 128, sizeof(OMB_JOB_TASK), OMB_MEMPOOL_GROW);
  jobs.freeLock = OMB_SPINLOCK{};
  ombListInit(&jobs.freeNodes, offsetof(OMB_JOB_TASK, link));
  jobs.jobLock = OMB_SPINLOCK{};
  ombListInit(&jobs.pending, offsetof(OMB_JOB_TASK, link));
  jobs.queueCount = 0;
  jobs.queues = nullptr;
  jobs.work = new (std::nothrow) platform::Semaphore(0, 0x7FFFFFFF);
  _ombJobCheckSemaphore(jobs.work);
  jobs.done = new (std::nothrow) platform::Semaphore(0, 1);
  _ombJobCheckSemaphore(jobs.done);
  jobs.slots = ombCheckAlloc(
      static_cast<OMB_JOB_SLOT*>(std::calloc(processors, sizeof(OMB_JOB_SLOT))));
  jobs.slotCount = jobs.slots ? processors : 0;
  for (uint32_t i = 0; i < jobs.slotCount; ++i) {
    jobs.slots[i] = OMB_JOB_SLOT{i, 0, nullptr};
  }
}

void ombJobShutdown() {
  // Workers exist only behind a queue, and this program creates no queue (the count stays 0):
  // there is nothing to stop or drain, and the semaphores are left for ombJobUninit.
}

void ombJobUninit() {
  ombJobShutdown();
  std::free(jobs.slots);
  jobs.slots = nullptr;
  jobs.slotCount = 0;
  delete jobs.done;
  jobs.done = nullptr;
  delete jobs.work;
  jobs.work = nullptr;
  ombListInit(&jobs.freeNodes, offsetof(OMB_JOB_TASK, link));
  ombListInit(&jobs.pending, offsetof(OMB_JOB_TASK, link));
  ombSharedPoolUninit(&jobs.taskPool);
}
