// A host and its clients as threads of one process over the loopback address, no drawing.
// SessionWorkerRate: the worker's steps per second over 10 s (frames come every second step).
// MatchRound: a 10-second round between a host and 3 clients, in frames per second (the
// protocol builds 60 a second: a lower figure means the sides could not keep up).

#include "net/omb/ombSocket.h"
#include "net/session/Net.h"
#include "net/session/NetDeliver.h"
#include "net/session/NetSetup.h"
#include "platform/kernel/Clock.h"
#include "platform/net/Socket.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <future>
#include <memory>
#include <vector>

namespace {

class BenchHost final : public NetHost {
 public:
  bool loungeLinked() override { return false; }
  bool readLounge(NetLoungeRecord*) override { return false; }
  void writeLounge(uint32_t) override {}
  bool pump(uint32_t milliseconds) override {
    if (milliseconds) platform::sleepMilliseconds(milliseconds);
    return true;
  }
  NetDialog& dialog() override { return dialog_; }

 private:
  HeadlessNetDialog dialog_;
};

uint16_t freePort() {
  const auto socket = platform::net::socketOpen(platform::net::SocketKind::Datagram);
  platform::net::socketBindAny(socket, 0);
  const uint16_t port = platform::net::socketLocalPort(socket);
  platform::net::socketClose(socket);
  return port;
}

struct Match {
  std::vector<std::unique_ptr<BenchHost>> hosts;
  std::vector<Net*> sessions;
};

Match join(uint32_t players) {
  ombSocketInit();
  const uint16_t port = freePort();
  NetSessionInfo info;
  info.playerCount = players;
  for (uint32_t p = 0; p < players; ++p) info.players[p].id = 100 + p;
  Match match;
  for (uint32_t p = 0; p < players; ++p) {
    match.hosts.push_back(std::make_unique<BenchHost>());
    match.hosts.back()->options.hostPort = port;
    match.hosts.back()->options.latencyEchoes = 30;
  }
  std::vector<std::future<Net*>> sides;
  sides.push_back(std::async(std::launch::async, [&] {
    NetSessionInfo own = info;
    NetClientJoin joins[3] = {{1000, 0, -1}, {1001, 0, -1}, {1002, 0, -1}};
    return static_cast<Net*>(serverSetup(*match.hosts[0], own, NetNatRecord{}, joins));
  }));
  for (uint32_t p = 1; p < players; ++p) {
    sides.push_back(std::async(std::launch::async, [&, p] {
      NetSessionInfo own = info;
      return static_cast<Net*>(clientSetup(*match.hosts[p], own, u"127.0.0.1", NetNatRecord{},
                                           1000 + p - 1, 100 + p, -1));
    }));
  }
  for (auto& side : sides) match.sessions.push_back(side.get());
  return match;
}

// Plays one round of about `length` on every side; answers the host's frames per second,
// timed from its first frame to its last.
double playRound(Match& match, std::chrono::steady_clock::duration length) {
  std::vector<std::future<double>> sides;
  for (Net* net : match.sessions) {
    sides.push_back(std::async(std::launch::async, [net, length] {
      net->start();
      uint64_t frames = 0;
      std::chrono::steady_clock::time_point first;
      std::chrono::steady_clock::time_point last;
      const auto until = std::chrono::steady_clock::now() + length;
      for (uint32_t calls = 0; std::chrono::steady_clock::now() < until; ++calls) {
        net->waitFrame();
        if (calls == 0) net->setReady();
        if (!net->isReady()) continue;
        last = std::chrono::steady_clock::now();
        if (frames++ == 0) first = last;
      }
      while (!net->isReady()) net->waitFrame();
      net->end();
      const double seconds = std::chrono::duration<double>(last - first).count();
      return frames > 1 && seconds > 0 ? static_cast<double>(frames - 1) / seconds : 0.0;
    }));
  }
  double hostRate = 0;
  for (size_t i = 0; i < sides.size(); ++i) {
    const double rate = sides[i].get();
    if (i == 0) hostRate = rate;
  }
  return hostRate;
}

void release(Match& match) {
  for (Net* net : match.sessions) {
    if (net) net->release();
  }
  for (Net* net : match.sessions) delete net;
}

void SessionWorkerRate(benchmark::State& state) {
  Match match = join(2);
  for (Net* net : match.sessions) {
    if (!net) {
      state.SkipWithError("the match could not be set up");
      release(match);
      return;
    }
  }
  double stepsPerSecond = 0;
  for (auto _ : state) {
    stepsPerSecond = 2.0 * playRound(match, std::chrono::seconds(10));
  }
  state.counters["steps_per_second"] = stepsPerSecond;
  release(match);
}
BENCHMARK(SessionWorkerRate)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void MatchRound(benchmark::State& state) {
  Match match = join(4);
  for (Net* net : match.sessions) {
    if (!net) {
      state.SkipWithError("the match could not be set up");
      release(match);
      return;
    }
  }
  double framesPerSecond = 0;
  for (auto _ : state) {
    framesPerSecond = playRound(match, std::chrono::seconds(10));
  }
  state.counters["frames_per_second"] = framesPerSecond;
  release(match);
}
BENCHMARK(MatchRound)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
