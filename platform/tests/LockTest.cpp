#include "platform/kernel/RecursiveMutex.h"
#include "platform/kernel/Semaphore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

TEST(RecursiveMutex, OwnerReentersOthersWait) {
  platform::RecursiveMutex mutex;
  ASSERT_TRUE(mutex.init());
  mutex.lock();
  EXPECT_TRUE(mutex.tryLock());
  bool other = true;
  std::thread([&] { other = mutex.tryLock(); }).join();
  EXPECT_FALSE(other);
  mutex.unlock();
  std::thread([&] { other = mutex.tryLock(); }).join();
  EXPECT_FALSE(other);  // still held once
  mutex.unlock();
  std::thread([&] {
    other = mutex.tryLock();
    if (other) {
      mutex.unlock();
    }
  }).join();
  EXPECT_TRUE(other);
}

TEST(Semaphore, CountsUpToItsMaximum) {
  platform::Semaphore semaphore(1, 2);
  EXPECT_TRUE(semaphore.release());
  EXPECT_FALSE(semaphore.release());  // would pass the maximum
  EXPECT_EQ(semaphore.count(), 2u);
  EXPECT_FALSE(semaphore.release(5));
  EXPECT_TRUE(semaphore.wait(0));
  EXPECT_TRUE(semaphore.wait(0));
  EXPECT_FALSE(semaphore.wait(10));
}

TEST(Semaphore, WaitWakesOnAReleaseFromAnotherThread) {
  platform::Semaphore semaphore(0, 0x7FFFFFFF);
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    semaphore.release(3);
  });
  EXPECT_TRUE(semaphore.wait(platform::kWaitForever));
  releaser.join();
  EXPECT_EQ(semaphore.count(), 2u);
}

}  // namespace
