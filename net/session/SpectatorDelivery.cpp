#include "net/session/SpectatorDelivery.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"
#include "net/session/NetLink.h"
#include "platform/kernel/Clock.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kMaxPending = 32;
constexpr uint32_t kMaxAnnounced = 32;
constexpr uint32_t kNoBlock = 0xFFFFFFFFu;
constexpr int32_t kJoinSpectator = -2;
constexpr int32_t kJoinUnused = -4;
constexpr int32_t kAccepted = -3;

}  // namespace

void GameRecordStream::append(const uint8_t* bytes, uint32_t length) {
  while (length > 0) {
    if (blocks_.empty() || blocks_.back()->used == kBlockData) {
      blocks_.push_back(std::make_unique<Block>());
    }
    Block& block = *blocks_.back();
    const uint32_t take = std::min(length, kBlockData - block.used);
    std::memcpy(block.data + block.used, bytes, take);
    block.used += take;
    bytes += take;
    length -= take;
  }
}

int32_t netStreamRecordSize(const uint8_t* bytes, uint32_t available) {
  if (available == 0) return 0;
  int32_t size;
  switch (bytes[0]) {
    case NET_STREAM_START: size = 5; break;
    case NET_STREAM_FRAME: size = NET_STREAM_FRAME_SIZE; break;
    case NET_STREAM_GO:
    case NET_STREAM_ROUND_END:
    case NET_STREAM_END:
    case NET_STREAM_FILLER: size = 1; break;
    case NET_STREAM_SKIP:
      if (available < 3) return 0;
      size = 3 + bytes[2];
      break;
    default: return -1;
  }
  return size;
}

SpectatorDelivery::SpectatorDelivery(const NetSessionInfo& info, const NetHost& host)
    : info_(info),
      gameId_(host.gameId),
      gameVersion_(host.gameVersion),
      stallMs_(host.options.spectatorStallMs) {}

SpectatorDelivery::~SpectatorDelivery() {
  for (Pending& entry : pending_) netClose(entry.connection);
  for (Delivering& entry : delivering_) netClose(entry.connection);
}

void SpectatorDelivery::addPending(OMB_UDP* connection) {
  if (pending_.size() >= kMaxPending) {
    netClose(connection);
    return;
  }
  pending_.push_back({connection, 0, 0, 0, platform::clock().milliseconds()});
}

void SpectatorDelivery::admit(OMB_UDP* connection, uint32_t token, uint32_t id, Reply reply) {
  auto entry = std::find_if(pending_.begin(), pending_.end(),
                            [&](const Pending& p) { return p.connection == connection; });
  if (entry == pending_.end()) return;
  const bool taken = std::any_of(pending_.begin(), pending_.end(), [&](const Pending& p) {
    return p.connection != connection && p.state != 0 && p.id == id;
  });
  if (entry->state == 0 && !taken) {
    entry->token = token;
    entry->id = id;
    entry->state = 1;
    if (reply == Reply::Queue) netQueue(connection, &kAccepted, 4);
    return;
  }
  netClose(entry->connection);
  pending_.erase(entry);
}

void SpectatorDelivery::announce(uint32_t token, uint32_t id, uint32_t address, int32_t port) {
  if (announced_.size() >= kMaxAnnounced) return;
  for (const Announced& entry : announced_) {
    if (entry.id == id) return;
  }
  announced_.push_back({token, id, address, port});
}

void SpectatorDelivery::forget(uint32_t id) {
  std::erase_if(announced_, [&](const Announced& entry) { return entry.id == id; });
  std::erase_if(pending_, [&](Pending& entry) {
    if (entry.state == 0 || entry.id != id) return false;
    netClose(entry.connection);
    return true;
  });
  std::erase_if(delivering_, [&](Delivering& entry) {
    if (entry.id != id) return false;
    netClose(entry.connection);
    return true;
  });
}

void SpectatorDelivery::append(const uint8_t* bytes, uint32_t length) {
  if (!ending_) stream_.append(bytes, length);
}

void SpectatorDelivery::acceptAll(OMB_UDP* listener) {
  if (!listener) return;
  for (;;) {
    OMB_UDP* child = nullptr;
    if (ombUdpAccept(listener, &child) != 1 || !child) return;
    addPending(child);
  }
}

void SpectatorDelivery::stepPending(Pending& entry, bool* remove) {
  const uint32_t now = platform::clock().milliseconds();
  switch (entry.state) {
    case 0: {
      uint8_t join[16];
      uint32_t size = 0;
      const NetRecv got = netRecvLatest(entry.connection, join, sizeof join, &size);
      if (got == NetRecv::Error) {
        *remove = true;
        return;
      }
      if (got == NetRecv::Message && size == 12) {
        const int32_t kind = static_cast<int32_t>(loadU32le(join));
        if (kind == kJoinSpectator) {
          entry.lastMs = now;
          // admit() removes the entry it refuses: `entry` is not used after it.
          admit(entry.connection, loadU32le(join + 4), loadU32le(join + 8));
          return;
        }
        if (kind == kJoinUnused) {
          *remove = true;
          return;
        }
      }
      break;
    }
    case 1: {
      uint8_t record[16];
      storeU32le(record, static_cast<uint32_t>(gameId_));
      storeU32le(record + 4, gameVersion_);
      storeU32le(record + 8, info_.playerCount);
      storeU32le(record + 12, 0);
      if (netQueue(entry.connection, record, sizeof record)) entry.state = 2;
      break;
    }
    case 2: {
      uint8_t message[256];
      uint32_t size = 0;
      const NetRecv got = netRecv(entry.connection, message, &size);
      if (got == NetRecv::Error) {
        *remove = true;
        return;
      }
      if (got == NetRecv::Message) {
        if (size != 8 || static_cast<int32_t>(loadU32le(message)) != gameId_ ||
            loadU32le(message + 4) != gameVersion_) {
          *remove = true;
          return;
        }
        entry.lastMs = now;
        entry.state = 3;
      }
      break;
    }
    case 3: {
      entry.lastMs = now;
      auto match = std::find_if(announced_.begin(), announced_.end(), [&](const Announced& a) {
        return a.token == entry.token && a.id == entry.id;
      });
      if (match != announced_.end()) {
        announced_.erase(match);
        if (delivering_.size() < NET_MAX_SPECTATORS) {
          uint32_t countdown = 0;
          while (std::any_of(delivering_.begin(), delivering_.end(),
                             [&](const Delivering& d) { return d.countdown == countdown; })) {
            ++countdown;
          }
          delivering_.push_back({false, entry.connection, countdown, kNoBlock, 0, entry.id});
          entry.connection = nullptr;
        }
        *remove = true;
        return;
      }
      break;
    }
  }
  netDiscardDatagrams(entry.connection);
  if (now - entry.lastMs > stallMs_) *remove = true;
}

void SpectatorDelivery::deliver(Delivering& entry, bool* remove) {
  uint8_t scratch[256];
  uint32_t size = 0;
  while (netRecv(entry.connection, scratch, &size) == NetRecv::Message) {
  }
  netDiscardDatagrams(entry.connection);
  if (!netEstablished(entry.connection)) {
    *remove = true;
    return;
  }
  bool maySend = true;
  if (!ending_) {
    if (entry.countdown == 0) {
      entry.countdown = NET_MAX_SPECTATORS;
    } else {
      --entry.countdown;
      netSkipNextDatagram(entry.connection);
      maySend = false;
    }
  }
  if (entry.endSent) {
    if (netUnacked(entry.connection) == 0) *remove = true;
    return;
  }
  if (entry.block == kNoBlock) {
    if (stream_.blockCount() == 0) {
      if (!ending_) {
        if (maySend && netUnacked(entry.connection) == 0) netQueueByte(entry.connection, NET_STREAM_FILLER);
        return;
      }
    } else {
      entry.block = 0;
      entry.offset = 0;
    }
  }
  bool atEnd = stream_.blockCount() == 0;
  while (!atEnd) {
    const uint32_t used = stream_.used(entry.block);
    if (entry.offset == used) {
      if (used == GameRecordStream::kBlockData && entry.block + 1 < stream_.blockCount()) {
        ++entry.block;
        entry.offset = 0;
        continue;
      }
      atEnd = true;
      break;
    }
    const uint32_t chunk = std::min<uint32_t>(256, used - entry.offset);
    if (netSendRoom(entry.connection) < chunk + 1) break;
    if (!netQueue(entry.connection, stream_.data(entry.block) + entry.offset, chunk)) break;
    entry.offset += chunk;
  }
  if (ending_) {
    // The end marker follows the whole stream, never a part of it.
    if (atEnd && netSendRoom(entry.connection) >= 2 && netQueueByte(entry.connection, NET_STREAM_END)) {
      entry.endSent = true;
    }
  } else if (maySend && netUnacked(entry.connection) == 0) {
    netQueueByte(entry.connection, NET_STREAM_FILLER);
  }
}

bool SpectatorDelivery::service(OMB_UDP* listener, OMB_UDP* second) {
  acceptAll(listener);
  acceptAll(second);

  for (size_t i = 0; i < pending_.size();) {
    bool remove = false;
    const size_t before = pending_.size();
    stepPending(pending_[i], &remove);
    if (pending_.size() != before) continue;  // admit() removed the entry itself
    if (remove) {
      netClose(pending_[i].connection);
      pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    ++i;
  }

  if (!announced_.empty()) {
    cursor_ = (cursor_ + 1) % static_cast<uint32_t>(announced_.size());
    const Announced& entry = announced_[cursor_];
    if (second && entry.address != 0 && entry.port != -1) {
      _ombUdpSendHello(entry.address, second, static_cast<uint16_t>(entry.port));
    }
  }

  for (size_t i = 0; i < delivering_.size();) {
    bool remove = false;
    deliver(delivering_[i], &remove);
    if (remove) {
      netClose(delivering_[i].connection);
      delivering_.erase(delivering_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    ++i;
  }
  return !delivering_.empty();
}
