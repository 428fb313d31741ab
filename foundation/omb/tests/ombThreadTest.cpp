#include "foundation/omb/ombThread.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombJob.h"
#include "platform/kernel/Semaphore.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstring>

namespace {

struct StackUse {
  std::size_t stackSize = 0;
  bool used = false;
};

// Fills half of a 1 MiB stack and reports the stack size the thread was given.
uint32_t useHalfTheStack(void* data) {
  auto* use = static_cast<StackUse*>(data);
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    pthread_attr_getstacksize(&attributes, &use->stackSize);
    pthread_attr_destroy(&attributes);
  }
  volatile char block[512 * 1024];
  std::memset(const_cast<char*>(block), 0x5A, sizeof(block));
  use->used = block[sizeof(block) - 1] == 0x5A;
  return 7;
}

TEST(ombThread, RunsOnTheRequestedStackSize) {
  ombCoreInit();
  StackUse use;
  OMB_THREAD* thread = nullptr;
  ASSERT_EQ(ombThreadCreate(&thread, &useHalfTheStack, &use, OMB_THREAD_PRIORITY_NORMAL, 1 << 20),
            OMB_OK);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(thread->wait(platform::kWaitForever));
  uint32_t code = 0;
  EXPECT_TRUE(thread->exitCode(&code));
  EXPECT_EQ(code, 7u);
  thread->close();
  EXPECT_TRUE(use.used);
  EXPECT_GE(use.stackSize, std::size_t{1} << 20);
  EXPECT_LT(use.stackSize, std::size_t{2} << 20);
}

uint32_t signal(void* data) {
  static_cast<platform::Semaphore*>(data)->release();
  return 0;
}

// Without an out handle the handle is closed at once; the thread still runs. Every priority
// index starts a thread, the time-critical one included, whether or not the system grants it.
TEST(ombThread, ThreadsRunWithoutAHandleAtEveryPriority) {
  ombCoreInit();
  platform::Semaphore ran(0, 100);
  for (uint32_t priority = 0; priority <= OMB_THREAD_PRIORITY_TIME_CRITICAL + 1; ++priority) {
    EXPECT_EQ(ombThreadCreate(nullptr, &signal, &ran, priority, 0), OMB_OK) << priority;
  }
  for (uint32_t i = 0; i <= OMB_THREAD_PRIORITY_TIME_CRITICAL + 1; ++i) {
    EXPECT_TRUE(ran.wait(5000)) << i;
  }
}

TEST(ombJob, StateLivesFromInitToUninit) {
  ombCoreInit();
  const OMB_JOB_SYSTEM& jobs = ombJobGetSystem();
  EXPECT_EQ(jobs.slotCount, ombCpuInfo.processorCount);
  EXPECT_EQ(jobs.singleProcessor, ombCpuInfo.processorCount < 2);
  for (uint32_t i = 0; i < jobs.slotCount; ++i) {
    EXPECT_EQ(jobs.slots[i].index, i);
  }
  ASSERT_NE(jobs.work, nullptr);
  ASSERT_NE(jobs.done, nullptr);
  EXPECT_EQ(jobs.queueCount, 0u);

  ombJobShutdown();  // no queue: the semaphores stay for uninit
  EXPECT_NE(jobs.work, nullptr);
  EXPECT_NE(jobs.done, nullptr);
  ombJobUninit();
  EXPECT_EQ(jobs.work, nullptr);
  EXPECT_EQ(jobs.done, nullptr);
  EXPECT_EQ(jobs.slots, nullptr);
  ombJobInit();  // the core's shut-down undoes it again
}

}  // namespace
