#include "foundation/omb/ombSpinlock.h"

#include "foundation/omb/ombCpu.h"
#include "foundation/omb/ombResult.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(ombSpinlock, ContendedIncrementsAddUpExactly) {
  ombCpuInit();
  static OMB_SPINLOCK lock;
  static uint64_t counter;
  lock = {};
  counter = 0;
  constexpr int kThreads = 6;
  constexpr int kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < kRounds; ++i) {
        OmbSpinLockHold hold(lock);
        // Nested entry by the owner must not deadlock and must not free the lock early.
        ombSpinLockEnter(&lock);
        const uint64_t seen = counter;
        ombSpinLockLeave(&lock);
        counter = seen + 1;
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(counter, uint64_t{kThreads} * kRounds);
  EXPECT_EQ(lock.state, 0);
}

TEST(ombSpinlock, TryEnterNestsForTheOwnerAndIsBusyForOthers) {
  ombCpuInit();
  OMB_SPINLOCK lock = {};
  ASSERT_EQ(ombSpinLockTryEnter(&lock), OMB_OK);
  ASSERT_EQ(ombSpinLockTryEnter(&lock), OMB_OK);
  EXPECT_EQ(lock.count, 2);

  int32_t other = 0;
  std::thread([&] { other = ombSpinLockTryEnter(&lock); }).join();
  EXPECT_EQ(other, OMB_ERR_BUSY);

  ombSpinLockLeave(&lock);
  EXPECT_EQ(lock.state, 2);  // still held after one of two leaves
  std::thread([&] { other = ombSpinLockTryEnter(&lock); }).join();
  EXPECT_EQ(other, OMB_ERR_BUSY);

  ombSpinLockLeave(&lock);
  EXPECT_EQ(lock.state, 0);
  std::thread([&] {
    other = ombSpinLockTryEnter(&lock);
    ombSpinLockLeave(&lock);
  }).join();
  EXPECT_EQ(other, OMB_OK);
}

// With one processor the lock never spins; a waiter yields until the holder leaves.
TEST(ombSpinlock, SingleProcessorWaitsByYielding) {
  ombCpuInit();
  const OMB_CPU_INFO saved = ombCpuInfo;
  ombCpuInfo.processorCount = 1;
  OMB_SPINLOCK lock = {};
  std::atomic<bool> entered{false};
  ombSpinLockEnter(&lock);
  std::thread waiter([&] {
    ombSpinLockEnter(&lock);
    entered = true;
    ombSpinLockLeave(&lock);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(entered);
  ombSpinLockLeave(&lock);
  waiter.join();
  EXPECT_TRUE(entered);
  ombCpuInfo = saved;
}

}  // namespace
