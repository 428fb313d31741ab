#include "net/session/NetLink.h"

#include "foundation/omb/ombResult.h"
#include "net/omb/ombUdpInternal.h"
#include "platform/kernel/Clock.h"

namespace {

NetRecv classify(int32_t result, uint32_t size) {
  if (result == 1) return size > 0 ? NetRecv::Message : NetRecv::None;
  return NetRecv::Error;
}

}  // namespace

NetRecv netRecv(OMB_UDP* connection, uint8_t* buffer, uint32_t* size) {
  *size = 0;
  const int32_t result = ombUdpRecv(connection, size, buffer, 256);
  return classify(result, *size);
}

NetRecv netRecvLatest(OMB_UDP* connection, uint8_t* buffer, uint32_t capacity, uint32_t* size) {
  *size = 0;
  const int32_t result = ombUdpRecvLatest(connection, size, buffer, capacity);
  if (result == OMB_ERR_SHORT) {
    // A payload larger than the caller's buffer is not one of the records it waits for.
    uint8_t scratch[0x2E00];
    ombUdpRecvLatest(connection, size, scratch, sizeof scratch);
    *size = capacity + 1;
    return NetRecv::Message;
  }
  return classify(result, *size);
}

NetRecv netRecvDatagram(OMB_UDP* connection, uint8_t* buffer, uint32_t capacity, uint32_t* size) {
  *size = 0;
  const int32_t result = ombUdpRecvDatagram(connection, size, buffer, capacity);
  if (result == OMB_ERR_SHORT) {
    uint8_t scratch[0x2E00];
    ombUdpRecvDatagram(connection, size, scratch, sizeof scratch);
    *size = capacity + 1;
    return NetRecv::Message;
  }
  return classify(result, *size);
}

void netDiscardDatagrams(OMB_UDP* connection) {
  uint8_t scratch[0x2E00];
  for (int guard = 0; guard < 4096; ++guard) {
    uint32_t size = 0;
    if (ombUdpRecvDatagram(connection, &size, scratch, sizeof scratch) != 1 || size == 0) return;
  }
}

bool netQueue(OMB_UDP* connection, const void* message, uint32_t length) {
  return ombUdpSend(connection, message, length, nullptr, 0) == 1;
}

bool netQueueByte(OMB_UDP* connection, uint8_t kind) { return netQueue(connection, &kind, 1); }

bool netSetPayload(OMB_UDP* connection, const void* payload, uint32_t length) {
  return ombUdpSend(connection, nullptr, 0, payload, length) == 1;
}

bool netEstablished(const OMB_UDP* connection) {
  return connection && ombUdpState(connection) == OMB_SOCKET_ESTABLISHED;
}

uint32_t netUnacked(const OMB_UDP* connection) { return connection->unackedCount; }

uint32_t netSendRoom(const OMB_UDP* connection) { return ombUdpRingRoom(&connection->sendRing); }

void netSkipNextDatagram(OMB_UDP* connection) {
  if (connection) connection->flags |= OMB_UDP_SKIP_NEXT;
}

void netClose(OMB_UDP*& connection) {
  if (connection) ombUdpClose(connection);
  connection = nullptr;
}

void NetKeepAlive::check() {
  if (!socket) return;
  const uint32_t now = platform::clock().milliseconds();
  if (!started || now - lastMs >= 8000) {
    started = true;
    lastMs = now;
    const uint8_t zero = 0;
    ombUdpSendRaw(address, socket, port, &zero);
  }
  if (ombUdpPoll(socket)) ombUdpFlush(socket);
}
