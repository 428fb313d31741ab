#pragma once

#include "foundation/lerr/LExceptGame.h"
#include "net/omb/ombSocket.h"
#include "net/session/Net.h"
#include "net/session/NetTypes.h"
#include "platform/kernel/Clock.h"
#include "platform/net/Socket.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

// In-process sessions for the tests: a lounge in memory that records status records, the
// lounge descriptions of every role, and one side of a match played with scripted inputs.

class MemoryHost final : public NetHost {
 public:
  explicit MemoryHost(bool linked = true) : linked_(linked) {
    gameId = 7;
    gameVersion = 1;
    options.timeoutPolls = 240;
    options.latencyEchoes = 30;
  }
  void push(uint32_t kind, std::initializer_list<uint32_t> words = {}) {
    NetLoungeRecord record;
    record.kind = kind;
    uint32_t i = 0;
    for (uint32_t word : words) record.w[i++] = word;
    push(record);
  }
  void push(const NetLoungeRecord& record) {
    std::lock_guard guard(lock_);
    input_.push_back(record);
  }
  bool loungeLinked() override { return linked_; }
  bool readLounge(NetLoungeRecord* record) override {
    std::lock_guard guard(lock_);
    if (!linked_ || input_.empty()) return false;
    *record = input_.front();
    input_.pop_front();
    return true;
  }
  void writeLounge(uint32_t kind) override {
    std::lock_guard guard(lock_);
    if (linked_) statuses_.push_back(kind);
  }
  bool pump(uint32_t milliseconds) override {
    if (milliseconds) platform::sleepMilliseconds(milliseconds);
    return true;
  }
  NetDialog& dialog() override { return dialog_; }
  std::vector<uint32_t> statuses() {
    std::lock_guard guard(lock_);
    return statuses_;
  }
  HeadlessNetDialog dialog_;

 private:
  bool linked_;
  std::mutex lock_;
  std::deque<NetLoungeRecord> input_;
  std::vector<uint32_t> statuses_;
};

inline NetLoungeRecord playerRecord(uint32_t id, const std::string& utf8Name) {
  NetLoungeRecord record;
  record.kind = 2;
  record.w[0] = id;
  std::memcpy(reinterpret_cast<uint8_t*>(record.w) + 16, utf8Name.data(),
              std::min<size_t>(utf8Name.size(), sizeof record.w - 16));
  return record;
}

inline constexpr uint32_t kLoopback = 0x7F000001u;

// The description shared by every role: no NAT path, `count` players with ids 100 + i.
inline void describeMatch(MemoryHost& host, uint32_t count) {
  host.push(0, {0, 0xFFFFFFFFu, 0xFFFFFFFFu});
  host.push(1, {count});
  for (uint32_t p = 0; p < count; ++p) host.push(playerRecord(100 + p, "P" + std::to_string(p)));
}

inline void describeHost(MemoryHost& host, uint32_t count) {
  describeMatch(host, count);
  host.push(5, {count - 1});
  for (uint32_t k = 0; k + 1 < count; ++k) host.push(6, {1000 + k, 0, 0xFFFFFFFFu});
}

inline void describeClient(MemoryHost& host, uint32_t count, uint32_t index) {
  describeMatch(host, count);
  host.push(7, {1000 + index - 1, 100 + index, kLoopback, 0xFFFFFFFFu});
}

inline void describeSpectator(MemoryHost& host, uint32_t count, uint32_t token, uint32_t id) {
  describeMatch(host, count);
  host.push(8, {token, id, kLoopback, 0xFFFFFFFFu});
}

// A port that was free a moment ago.
inline uint16_t freeUdpPort() {
  const auto socket = platform::net::socketOpen(platform::net::SocketKind::Datagram);
  platform::net::socketBindAny(socket, 0);
  const uint16_t port = platform::net::socketLocalPort(socket);
  platform::net::socketClose(socket);
  return port;
}

struct SideResult {
  bool session = false;
  bool ended = false;  // the session ended the game
  int32_t index = -1;
  std::vector<uint32_t> seeds;
  std::vector<uint64_t> hashes;
};

inline uint64_t fnvWord(uint64_t hash, uint32_t word) {
  for (int i = 0; i < 4; ++i) {
    hash ^= (word >> (8 * i)) & 0xFFu;
    hash *= 0x100000001B3ull;
  }
  return hash;
}

// Scripted buttons that change every poll.
struct ScriptInput {
  uint32_t salt = 0;
  uint32_t frame = 0;
  InputSource source() {
    return {this, [](void* self) { ++static_cast<ScriptInput*>(self)->frame; },
            [](void*) -> uint32_t { return 16; }, [](void*, uint32_t) -> int32_t { return 0; },
            [](void* self, uint32_t index) -> float {
              const auto* input = static_cast<ScriptInput*>(self);
              const uint32_t x = (input->salt * 0x9E3779B9u ^ input->frame * 0x85EBCA6Bu) >> 7;
              return (x >> index) & 1u ? 1.0f : 0.0f;
            }};
  }
};

// netSetup, then `rounds` rounds of `frames` frames; the hash covers every player's bits of
// every frame taken.
inline SideResult playSide(NetHost& host, uint32_t rounds, uint32_t frames) {
  SideResult result;
  Net* net = nullptr;
  try {
    net = netSetup(host);
    if (!net) return result;
    result.session = true;
    result.index = net->getPlayerIndex();
    ScriptInput scripted{static_cast<uint32_t>(result.index + 10)};
    const InputSource local = scripted.source();
    net->setLocalInput(&local);
    for (uint32_t round = 0; round < rounds; ++round) {
      net->start();
      result.seeds.push_back(net->getSeed());
      uint64_t hash = 0xCBF29CE484222325ull;
      for (uint32_t frame = 0, calls = 0; frame < frames; ++calls) {
        net->waitFrame();
        if (calls == 0) net->setReady();
        if (!net->isReady()) continue;
        ++frame;
        for (uint32_t p = 0; p < net->getPlayerCount(); ++p) {
          InputSource player;
          if (!net->getPlayerInput(p, &player)) continue;
          uint32_t bits = 0;
          for (uint32_t b = 0; b < 16; ++b) bits |= player.value(player.context, b) >= 0.5f ? 1u << b : 0;
          hash = fnvWord(hash, bits);
        }
      }
      while (!net->isReady()) net->waitFrame();
      net->end();
      result.hashes.push_back(hash);
    }
    net->release();
  } catch (const LExceptGame&) {
    result.ended = true;
  }
  delete net;
  return result;
}
