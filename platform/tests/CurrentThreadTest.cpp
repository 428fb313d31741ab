#include "platform/kernel/CurrentThread.h"

#include "platform/kernel/Processor.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(CurrentThread, IdsAreNonZeroAndDifferPerThread) {
  const uint32_t self = platform::currentThreadId();
  EXPECT_NE(self, 0u);
  EXPECT_EQ(platform::currentThreadId(), self);
  uint32_t other = 0;
  std::thread([&] { other = platform::currentThreadId(); }).join();
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, self);
}

TEST(CurrentThread, AffinityIsBestEffort) {
  EXPECT_GE(platform::processorCount(), 1u);
  int first = 0;
  while (first < 63 && !CPU_ISSET(first, &platform::processAffinity())) {
    ++first;
  }
  std::thread([first] {
    EXPECT_FALSE(platform::setCurrentThreadAffinity(0));
    EXPECT_TRUE(platform::setCurrentThreadAffinity(1));
    EXPECT_EQ(sched_getcpu(), first);
  }).join();
}

}  // namespace
