#include "platform/kernel/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using platform::Event;
using platform::EventInitial;
using platform::EventReset;

// Blocks until `count` waits are registered on the event, so a test can act on waiters it knows
// are waiting instead of guessing with sleeps. Gives up (and fails) after ten seconds, so that a
// fault shows as a failure rather than a hung test.
void awaitWaiters(const Event& e, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (e.waiting() < count) {
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "waiters never reached " << count;
      return;
    }
    std::this_thread::yield();
  }
}

struct StateCase {
  EventReset reset;
  EventInitial initial;
  uint32_t firstWait;
  uint32_t secondWait;
};

TEST(Event, InitialStateAndConsumption) {
  const StateCase cases[] = {
      {EventReset::Manual, EventInitial::Signalled, Event::kSignalled, Event::kSignalled},
      {EventReset::Auto, EventInitial::Signalled, Event::kSignalled, Event::kTimedOut},
      {EventReset::Manual, EventInitial::NonSignalled, Event::kTimedOut, Event::kTimedOut},
      {EventReset::Auto, EventInitial::NonSignalled, Event::kTimedOut, Event::kTimedOut},
  };
  for (const auto& c : cases) {
    Event e(c.reset, c.initial);
    EXPECT_EQ(e.wait(0), c.firstWait);
    EXPECT_EQ(e.wait(0), c.secondWait);
  }
}

TEST(Event, SetAndResetWithoutWaiters) {
  for (EventReset reset : {EventReset::Manual, EventReset::Auto}) {
    Event e(reset, EventInitial::NonSignalled);
    e.set();
    e.set();  // a second set of an auto event does not store a second signal
    EXPECT_EQ(e.wait(0), Event::kSignalled);
    EXPECT_EQ(e.wait(0), reset == EventReset::Manual ? Event::kSignalled : Event::kTimedOut);
    e.set();
    e.reset();
    EXPECT_EQ(e.wait(0), Event::kTimedOut);
  }
}

TEST(Event, WaitTimesOutAfterItsTime) {
  Event e(EventReset::Auto, EventInitial::NonSignalled);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(e.wait(40), Event::kTimedOut);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
  EXPECT_EQ(e.waiting(), 0u);
}

// Starts `n` threads that each wait without limit and count their release.
struct Waiters {
  Waiters(Event& e, int n) {
    for (int i = 0; i < n; ++i) {
      threads.emplace_back([&e, this] {
        if (e.wait(Event::kInfinite) == Event::kSignalled) {
          ++released;
        }
      });
    }
    awaitWaiters(e, n);
  }
  void awaitReleased(int n) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (released.load() < n) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "only " << released << " released";
      std::this_thread::yield();
    }
  }
  ~Waiters() {
    for (auto& t : threads) t.join();
  }
  std::atomic<int> released{0};
  std::vector<std::thread> threads;
};

TEST(Event, ManualSetReleasesEveryWaiterAndStaysSignalled) {
  Event e(EventReset::Manual, EventInitial::NonSignalled);
  Waiters w(e, 3);
  e.set();
  w.awaitReleased(3);
  EXPECT_EQ(e.wait(0), Event::kSignalled);
}

TEST(Event, AutoSetReleasesOneWaiterAndStaysReset) {
  Event e(EventReset::Auto, EventInitial::NonSignalled);
  Waiters w(e, 2);
  e.set();
  w.awaitReleased(1);
  awaitWaiters(e, 1);  // the other thread is still waiting
  EXPECT_EQ(w.released.load(), 1);
  EXPECT_EQ(e.wait(0), Event::kTimedOut);
  e.set();
  w.awaitReleased(2);
}

TEST(Event, PulseReleasesCurrentWaitersAndLeavesEventReset) {
  struct PulseCase {
    EventReset reset;
    int releasedByFirstPulse;
  };
  for (const PulseCase c : {PulseCase{EventReset::Manual, 3}, PulseCase{EventReset::Auto, 1}}) {
    Event e(c.reset, EventInitial::NonSignalled);
    {
      Waiters w(e, 3);
      e.pulse();
      w.awaitReleased(c.releasedByFirstPulse);
      awaitWaiters(e, 3 - c.releasedByFirstPulse);
      EXPECT_EQ(w.released.load(), c.releasedByFirstPulse);
      EXPECT_EQ(e.wait(0), Event::kTimedOut);
      while (w.released.load() < 3) {
        e.pulse();
        std::this_thread::yield();
      }
    }
    // Without waiters a pulse leaves nothing behind, even on a signalled event.
    e.set();
    e.pulse();
    EXPECT_EQ(e.wait(0), Event::kTimedOut);
  }
}

TEST(Event, WaitForAnyReturnsLowestSignalledIndexAndConsumesOnlyIt) {
  Event a(EventReset::Auto, EventInitial::NonSignalled);
  Event b(EventReset::Auto, EventInitial::Signalled);
  Event c(EventReset::Auto, EventInitial::Signalled);
  EXPECT_EQ(platform::waitForAny({&a, &b, &c}, 0), 1u);
  EXPECT_EQ(platform::waitForAny({&a, &b, &c}, 0), 2u);
  EXPECT_EQ(platform::waitForAny({&a, &b, &c}, 0), Event::kTimedOut);
}

TEST(Event, WaitForAnyIsReleasedByASetFromAnotherThread) {
  Event notify(EventReset::Auto, EventInitial::NonSignalled);
  Event command(EventReset::Auto, EventInitial::NonSignalled);
  uint32_t result = 0;
  std::thread t([&] { result = platform::waitForAny({&notify, &command}, Event::kInfinite); });
  awaitWaiters(command, 1);
  command.set();
  t.join();
  EXPECT_EQ(result, 1u);
  // The released wait consumed the signal and left no registration on either event.
  EXPECT_EQ(command.wait(0), Event::kTimedOut);
  EXPECT_EQ(notify.waiting() + command.waiting(), 0u);
}

TEST(Event, AutoSignalsAreNeitherLostNorDoubledUnderContention) {
  // Every set of an auto event releases at most one wait; with sets and waits racing, the number
  // of successful waits must equal the sets that found someone or were consumed later.
  Event e(EventReset::Auto, EventInitial::NonSignalled);
  constexpr int kSets = 2000;
  std::atomic<int> taken{0};
  std::atomic<bool> done{false};
  std::vector<std::thread> consumers;
  for (int i = 0; i < 3; ++i) {
    consumers.emplace_back([&] {
      while (!done.load()) {
        if (e.wait(1) == Event::kSignalled) ++taken;
      }
    });
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int lost = -1;
  for (int i = 0; i < kSets && lost < 0; ++i) {
    e.set();
    bool mine = false;
    while (taken.load() <= i && !(mine = e.wait(0) == Event::kSignalled)) {
      if (std::chrono::steady_clock::now() > deadline) {
        lost = i;
        break;
      }
      std::this_thread::yield();
    }
    if (mine) ++taken;  // consumed here instead of by a waiting thread
  }
  done = true;
  for (auto& t : consumers) t.join();
  EXPECT_EQ(lost, -1) << "a signal was lost";
  EXPECT_EQ(taken.load(), kSets);
  EXPECT_EQ(e.wait(0), Event::kTimedOut);
}

}  // namespace
