#pragma once

#include "platform/net/Socket.h"

#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <queue>
#include <random>
#include <thread>
#include <vector>

// A UDP relay on the loopback address between clients and a host port that damages the traffic
// as a bad network would: seeded loss, duplication, reordering, delay and jitter, set per
// direction. Each client source gets its own relay socket, so the host sees one peer per client.
class UdpImpairmentProxy {
 public:
  struct Impairment {
    double loss = 0;         // probability that a datagram is dropped
    double duplicate = 0;    // probability that it is sent twice
    double reorder = 0;      // probability that it is held back behind later ones
    uint32_t delayMs = 0;    // base delay
    uint32_t jitterMs = 0;   // uniform extra delay 0..jitter
  };

  UdpImpairmentProxy(uint16_t hostPort, Impairment toHost, Impairment toClient, uint32_t seed)
      : hostPort_(hostPort), toHost_(toHost), toClient_(toClient), random_(seed) {
    front_ = open(0);
    thread_ = std::thread([this] { run(); });
  }
  ~UdpImpairmentProxy() {
    stop_ = true;
    thread_.join();
    platform::net::socketClose(front_);
    for (auto& [key, relay] : relays_) platform::net::socketClose(relay.socket);
  }
  uint16_t port() const { return platform::net::socketLocalPort(front_); }
  uint64_t dropped() const { return dropped_; }

 private:
  using Clock = std::chrono::steady_clock;
  struct Relay {
    platform::net::SocketHandle socket;
    platform::net::Ipv4Endpoint client;
  };
  struct Pending {
    Clock::time_point due;
    uint64_t order;
    platform::net::SocketHandle from;
    platform::net::Ipv4Endpoint to;
    std::vector<uint8_t> bytes;
    bool operator>(const Pending& other) const {
      return due != other.due ? due > other.due : order > other.order;
    }
  };

  static platform::net::SocketHandle open(uint16_t port) {
    const auto socket = platform::net::socketOpen(platform::net::SocketKind::Datagram);
    platform::net::socketSetNonBlocking(socket);
    platform::net::socketBindAny(socket, port);
    return socket;
  }
  static platform::net::Ipv4Endpoint loopback(uint16_t port) {
    return {platform::net::hostToNet32(0x7F000001u), platform::net::hostToNet16(port)};
  }

  void schedule(const Impairment& how, platform::net::SocketHandle from,
                platform::net::Ipv4Endpoint to, const uint8_t* bytes, size_t size) {
    std::uniform_real_distribution<double> chance(0, 1);
    if (chance(random_) < how.loss) {
      ++dropped_;
      return;
    }
    const int copies = chance(random_) < how.duplicate ? 2 : 1;
    for (int c = 0; c < copies; ++c) {
      uint32_t delay = how.delayMs;
      if (how.jitterMs) delay += std::uniform_int_distribution<uint32_t>(0, how.jitterMs)(random_);
      if (chance(random_) < how.reorder) delay += 15;
      queue_.push({Clock::now() + std::chrono::milliseconds(delay), order_++, from, to,
                   std::vector<uint8_t>(bytes, bytes + size)});
    }
  }

  void run() {
    std::vector<uint8_t> buffer(65536);
    while (!stop_) {
      std::vector<pollfd> fds{{front_, POLLIN, 0}};
      for (auto& [key, relay] : relays_) fds.push_back({relay.socket, POLLIN, 0});
      ::poll(fds.data(), fds.size(), 1);
      for (;;) {
        platform::net::Ipv4Endpoint source;
        const auto io = platform::net::socketRecvFrom(front_, buffer.data(), buffer.size(), &source);
        if (io.error != platform::net::SocketError::None) break;
        const uint64_t key = uint64_t{source.address} << 16 | source.port;
        auto relay = relays_.find(key);
        if (relay == relays_.end()) relay = relays_.emplace(key, Relay{open(0), source}).first;
        schedule(toHost_, relay->second.socket, loopback(hostPort_), buffer.data(), io.bytes);
      }
      for (auto& [key, relay] : relays_) {
        for (;;) {
          const auto io = platform::net::socketRecvFrom(relay.socket, buffer.data(), buffer.size(), nullptr);
          if (io.error != platform::net::SocketError::None) break;
          schedule(toClient_, front_, relay.client, buffer.data(), io.bytes);
        }
      }
      while (!queue_.empty() && queue_.top().due <= Clock::now()) {
        const Pending& next = queue_.top();
        platform::net::socketSendTo(next.from, next.bytes.data(), next.bytes.size(), next.to);
        queue_.pop();
      }
    }
  }

  uint16_t hostPort_;
  Impairment toHost_;
  Impairment toClient_;
  std::mt19937 random_;
  platform::net::SocketHandle front_;
  std::map<uint64_t, Relay> relays_;
  std::priority_queue<Pending, std::vector<Pending>, std::greater<Pending>> queue_;
  uint64_t order_ = 0;
  std::atomic<uint64_t> dropped_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
