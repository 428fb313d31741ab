#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"
#include "foundation/omb/ombLog.h"
#include "net/session/NetDeliver.h"
#include "net/session/NetMatchKinds.h"
#include "net/session/SpectatorDelivery.h"

#include <ctime>

using namespace netmatch;

namespace {

// Older: smaller, with a difference below 2^31 (the counters wrap).
bool olderThan(uint32_t counter, uint32_t last) {
  const uint32_t back = last - counter;
  return back != 0 && back < 0x80000000u;
}

}  // namespace

NetDeliverServer::NetDeliverServer(NetHost& host, const NetSessionInfo& info, OMB_UDP* listener,
                                   const NetKeepAlive& keepAlive, OMB_UDP* const* clients,
                                   std::unique_ptr<SpectatorDelivery> spectators)
    : NetDeliver(host, info),
      listener_(listener),
      clientCount_(info.playerCount - 1),
      spectators_(std::move(spectators)) {
  keepAlive_ = keepAlive;
  for (uint32_t k = 0; k < clientCount_; ++k) clients_[k].connection = clients[k];
}

NetDeliverServer::~NetDeliverServer() {
  stopWorker();
  for (uint32_t k = 0; k < clientCount_; ++k) netClose(clients_[k].connection);
  spectators_.reset();
  netClose(listener_);
  keepAlive_.close();
}

void NetDeliverServer::clientError(uint32_t index, int32_t code) {
  NetClientSlot& client = clients_[index];
  if (client.error != 0) return;
  client.error = code;
  ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] クライアント%uエラー: \"%ls\"",
               "`anonymous-namespace'::Data::clientError", index + 1, netErrorText(code));
}

void NetDeliverServer::toClients(const void* bytes, uint32_t length) {
  for (uint32_t k = 0; k < clientCount_; ++k) {
    if (clients_[k].error == 0 && !netQueue(clients_[k].connection, bytes, length)) {
      clientError(k, NET_ERROR_DISCONNECTED);
    }
  }
}

void NetDeliverServer::start() {
  {
    std::lock_guard guard(lock_);
    startTrigger_ = true;
  }
  NetDeliver::start();
}

bool NetDeliverServer::protocolStep() {
  switch (state_) {
    case State::SendStart: return stepSendStart();
    case State::Ready: return stepReady();
    case State::Run: return stepRun();
  }
  return false;
}

bool NetDeliverServer::stepSendStart() {
  uint8_t message[256];
  for (uint32_t k = 0; k < clientCount_; ++k) {
    while (clients_[k].error == 0) {
      uint32_t size = 0;
      const NetRecv got = netRecv(clients_[k].connection, message, &size);
      if (got == NetRecv::None) break;
      if (got == NetRecv::Error) {
        clientError(k, NET_ERROR_DISCONNECTED);
      } else if (!(size == 1 && message[0] == kClientFiller)) {
        clientError(k, NET_ERROR_PROTOCOL);
      }
    }
  }
  if (!startTrigger_) return false;
  startTrigger_ = false;
  started_ = true;
  seed_ = static_cast<uint32_t>(static_cast<uint64_t>(std::time(nullptr)));
  uint8_t record[5] = {kStart};
  storeU32le(record + 1, seed_);
  toClients(record, sizeof record);
  spectators_->append(record, sizeof record);
  state_ = State::Ready;
  return true;
}

bool NetDeliverServer::stepReady() {
  uint8_t message[256];
  for (uint32_t k = 0; k < clientCount_; ++k) {
    NetClientSlot& client = clients_[k];
    while (client.error == 0) {
      uint32_t size = 0;
      const NetRecv got = netRecv(client.connection, message, &size);
      if (got == NetRecv::None) break;
      if (got == NetRecv::Error) {
        clientError(k, NET_ERROR_DISCONNECTED);
      } else if (size == 1 && message[0] == kClientFiller) {
        continue;
      } else if (size == 1 && message[0] == kReady && !client.ready) {
        client.ready = true;
      } else {
        clientError(k, NET_ERROR_PROTOCOL);
      }
    }
  }
  if (localReady_) {
    readySent_ = true;
    localReady_ = false;
  }
  if (!readySent_) return false;
  for (uint32_t k = 0; k < clientCount_; ++k) {
    if (clients_[k].error == 0 && !clients_[k].ready) return false;
  }
  const uint8_t go = kGo;
  toClients(&go, 1);
  spectators_->append(&go, 1);
  running_ = true;
  inputRing_.assign(2 * delay_, 0);
  ombLogPrintf(OMB_LOG_INFORMATION, u"Information: [%s] Set Input Latency: %uframe", "workReady",
               delay_);
  frames_.clear();
  countdown_ = 0;
  draining_ = false;
  for (uint32_t k = 0; k < clientCount_; ++k) {
    clients_[k].fresh = true;
    clients_[k].bits = 0;
    clients_[k].difference = 0;
  }
  state_ = State::Run;
  return true;
}

bool NetDeliverServer::stepRun() {
  if (endRequested_) {
    bool anyReady = false;
    for (uint32_t k = 0; k < clientCount_; ++k) {
      anyReady |= clients_[k].error == 0 && clients_[k].ready;
    }
    if (!anyReady) {
      const uint8_t end = kRoundEnd;
      toClients(&end, 1);
      spectators_->append(&end, 1);
      clearRound();
      stopped_ = draining_ = false;
      for (uint32_t k = 0; k < clientCount_; ++k) {
        clients_[k].ready = clients_[k].fresh = clients_[k].catchingUp = false;
      }
      state_ = State::SendStart;
      return true;
    }
  }

  bool stopAsked = false;
  uint8_t message[256];
  for (uint32_t k = 0; k < clientCount_; ++k) {
    NetClientSlot& client = clients_[k];
    while (client.error == 0) {
      uint8_t payload[16];
      uint32_t size = 0;
      const NetRecv got = netRecvDatagram(client.connection, payload, sizeof payload, &size);
      if (got == NetRecv::None) break;
      if (got == NetRecv::Error) {
        clientError(k, NET_ERROR_DISCONNECTED);
        break;
      }
      if (size != 13 || payload[0] != kInput || !client.ready) continue;
      const uint32_t counter = loadU32le(payload + 5);
      if (olderThan(counter, client.counter)) continue;
      if (client.fresh) {
        client.bits = 0;
        client.fresh = false;
      }
      client.bits |= loadU32le(payload + 1);
      client.counter = counter;
      client.difference = loadU32le(payload + 9);
    }
    while (client.error == 0) {
      uint32_t size = 0;
      const NetRecv got = netRecv(client.connection, message, &size);
      if (got == NetRecv::None) break;
      if (got == NetRecv::Error) {
        clientError(k, NET_ERROR_DISCONNECTED);
        break;
      }
      if (size == 1 && message[0] == kClientFiller) continue;
      if (client.ready && size == 1) {
        if (message[0] == kEndRequest) {
          client.ready = client.fresh = false;
          client.bits = 0;
          client.difference = 0;
          continue;
        }
        if (message[0] == kIgnored) continue;
        if (message[0] == kBacklog) {
          stopAsked = true;
          continue;
        }
        if (message[0] == kCaughtUp) {
          client.catchingUp = false;
          continue;
        }
      }
      clientError(k, NET_ERROR_PROTOCOL);
    }
  }

  bool reason = stopAsked;
  for (uint32_t k = 0; k < clientCount_; ++k) {
    const NetClientSlot& client = clients_[k];
    if (client.error != 0 || !client.ready) continue;
    const uint32_t unacked = netUnacked(client.connection);
    if (!stopped_) {
      reason |= unacked > NET_FRAME_BACKLOG;
    } else if (!draining_) {
      reason |= unacked > 0;
    } else {
      reason |= client.catchingUp;
    }
  }
  if (!endRequested_) {
    if (!stopped_) {
      reason |= frames_.size() > NET_FRAME_BACKLOG;
    } else if (!draining_) {
      reason |= !frames_.empty();
    }
  }

  if (!stopped_ && reason) {
    const uint8_t stop = kStop;
    toClients(&stop, 1);
    stopped_ = true;
    countdown_ = host_.options.resumeCountdown;
  } else if (stopped_ && !reason) {
    if (!draining_) {
      const uint8_t drain = kDrain;
      toClients(&drain, 1);
      draining_ = true;
      for (uint32_t k = 0; k < clientCount_; ++k) {
        if (clients_[k].error == 0) clients_[k].catchingUp = true;
      }
    } else if (countdown_ == 0 || --countdown_ == 0) {
      const uint8_t resume = kResume;
      toClients(&resume, 1);
      stopped_ = draining_ = false;
    }
  }

  if (parity_ == 1 || stopped_) return false;
  buildFrame();
  return false;
}

void NetDeliverServer::buildFrame() {
  inputRing_.push_back(netSampleInput(localInput_));
  const uint32_t own = inputRing_.front();
  inputRing_.pop_front();

  NetFrame frame{};
  frame[0] = kFrame;
  storeU32le(frame.data() + 1, own);
  for (uint32_t k = 0; k < clientCount_; ++k) {
    NetClientSlot& client = clients_[k];
    if (client.error != 0 || !client.ready) continue;
    const uint32_t player = k + 1;
    storeU32le(frame.data() + 1 + 4 * player, client.bits);
    storeU32le(frame.data() + 17 + 4 * player, client.counter);
    storeU32le(frame.data() + 33 + 4 * player, client.difference);
    client.fresh = true;
  }
  toClients(frame.data(), NET_FRAME_SIZE);
  uint8_t spectatorRecord[NET_STREAM_FRAME_SIZE] = {kFrame};
  for (uint32_t p = 0; p < info_.playerCount && p < NET_MAX_PLAYERS; ++p) {
    for (uint32_t b = 0; b < 4; ++b) spectatorRecord[1 + 4 * p + b] = frame[1 + 4 * p + b];
  }
  spectators_->append(spectatorRecord, sizeof spectatorRecord);
  if (!endRequested_) pushFrame(frame);
}

bool NetDeliverServer::checkError() {
  for (uint32_t k = 0; k < clientCount_; ++k) {
    if (clients_[k].error != 0) {
      setError(NET_ERROR_DISCONNECTED);
      return true;
    }
  }
  return false;
}

void NetDeliverServer::sendKeepAlive() {
  for (uint32_t k = 0; k < clientCount_; ++k) {
    NetClientSlot& client = clients_[k];
    if (client.error != 0) continue;
    netDiscardDatagrams(client.connection);
    if (netUnacked(client.connection) == 0 && !netQueueByte(client.connection, kHostFiller)) {
      clientError(k, NET_ERROR_DISCONNECTED);
    }
  }
}

void NetDeliverServer::readLounge() {
  NetLoungeRecord record;
  while (host_.readLounge(&record)) {
    switch (record.kind) {
      case 9: break;
      case 10: setError(NET_ERROR_CANCELLED); break;
      case 11:
        spectators_->announce(record.w[0], record.w[1], record.w[2],
                              static_cast<int32_t>(record.w[3]));
        break;
      case 12: spectators_->forget(record.w[0]); break;
      default: setError(NET_ERROR_DISCONNECTED); break;
    }
  }
  spectators_->service(listener_, keepAlive_.socket);
}

bool NetDeliverServer::pollMain() { return pollOk_ = ombUdpPoll(listener_); }

void NetDeliverServer::flushMain() { ombUdpFlush(listener_); }

void NetDeliverServer::release() {
  if (released_) return;
  released_ = true;
  stopWorker();
  host_.writeLounge(NET_STATUS_CLOSING);
  spectators_->setEnding();
  flushWhile(
      [](NetDeliver* base) {
        // A client that closed after the last round sets an error on the way out; the
        // spectators are still owed the rest of the stream.
        auto* self = static_cast<NetDeliverServer*>(base);
        const bool serving = self->spectators_->service(self->listener_, self->keepAlive_.socket);
        ombUdpUpdate(self->listener_);
        self->keepAlive_.check();
        return serving;
      },
      [](NetDeliver* base, const NetLoungeRecord& record) {
        if (record.kind == 12) {
          static_cast<NetDeliverServer*>(base)->spectators_->forget(record.w[0]);
        }
      });
  spectators_.reset();
  flushWhile(
      [](NetDeliver* base) {
        auto* self = static_cast<NetDeliverServer*>(base);
        ombUdpUpdate(self->listener_);
        self->keepAlive_.check();
        for (uint32_t k = 0; k < self->clientCount_; ++k) {
          const NetClientSlot& client = self->clients_[k];
          if (client.error == 0 && netEstablished(client.connection) &&
              netUnacked(client.connection) > 0) {
            return true;
          }
        }
        return false;
      },
      nullptr);
  for (uint32_t k = 0; k < clientCount_; ++k) netClose(clients_[k].connection);
}
