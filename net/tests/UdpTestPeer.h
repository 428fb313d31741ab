#pragma once

#include "net/omb/ombSocket.h"
#include "net/omb/ombUdp.h"
#include "platform/net/Socket.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

// A plain UDP socket on the loopback address that plays the other end of a connection, so that
// a test can see the exact datagrams sent and hand-make the ones received.
class UdpTestPeer {
 public:
  UdpTestPeer() {
    socket_ = platform::net::socketOpen(platform::net::SocketKind::Datagram);
    platform::net::socketSetNonBlocking(socket_);
    platform::net::socketBindAny(socket_, 0);
  }
  ~UdpTestPeer() { platform::net::socketClose(socket_); }
  UdpTestPeer(const UdpTestPeer&) = delete;
  UdpTestPeer& operator=(const UdpTestPeer&) = delete;

  uint16_t port() const { return platform::net::socketLocalPort(socket_); }

  // Sends to 127.0.0.1:port (host order).
  void sendTo(uint16_t port, const std::vector<uint8_t>& bytes) const {
    platform::net::socketSendTo(socket_, bytes.data(), bytes.size(), loopback(port));
  }
  // Sends to where the last datagram came from.
  void reply(const std::vector<uint8_t>& bytes) const {
    platform::net::socketSendTo(socket_, bytes.data(), bytes.size(), last_);
  }

  // The next datagram, waiting at most about a second.
  std::optional<std::vector<uint8_t>> receive() {
    for (int i = 0; i < 1000; ++i) {
      std::vector<uint8_t> bytes(70000);
      const auto io = platform::net::socketRecvFrom(socket_, bytes.data(), bytes.size(), &last_);
      if (io.error == platform::net::SocketError::None) {
        bytes.resize(io.bytes);
        return bytes;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::nullopt;
  }
  // True when no datagram arrives within a short while.
  bool quiet() {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    uint8_t byte;
    return platform::net::socketRecvFrom(socket_, &byte, 1, nullptr).error ==
           platform::net::SocketError::WouldBlock;
  }

  static platform::net::Ipv4Endpoint loopback(uint16_t port) {
    return {platform::net::hostToNet32(0x7F000001u), platform::net::hostToNet16(port)};
  }

 private:
  platform::net::SocketHandle socket_;
  platform::net::Ipv4Endpoint last_{};
};

// The port a connection's own socket is bound to (host order).
inline uint16_t udpLocalPort(const OMB_UDP* connection) {
  return platform::net::socketLocalPort(connection->socket->socket);
}

// Runs `step` until `done` holds, about two seconds at most; the loopback delivers at once, so
// this only absorbs scheduling.
inline bool pumpUntil(const std::function<void()>& step, const std::function<bool()>& done) {
  for (int i = 0; i < 2000; ++i) {
    step();
    if (done()) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}
