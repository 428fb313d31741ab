#include "foundation/dbtl/DEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using dbtl::DEvent;
using dbtl::DLockObject;
using platform::EventInitial;
using platform::EventReset;

constexpr auto kPatience = std::chrono::seconds(10);

// Blocks until `count` waits are registered on the event, or fails after ten seconds.
void awaitWaiters(const DEvent& e, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (e._Waiting() < count) {
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "waiters never reached " << count;
      return;
    }
    std::this_thread::yield();
  }
}

// `n` threads that each wait (bounded, so a lost wake-up fails instead of hanging) and count
// their releases.
class Waiters {
 public:
  Waiters(DEvent& e, int n) {
    for (int i = 0; i < n; ++i) {
      threads_.emplace_back([&e, this] {
        if (e.Wait(10000) == DLockObject::kWaitSignalled) {
          ++released;
        }
      });
    }
    awaitWaiters(e, n);
  }
  ~Waiters() {
    for (auto& t : threads_) t.join();
  }
  // Waits until `count` threads have been released, or fails after ten seconds.
  void awaitReleased(int count) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (released.load() < count && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
    EXPECT_EQ(released.load(), count);
  }
  std::atomic<int> released{0};

 private:
  std::vector<std::thread> threads_;
};

DEvent* created(DEvent& e, EventInitial initial, EventReset reset, const char* name = nullptr) {
  EXPECT_TRUE(e.Create(initial, reset, name, nullptr));
  return &e;
}

// Poll's result is inverted: false means "was signalled". Create must not swap its first two
// arguments, which the auto/manual rows below tell apart.
TEST(DEvent, PollReportsAndConsumesBySetting) {
  struct Case {
    EventInitial initial;
    EventReset reset;
    bool firstPoll;
    bool secondPoll;
  };
  const Case cases[] = {
      {EventInitial::Signalled, EventReset::Auto, false, true},
      {EventInitial::Signalled, EventReset::Manual, false, false},
      {EventInitial::NonSignalled, EventReset::Auto, true, true},
      {EventInitial::NonSignalled, EventReset::Manual, true, true},
  };
  for (const Case& c : cases) {
    DEvent e;
    created(e, c.initial, c.reset);
    EXPECT_EQ(e.Poll(), c.firstPoll);
    EXPECT_EQ(e.Poll(), c.secondPoll);
  }
}

TEST(DEvent, SetResetAndUnlock) {
  DEvent e;
  created(e, EventInitial::NonSignalled, EventReset::Manual);
  EXPECT_TRUE(e.Set());
  EXPECT_EQ(e.Wait(0), DLockObject::kWaitSignalled);
  EXPECT_TRUE(e.Reset());
  EXPECT_EQ(e.Wait(0), DLockObject::kWaitTimedOut);
  DLockObject& lock = e;  // Unlock through the lock interface is Set
  EXPECT_TRUE(lock.Unlock());
  EXPECT_FALSE(lock.Poll());
}

TEST(DEvent, SecondCreateFailsAndKeepsTheFirstEvent) {
  DEvent e;
  created(e, EventInitial::Signalled, EventReset::Manual);
  EXPECT_FALSE(e.Create(EventInitial::NonSignalled, EventReset::Auto, nullptr, nullptr));
  EXPECT_FALSE(e.Poll());
  EXPECT_FALSE(e.Poll());  // still the manual, signalled event
}

TEST(DEvent, WithoutAnEventNothingSucceedsButClose) {
  DEvent e;
  EXPECT_TRUE(e.Poll());
  EXPECT_EQ(e.Wait(0), DLockObject::kWaitFailed);
  EXPECT_EQ(e.Wait(DLockObject::kInfinite), DLockObject::kWaitFailed);  // returns at once
  EXPECT_FALSE(e.Set());
  EXPECT_FALSE(e.Reset());
  EXPECT_FALSE(e.Pulse());
  EXPECT_FALSE(e.Unlock());
  EXPECT_TRUE(e.Close());
  // Closed, the object takes a new event.
  created(e, EventInitial::Signalled, EventReset::Auto);
  EXPECT_TRUE(e.Close());
  EXPECT_EQ(e.Wait(0), DLockObject::kWaitFailed);
  created(e, EventInitial::NonSignalled, EventReset::Auto);
  EXPECT_TRUE(e.Poll());
}

TEST(DEvent, TimedWaitReturnsTheTimeOutCodeAfterItsTime) {
  DEvent e;
  created(e, EventInitial::NonSignalled, EventReset::Auto);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(e.Wait(30), 0x102u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(DEvent, SetFromAnotherThreadEndsAWait) {
  DEvent e;
  created(e, EventInitial::NonSignalled, EventReset::Auto);
  std::thread setter([&e] {
    awaitWaiters(e, 1);
    e.Set();
  });
  EXPECT_EQ(e.Wait(10000), DLockObject::kWaitSignalled);
  setter.join();
  EXPECT_TRUE(e.Poll());  // the waiter consumed the signal
}

// Pulse releases the waiters of the moment (all of a manual event, one of an auto event) and
// leaves the event reset, so a later wait blocks.
TEST(DEvent, PulseWakesOneOrAllAndLeavesTheEventReset) {
  struct Case {
    EventReset reset;
    int released;
  };
  for (const Case c : {Case{EventReset::Manual, 3}, Case{EventReset::Auto, 1}}) {
    DEvent e;
    created(e, EventInitial::NonSignalled, c.reset);
    Waiters waiters(e, 3);
    EXPECT_TRUE(e.Pulse());
    waiters.awaitReleased(c.released);
    EXPECT_EQ(e.Wait(0), DLockObject::kWaitTimedOut);
    awaitWaiters(e, static_cast<std::size_t>(3 - c.released));
    for (int rest = c.released; rest < 3; ++rest) {
      e.Set();  // lets the remaining waiters of the auto event go, one each
    }
    waiters.awaitReleased(3);
  }
}

TEST(DEvent, PulseWithoutWaitersLeavesNoSignal) {
  DEvent e;
  created(e, EventInitial::Signalled, EventReset::Manual);
  EXPECT_TRUE(e.Pulse());
  EXPECT_TRUE(e.Poll());
}

// Events created with one name are one event in the process, whose kind is the first
// creation's; other names and unnamed events are separate.
TEST(DEvent, NamedEventsAreSharedWhileHeld) {
  DEvent first, second, other, unnamed;
  created(first, EventInitial::NonSignalled, EventReset::Auto, "stream.command");
  created(second, EventInitial::Signalled, EventReset::Manual, "stream.command");
  created(other, EventInitial::NonSignalled, EventReset::Auto, "stream.ack");
  created(unnamed, EventInitial::NonSignalled, EventReset::Auto);
  EXPECT_TRUE(second.Poll());  // the first creation's initial state
  EXPECT_TRUE(first.Set());
  EXPECT_TRUE(other.Poll());
  EXPECT_TRUE(unnamed.Poll());
  EXPECT_FALSE(second.Poll());
  EXPECT_TRUE(first.Poll());  // auto-reset: consumed through the other object
  // The event lives while either object holds it.
  first.Close();
  EXPECT_TRUE(second.Set());
  created(first, EventInitial::NonSignalled, EventReset::Manual, "stream.command");
  EXPECT_FALSE(first.Poll());
  first.Close();
  second.Close();
  // Once nobody holds it, the name makes a new event.
  created(first, EventInitial::Signalled, EventReset::Manual, "stream.command");
  EXPECT_FALSE(first.Poll());
  EXPECT_FALSE(first.Poll());
}

}  // namespace
