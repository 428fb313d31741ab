#include "foundation/dbtl/DThread.h"

#include "foundation/dbtl/DEvent.h"
#include "foundation/omb/ombThreadFault.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

using dbtl::DEvent;
using dbtl::DThread;
using platform::EventInitial;
using platform::EventReset;

constexpr uint32_t kPatienceMs = 10000;

uint32_t countCall(void* argument) {
  ++*static_cast<std::atomic<int>*>(argument);
  return 7;
}

// Threads that wait for the "go" event and then set the "done" event: threads whose end the
// test controls. The gate outlives them: its destructor lets them go and waits until each has
// made its last access.
class Gate {
 public:
  Gate() {
    go.Create(EventInitial::NonSignalled, EventReset::Manual, nullptr, nullptr);
    done.Create(EventInitial::NonSignalled, EventReset::Manual, nullptr, nullptr);
  }
  ~Gate() {
    go.Set();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
    while (ended_.load() < started_ && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
    EXPECT_EQ(ended_.load(), started_);
  }
  bool start(DThread& thread) {
    if (!thread.Start(&run, this)) {
      return false;
    }
    ++started_;
    return true;
  }
  DEvent go;
  DEvent done;

 private:
  static uint32_t run(void* argument) {
    auto* gate = static_cast<Gate*>(argument);
    const uint32_t waited = gate->go.Wait(kPatienceMs);
    gate->done.Set();
    ++gate->ended_;  // the last access to the gate
    return waited;
  }
  int started_ = 0;
  std::atomic<int> ended_{0};
};

TEST(DThread, StartRunsTheFunctionOnceUntilClosed) {
  std::atomic<int> calls{0};
  DThread thread;
  ASSERT_TRUE(thread.Start(&countCall, &calls));
  EXPECT_EQ(thread.Wait(kPatienceMs), DThread::kWaitEnded);
  EXPECT_EQ(calls.load(), 1);
  // Still started, even though the thread has ended: a second start starts nothing.
  EXPECT_FALSE(thread.Start(&countCall, &calls));
  EXPECT_EQ(thread.Wait(0), DThread::kWaitEnded);
  EXPECT_EQ(calls.load(), 1);
  thread.Close();
  ASSERT_TRUE(thread.Start(&countCall, &calls));
  EXPECT_EQ(thread.Wait(kPatienceMs), DThread::kWaitEnded);
  EXPECT_EQ(calls.load(), 2);
}

TEST(DThread, WithoutAThreadCloseDoesNothingAndWaitFails) {
  DThread thread;
  thread.Close();
  thread.Close();
  EXPECT_EQ(thread.Wait(DThread::kInfinite), DThread::kWaitFailed);  // returns at once
}

TEST(DThread, WaitTimesOutWhileTheThreadRuns) {
  Gate gate;
  DThread thread;
  ASSERT_TRUE(gate.start(thread));
  EXPECT_EQ(thread.Wait(20), DThread::kWaitTimedOut);
  gate.go.Set();
  EXPECT_EQ(thread.Wait(kPatienceMs), DThread::kWaitEnded);
}

// Closing (or destroying) the object neither waits for nor stops its thread; the thread ends
// on its own later and frees what it used (the sanitizer build's leak check sees the rest).
TEST(DThread, ClosedWhileRunningTheThreadGoesOnAlone) {
  Gate gate;
  {
    DThread thread;
    ASSERT_TRUE(gate.start(thread));
    thread.Close();
    ASSERT_TRUE(gate.start(thread));  // a second thread on the same gate
  }                                   // the destructor closes without waiting
  EXPECT_TRUE(gate.done.Poll());      // neither thread has finished yet
  gate.go.Set();
  EXPECT_EQ(gate.done.Wait(kPatienceMs), dbtl::DLockObject::kWaitSignalled);
}

uint32_t throwText(void* argument) {
  throw std::runtime_error(static_cast<const char*>(argument));
}

// An exception leaving the thread function would end the process; it reaches the game thread
// instead.
TEST(DThread, AnExceptionInTheThreadIsHandedToTheGameThread) {
  ombThreadFaultRethrow();  // nothing left over from other tests
  DThread thread;
  ASSERT_TRUE(thread.Start(&throwText, const_cast<char*>("worker failed")));
  EXPECT_EQ(thread.Wait(kPatienceMs), DThread::kWaitEnded);
  ASSERT_TRUE(ombThreadFaultPending());
  try {
    ombThreadFaultRethrow();
    FAIL() << "nothing was rethrown";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "worker failed");
  }
}

}  // namespace
