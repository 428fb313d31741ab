#pragma once

#include "net/omb/ombSocketResolver.h"
#include "platform/net/HostLookup.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>

// Replaces the resolver threads' look-up while it lives: every look-up waits at the gate until
// the test opens it, so a test can act while a look-up is known to be running. Names other than
// "localhost" and numeric addresses have no address.
class LookupGate {
 public:
  LookupGate() { _ombSocketResolverSetLookup(&lookup); }
  ~LookupGate() {
    open();
    _ombSocketResolverSetLookup(nullptr);
  }
  LookupGate(const LookupGate&) = delete;
  LookupGate& operator=(const LookupGate&) = delete;

  // Waits (about two seconds at most) until `n` look-ups have entered in all.
  static bool waitEntered(int n) {
    std::unique_lock lock(state().mutex);
    return state().changed.wait_for(lock, std::chrono::seconds(2),
                                    [&] { return state().entered >= n; });
  }
  static void open() {
    std::lock_guard lock(state().mutex);
    state().open = true;
    state().changed.notify_all();
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    int entered = 0;
    bool open = false;
  };
  static State& state() {
    static State s;
    return s;
  }
  static std::optional<uint32_t> lookup(const char* name) {
    {
      std::unique_lock lock(state().mutex);
      ++state().entered;
      state().changed.notify_all();
      state().changed.wait(lock, [] { return state().open; });
    }
    if (std::string_view(name) == "localhost") {
      return platform::net::parseIpv4("127.0.0.1");
    }
    return platform::net::parseIpv4(name);
  }

 public:
  // Starts every gate closed and uncounted.
  static void reset() {
    std::lock_guard lock(state().mutex);
    state().entered = 0;
    state().open = false;
  }
};
