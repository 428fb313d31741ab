#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"
#include "foundation/omb/ombLog.h"
#include "net/session/NetDeliver.h"
#include "net/session/NetMatchKinds.h"

using namespace netmatch;

NetDeliverClient::NetDeliverClient(NetHost& host, const NetSessionInfo& info, uint32_t ownIndex,
                                   OMB_UDP* connection, OMB_UDP* mainSocket,
                                   const NetKeepAlive& keepAlive)
    : NetDeliver(host, info), ownIndex_(ownIndex), connection_(connection), mainSocket_(mainSocket) {
  keepAlive_ = keepAlive;
}

NetDeliverClient::~NetDeliverClient() {
  stopWorker();
  closeSockets();
}

void NetDeliverClient::closeSockets() {
  // The used connection may be the main socket or the NAT path's socket: each closes once.
  if (mainSocket_ == connection_ || mainSocket_ == keepAlive_.socket) mainSocket_ = nullptr;
  if (keepAlive_.socket == connection_) keepAlive_.socket = nullptr;
  netClose(mainSocket_);
  netClose(connection_);
  keepAlive_.close();
}

bool NetDeliverClient::protocolStep() {
  switch (state_) {
    case State::WaitStart: return stepWaitStart();
    case State::SendReady: return stepSendReady();
    case State::Ready: return stepReady();
    case State::Run: return stepRun();
  }
  return false;
}

NetRecv NetDeliverClient::nextHostMessage(uint8_t* message, uint32_t& size) {
  for (;;) {
    size = 0;
    const NetRecv got = netRecv(connection_, message, &size);
    if (got == NetRecv::Error) setError(NET_ERROR_DISCONNECTED);
    if (got != NetRecv::Message || size != 1 || message[0] != kHostFiller) return got;
  }
}

bool NetDeliverClient::stepWaitStart() {
  uint8_t message[256];
  uint32_t size = 0;
  if (nextHostMessage(message, size) != NetRecv::Message) return false;
  if (size == 5 && message[0] == kStart) {
    seed_ = loadU32le(message + 1);
    started_ = true;
    state_ = State::SendReady;
    return true;
  }
  setError(NET_ERROR_PROTOCOL);
  return false;
}

bool NetDeliverClient::stepSendReady() {
  uint8_t message[256];
  uint32_t size = 0;
  const NetRecv got = nextHostMessage(message, size);
  if (got == NetRecv::Error) return false;
  if (got == NetRecv::Message) {
    setError(NET_ERROR_PROTOCOL);
    return false;
  }
  if (!localReady_) return false;
  if (!netQueueByte(connection_, kReady)) {
    setError(NET_ERROR_DISCONNECTED);
    return false;
  }
  readySent_ = true;
  localReady_ = false;
  state_ = State::Ready;
  return true;
}

bool NetDeliverClient::stepReady() {
  uint8_t message[256];
  uint32_t size = 0;
  if (nextHostMessage(message, size) != NetRecv::Message) return false;
  if (size == 1 && message[0] == kGo) {
    // The set-up refused tables where the own latency exceeds the delay.
    const uint32_t lead = delay_ - info_.players[ownIndex_].latency;
    running_ = true;
    inputRing_.assign(2 * lead, 0);
    ombLogPrintf(OMB_LOG_INFORMATION, u"Information: [%s] Set Input Latency: %uframe",
                 "workReady", lead);
    frames_.clear();
    echoed_ = counter_;
    state_ = State::Run;
    return true;
  }
  setError(NET_ERROR_PROTOCOL);
  return false;
}

void NetDeliverClient::endRound() {
  clearRound();
  stopSent_ = endSent_ = false;
  state_ = State::WaitStart;
}

bool NetDeliverClient::stepRun() {
  if (endRequested_ && !endSent_) {
    if (!netQueueByte(connection_, kEndRequest)) {
      setError(NET_ERROR_DISCONNECTED);
      return false;
    }
    endSent_ = true;
    frames_.clear();
    for (uint32_t& bits : current_) bits = 0;
  }
  uint8_t message[256];
  for (;;) {
    uint32_t size = 0;
    const NetRecv got = nextHostMessage(message, size);
    if (got == NetRecv::None) break;
    if (got == NetRecv::Error) return false;
    const uint8_t kind = message[0];
    if (size == 1 && kind == kRoundEnd) {
      endRound();
      return true;
    }
    if (kind == kFrame) {
      if (size != NET_FRAME_SIZE) {
        setError(NET_ERROR_PROTOCOL);
        return false;
      }
      if (!endSent_) {
        NetFrame frame;
        std::copy(message, message + NET_FRAME_SIZE, frame.begin());
        pushFrame(frame);
        if (error_ != 0) return false;
        echoed_ = loadU32le(message + 17 + 4 * ownIndex_);
      }
      continue;
    }
    if (size != 1) {
      setError(NET_ERROR_PROTOCOL);
      return false;
    }
    if (kind == kStop) {
      stopped_ = true;
    } else if (kind == kDrain) {
      waiting_ = true;
    } else if (kind == kResume) {
      stopped_ = waiting_ = stopSent_ = false;
    }
  }

  if (!endSent_ && !stopSent_ && !stopped_ && frames_.size() > NET_FRAME_BACKLOG) {
    if (!netQueueByte(connection_, kBacklog)) setError(NET_ERROR_DISCONNECTED);
    stopSent_ = true;
  }
  if (waiting_ && !endSent_ && frames_.empty()) {
    if (!netQueueByte(connection_, kCaughtUp)) setError(NET_ERROR_DISCONNECTED);
    waiting_ = false;
  }
  if (endSent_ || stopSent_ || stopped_) return false;

  inputRing_.push_back(netSampleInput(localInput_));
  const uint32_t bits = inputRing_.front();
  inputRing_.pop_front();
  uint8_t record[13] = {kInput};
  storeU32le(record + 1, bits);
  storeU32le(record + 5, counter_);
  storeU32le(record + 9, echoed_ > counter_ ? 0 : counter_ - echoed_);
  netSetPayload(connection_, record, sizeof record);
  ++counter_;
  if (!netEstablished(connection_)) setError(NET_ERROR_DISCONNECTED);
  return false;
}

void NetDeliverClient::sendKeepAlive() {
  if (error_ != 0) return;
  netDiscardDatagrams(connection_);
  if (netUnacked(connection_) == 0 && !netQueueByte(connection_, kClientFiller)) {
    setError(NET_ERROR_DISCONNECTED);
  }
}

void NetDeliverClient::readLounge() {
  NetLoungeRecord record;
  while (host_.readLounge(&record)) {
    if (record.kind == 10) {
      setError(NET_ERROR_CANCELLED);
    } else if (record.kind != 9 && record.kind != 11 && record.kind != 12) {
      setError(NET_ERROR_DISCONNECTED);
    }
  }
}

bool NetDeliverClient::pollMain() { return pollOk_ = ombUdpPoll(connection_); }

void NetDeliverClient::flushMain() { ombUdpFlush(connection_); }

void NetDeliverClient::release() {
  if (released_) return;
  released_ = true;
  stopWorker();
  host_.writeLounge(NET_STATUS_CLOSING);
  flushWhile(
      [](NetDeliver* base) {
        auto* self = static_cast<NetDeliverClient*>(base);
        if (self->error_ != 0 || !netEstablished(self->connection_) ||
            netUnacked(self->connection_) == 0) {
          return false;
        }
        ombUdpUpdate(self->connection_);
        self->keepAlive_.check();
        return true;
      },
      nullptr);
  closeSockets();
}
