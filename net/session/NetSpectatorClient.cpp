#include "net/session/NetSpectatorClient.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/lerr/lerr.h"

#include <algorithm>

namespace {

// Complete frame records that end a buffering phase (about two seconds of play).
constexpr uint32_t kBufferedFrames = 120;

}  // namespace

NetSpectatorClient::NetSpectatorClient(NetHost& host, const NetSessionInfo& info,
                                       OMB_UDP* connection, const NetKeepAlive& keepAlive)
    : host_(host), info_(info), delay_(netInputDelay(info)), connection_(connection),
      keepAlive_(keepAlive) {
  ombFrameControllerInit(&pacing_, 120);
}

NetSpectatorClient::~NetSpectatorClient() {
  if (worker_) {
    {
      std::lock_guard guard(lock_);
      quit_ = true;
    }
    worker_->wait(0xFFFFFFFFu);
    worker_->close();
  }
  if (keepAlive_.socket == connection_) keepAlive_.socket = nullptr;
  netClose(connection_);
  keepAlive_.close();
}

bool NetSpectatorClient::begin() {
  worker_ = platform::Thread::start(workerMain, this, 1u << 20,
                                    platform::Thread::Priority::TimeCritical);
  if (!worker_) return false;
  host_.writeLounge(NET_STATUS_RUNNING);
  return true;
}

uint32_t NetSpectatorClient::workerMain(void* self) {
  auto* session = static_cast<NetSpectatorClient*>(self);
  ombFrameControllerReset(&session->pacing_);
  try {
    for (;;) {
      {
        std::lock_guard guard(session->lock_);
        if (session->quit_) return 0;
      }
      session->workerStep();
    }
  } catch (...) {
    std::lock_guard guard(session->lock_);
    session->error_ = true;
  }
  return 0;
}

void NetSpectatorClient::workerStep() {
  // A datagram goes out every 8th step: the spectator only acknowledges.
  if (step_ % 8 != 7) {
    netSkipNextDatagram(connection_);
    netSkipNextDatagram(keepAlive_.socket);
  }
  ++step_;
  ombUdpUpdate(connection_);
  keepAlive_.check();
  {
    std::lock_guard guard(lock_);
    if (quit_) return;
    readStream();
  }
  if (netEstablished(connection_) && netUnacked(connection_) == 0) {
    netQueueByte(connection_, NET_STREAM_FILLER);
  }
  if (step_ % 2 == 0) frameEvent_.set();
  if (!ombFrameControllerUpdate(&pacing_)) ombFrameControllerWait(&pacing_);
}

void NetSpectatorClient::readStream() {
  NetLoungeRecord record;
  while (host_.readLounge(&record)) {
    if (record.kind == 9 || record.kind == 10) {
      cancelled_ = true;
    } else {
      error_ = true;
    }
  }
  if (error_ || cancelled_ || endSeen_) return;
  if (ring_.empty()) buffering_ = true;
  uint8_t message[256];
  // The cap bounds memory: what is not taken stays in the connection and holds the host back.
  while (ring_.size() < host_.options.spectatorBufferCap) {
    uint32_t size = 0;
    const NetRecv got = netRecv(connection_, message, &size);
    if (got == NetRecv::None) break;
    if (got == NetRecv::Error) {
      error_ = true;
      return;
    }
    ring_.insert(ring_.end(), message, message + size);
    // The end marker always travels alone; once it is in, the host may close the connection.
    if (size == 1 && message[0] == NET_STREAM_END) {
      endSeen_ = true;
      buffering_ = false;
      return;
    }
  }
  // A host that went away before the end of its stream never sends the rest.
  if (!netEstablished(connection_)) {
    error_ = true;
    return;
  }
  if (!buffering_) return;
  uint8_t head[3];
  uint32_t frames = 0;
  size_t at = 0;
  while (at < ring_.size()) {
    const uint32_t available = static_cast<uint32_t>(std::min<size_t>(ring_.size() - at, 3));
    std::copy(ring_.begin() + static_cast<std::ptrdiff_t>(at),
              ring_.begin() + static_cast<std::ptrdiff_t>(at + available), head);
    int32_t size = netStreamRecordSize(head, available);
    if (size > 0 && ring_.size() - at < static_cast<size_t>(size)) size = 0;
    if (size < 0) {
      error_ = true;
      return;
    }
    if (size == 0) break;
    if (head[0] == NET_STREAM_END) {
      endSeen_ = true;
      break;
    }
    if (head[0] == NET_STREAM_FRAME) ++frames;
    at += static_cast<size_t>(size);
  }
  if (endSeen_ || frames >= kBufferedFrames) buffering_ = false;
}

void NetSpectatorClient::fail(bool cancelled) {
  host_.dialog().close();
  host_.writeLounge(cancelled ? NET_STATUS_CLOSING : NET_STATUS_FAILED);
  lerrThrow();
}

uint32_t NetSpectatorClient::take(uint8_t* record, uint32_t capacity) {
  bool shown = false;
  for (;;) {
    bool wait = false;
    {
      std::unique_lock guard(lock_);
      if (cancelled_ || error_) {
        const bool cancelled = cancelled_;
        guard.unlock();
        fail(cancelled);
      }
      if (buffering_) {
        if (!shown) host_.dialog().show(NET_DIALOG_BUFFERING);
        shown = true;
        wait = true;
      } else {
        while (!ring_.empty() &&
               (ring_.front() == NET_STREAM_FILLER || ring_.front() == NET_STREAM_END)) {
          ring_.pop_front();
        }
        if (ring_.empty()) {
          if (endSeen_) {
            guard.unlock();
            fail(false);
          }
          wait = true;
        } else {
          uint8_t head[3] = {};
          const uint32_t available = static_cast<uint32_t>(std::min<size_t>(ring_.size(), 3));
          std::copy(ring_.begin(), ring_.begin() + available, head);
          const int32_t size = netStreamRecordSize(head, available);
          const uint32_t need = size > 0 ? static_cast<uint32_t>(size) : 3u;
          if (size < 0 || need > capacity) {
            guard.unlock();
            fail(false);
          }
          if (ring_.size() < need) {
            wait = true;
          } else {
            std::copy(ring_.begin(), ring_.begin() + need, record);
            ring_.erase(ring_.begin(), ring_.begin() + need);
            guard.unlock();
            if (shown) host_.dialog().close();
            return need;
          }
        }
      }
    }
    if (wait) host_.pump(100);
  }
}

void NetSpectatorClient::start() {
  uint8_t record[5];
  if (take(record, 5) != 5 || record[0] != NET_STREAM_START) fail(false);
  seed_ = loadU32le(record + 1);
  if (take(record, 5) != 1 || record[0] != NET_STREAM_GO) fail(false);
  std::fill(std::begin(current_), std::end(current_), 0u);
}

void NetSpectatorClient::end() {
  uint8_t record[256];
  for (;;) {
    const uint32_t size = take(record, sizeof record);
    if (record[0] == NET_STREAM_FRAME || record[0] == NET_STREAM_SKIP) continue;
    if (size == 1 && record[0] == NET_STREAM_ROUND_END) break;
    fail(false);
  }
  std::fill(std::begin(current_), std::end(current_), 0u);
}

bool NetSpectatorClient::waitFrame() {
  uint8_t record[256];
  for (;;) {
    take(record, sizeof record);
    if (record[0] == NET_STREAM_SKIP) continue;
    if (record[0] != NET_STREAM_FRAME) fail(false);
    break;
  }
  for (uint32_t p = 0; p < NET_MAX_PLAYERS; ++p) current_[p] = loadU32le(record + 1 + 4 * p);
  if (frameEvent_.wait(0) == platform::Event::kSignalled) return true;
  frameEvent_.wait(100);
  return false;
}

bool NetSpectatorClient::getPlayerInput(uint32_t index, InputSource* out) {
  if (index >= info_.playerCount || index >= NET_MAX_PLAYERS || !out) return false;
  *out = netBitsInputSource(&current_[index]);
  return true;
}

uint32_t NetSpectatorClient::getPlayerId(uint32_t index) {
  return index < info_.playerCount ? info_.players[index].id : 0;
}

const char16_t* NetSpectatorClient::getPlayerInfo(uint32_t index) {
  return index < info_.playerCount ? info_.players[index].name : nullptr;
}

uint32_t NetSpectatorClient::getLatency(uint32_t index) {
  return index < info_.playerCount ? info_.players[index].latency : 0;
}

void NetSpectatorClient::release() {
  if (released_) return;
  released_ = true;
  if (worker_) {
    {
      std::lock_guard guard(lock_);
      quit_ = true;
    }
    worker_->wait(0xFFFFFFFFu);
    worker_->close();
    worker_ = nullptr;
  }
  host_.writeLounge(NET_STATUS_CLOSING);
  if (keepAlive_.socket == connection_) keepAlive_.socket = nullptr;
  netClose(connection_);
  keepAlive_.close();
}
