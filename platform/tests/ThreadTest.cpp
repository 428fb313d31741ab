#include "platform/kernel/Thread.h"

#include "platform/kernel/CurrentThread.h"
#include "platform/kernel/Processor.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <thread>

namespace {

using platform::Thread;

uint32_t returnArgument(void* data) {
  return static_cast<uint32_t>(reinterpret_cast<std::uintptr_t>(data));
}

TEST(Thread, WaitGivesTheExitCode) {
  Thread* thread = Thread::start(&returnArgument, reinterpret_cast<void*>(uintptr_t{42}), 0,
                                 Thread::Priority::Normal);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(thread->wait(platform::kWaitForever));
  uint32_t code = 0;
  ASSERT_TRUE(thread->exitCode(&code));
  EXPECT_EQ(code, 42u);
  thread->close();
}

uint32_t waitForGate(void* data) {
  static_cast<platform::Semaphore*>(data)->wait(platform::kWaitForever);
  return 1;
}

TEST(Thread, WaitTimesOutWhileTheThreadRunsAndCloseLeavesItRunning) {
  platform::Semaphore gate(0, 1);
  Thread* thread = Thread::start(&waitForGate, &gate, 64 * 1024, Thread::Priority::Lowest);
  ASSERT_NE(thread, nullptr);
  EXPECT_FALSE(thread->wait(20));
  uint32_t code = 0;
  EXPECT_FALSE(thread->exitCode(&code));
  thread->close();
  gate.release();  // the thread ends on its own and frees its state
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

uint32_t reportAffinity(void* data) {
  sched_getaffinity(0, sizeof(cpu_set_t), static_cast<cpu_set_t*>(data));
  return 0;
}

// A thread started from a thread bound to one processor may still use all of them.
TEST(Thread, DoesNotInheritItsStartersBinding) {
  if (platform::processorCount() < 2) {
    GTEST_SKIP() << "one processor";
  }
  cpu_set_t seen;
  CPU_ZERO(&seen);
  std::thread([&] {
    ASSERT_TRUE(platform::setCurrentThreadAffinity(1));
    Thread* thread = Thread::start(&reportAffinity, &seen, 0, Thread::Priority::Normal);
    ASSERT_NE(thread, nullptr);
    thread->wait(platform::kWaitForever);
    thread->close();
  }).join();
  EXPECT_TRUE(CPU_EQUAL(&seen, &platform::processAffinity()));
}

}  // namespace
