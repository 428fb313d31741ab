#pragma once

#include "net/omb/ombUdp.h"
#include "net/session/NetTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

// Stream record kinds of the game record stream.
inline constexpr uint8_t NET_STREAM_START = 0x34;
inline constexpr uint8_t NET_STREAM_GO = 0x72;
inline constexpr uint8_t NET_STREAM_FRAME = 0x61;
inline constexpr uint8_t NET_STREAM_ROUND_END = 0x87;
inline constexpr uint8_t NET_STREAM_END = 0x40;
inline constexpr uint8_t NET_STREAM_FILLER = 0x18;
inline constexpr uint8_t NET_STREAM_SKIP = 0x95;
inline constexpr uint32_t NET_STREAM_FRAME_SIZE = 17;
inline constexpr uint32_t NET_MAX_SPECTATORS = 16;

// The host's append-only record of everything that decides the match, in blocks of 8096 bytes
// (a used-byte count and 8092 data bytes; records may straddle blocks).
class GameRecordStream {
 public:
  static constexpr uint32_t kBlockData = 8092;
  void append(const uint8_t* bytes, uint32_t length);
  uint32_t blockCount() const { return static_cast<uint32_t>(blocks_.size()); }
  uint32_t used(uint32_t block) const { return blocks_[block]->used; }
  const uint8_t* data(uint32_t block) const { return blocks_[block]->data; }

 private:
  struct Block {
    uint32_t used = 0;
    uint8_t data[kBlockData];
  };
  std::vector<std::unique_ptr<Block>> blocks_;
};

// Length of the stream record that starts with `bytes` (`available` of them are there): 0 while
// too few bytes are there to tell, -1 for a kind the stream does not know.
int32_t netStreamRecordSize(const uint8_t* bytes, uint32_t available);

// The host's delivery of the game record stream to up to 16 spectators that the lounge
// announced, each from the stream's beginning.
class SpectatorDelivery {
 public:
  SpectatorDelivery(const NetSessionInfo& info, const NetHost& host);
  ~SpectatorDelivery();

  void addPending(OMB_UDP* connection);
  enum class Reply { Queue, AlreadySent };
  void admit(OMB_UDP* connection, uint32_t token, uint32_t id, Reply reply = Reply::Queue);
  void announce(uint32_t token, uint32_t id, uint32_t address, int32_t port);
  void forget(uint32_t id);
  void append(const uint8_t* bytes, uint32_t length);
  void setEnding() { ending_ = true; }
  // One step; true while spectators are still served.
  bool service(OMB_UDP* listener, OMB_UDP* second);

  uint32_t deliveringCount() const { return static_cast<uint32_t>(delivering_.size()); }

 private:
  struct Pending {
    OMB_UDP* connection;
    uint32_t state;
    uint32_t token;
    uint32_t id;
    uint32_t lastMs;
  };
  struct Announced {
    uint32_t token;
    uint32_t id;
    uint32_t address;
    int32_t port;
  };
  struct Delivering {
    bool endSent;
    OMB_UDP* connection;
    uint32_t countdown;
    uint32_t block;
    uint32_t offset;
    uint32_t id;
  };
  void stepPending(Pending& entry, bool* remove);
  void deliver(Delivering& entry, bool* remove);
  void acceptAll(OMB_UDP* listener);

  NetSessionInfo info_;
  int32_t gameId_;
  uint32_t gameVersion_;
  uint32_t stallMs_;
  bool ending_ = false;
  GameRecordStream stream_;
  std::vector<Pending> pending_;
  std::vector<Announced> announced_;
  std::vector<Delivering> delivering_;
  uint32_t cursor_ = 0;
};
