#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"
#include "foundation/omb/ombResult.h"
#include "net/omb/ombUdp.h"
#include "net/omb/ombUdpDatagram.h"
#include "net/omb/ombUdpInternal.h"

#include <cstring>

namespace net = platform::net;

namespace {

bool acknowledge(OMB_UDP* connection, uint32_t ack) {
  if (ack == 0 || ack < connection->oldestUnacked) {
    return true;
  }
  do {
    connection->oldestUnacked = ombUdpNextSequence(connection->oldestUnacked);
    connection->timeoutCounter = 0;
    if (connection->unackedCount == 0) {
      return false;  // the peer acknowledges a message that was never sent
    }
    uint8_t lengthByte = 0;
    ombRingRead(&connection->sendRing, &lengthByte, 1);
    ombRingSkip(uint32_t{lengthByte} + 1, &connection->sendRing);
    --connection->unackedCount;
  } while (connection->oldestUnacked <= ack);
  return true;
}

// Messages are taken strictly in order: a repeat or one after a gap is skipped, and so is one
// the receive ring has no room for; the ack does not cover it, so the peer sends it again.
void takeMessages(OMB_UDP* connection, const OMB_UDP_DATAGRAM& datagram) {
  const uint8_t* at = datagram.messages;
  uint32_t sequence = datagram.first;
  for (uint32_t k = 0; k < datagram.count; ++k) {
    const uint32_t length = uint32_t{at[0]} + 1;
    if (sequence == ombUdpNextSequence(connection->lastReceived) &&
        ombUdpRingRoom(&connection->receiveRing) >= length + 1) {
      ombRingWrite(&connection->receiveRing, at, length + 1);
      connection->lastReceived = sequence;
    }
    at += length + 1;
    sequence = ombUdpNextSequence(sequence);
  }
}

// Only the newest payloads matter: the oldest make room for a new one.
void takePayload(OMB_UDP* connection, const OMB_UDP_DATAGRAM& datagram) {
  OMB_RING* ring = &connection->datagramRing;
  const uint32_t entry = 2u + datagram.payloadSize;
  if (datagram.payloadSize == 0 || ring->capacity - 1 < entry) {
    return;
  }
  while (ombUdpRingRoom(ring) < entry) {
    uint8_t head[2];
    const uint32_t count = ombRingGetCount(ring);
    if (count < 2 || ombRingPeek(ring, head, 2, 0) != 2 || count < 2u + loadU16le(head)) {
      ombRingSkip(count, ring);
      break;
    }
    ombRingSkip(2u + loadU16le(head), ring);
  }
  uint8_t head[2];
  storeU16le(head, datagram.payloadSize);
  ombRingWrite(ring, head, 2);
  ombRingWrite(ring, datagram.payload, datagram.payloadSize);
}

// One datagram to the connection's peer through `socket`; false when the connection failed.
bool flushTo(OMB_UDP* connection, net::SocketHandle socket, uint8_t* buffer, uint32_t bufferSize) {
  const std::size_t size = ombUdpBuildDatagram(connection, buffer, bufferSize);
  if (size == 0) {
    return false;
  }
  const int32_t sent = ombUdpSendBytes(socket, buffer, size, connection->peer);
  // A datagram that the system had no room for is lost; the next one repeats its messages.
  if (sent != OMB_OK && sent != OMB_ERR_BUSY && sent != OMB_ERR_SHORT) {
    ombUdpFail(connection);
    return false;
  }
  return true;
}

OMB_UDP* childAt(OMB_UDP* listener, OMB_LIST_LINK* link) {
  return static_cast<OMB_UDP*>(ombListElement(&listener->children, link));
}

OMB_UDP* childFrom(OMB_UDP* listener, net::Ipv4Endpoint source) {
  for (OMB_LIST_LINK* link = listener->children.head.next; link != &listener->children.head;
       link = link->next) {
    if (childAt(listener, link)->peer == source) {
      return childAt(listener, link);
    }
  }
  return nullptr;
}

bool isHello(const uint8_t* bytes, std::size_t size) {
  if (size != OMB_UDP_EMPTY_SIZE) {
    return false;
  }
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] != 0) {
      return false;
    }
  }
  return true;
}

void listenerReceived(OMB_UDP* listener, const uint8_t* bytes, std::size_t size,
                      net::Ipv4Endpoint source) {
  if (OMB_UDP* child = childFrom(listener, source)) {
    const uint32_t state = ombUdpState(child);
    if (state == OMB_SOCKET_CONNECTING) {
      if (!ombUdpProcessDatagram(child, bytes, size)) {
        ombUdpClose(child);
      }
    } else if (state == OMB_SOCKET_ESTABLISHED) {
      ombUdpProcessDatagram(child, bytes, size);
    }
    return;
  }
  if (!isHello(bytes, size) || listener->linkState >= listener->maxPending) {
    return;
  }
  OMB_UDP* child = ombUdpCreate(listener, &listener->param);
  if (!child) {
    return;
  }
  child->peer = source;
  child->socket->state = OMB_SOCKET_CONNECTING;
  ombListAppend(&listener->children, &child->node);
  ++listener->linkState;
}

void listenerTimeouts(OMB_UDP* listener) {
  OMB_LIST_LINK* link = listener->children.head.next;
  while (link != &listener->children.head) {
    OMB_UDP* child = childAt(listener, link);
    link = link->next;
    if (child->timeoutCounter < child->timeoutPolls) {
      ++child->timeoutCounter;
    } else if (ombUdpState(child) == OMB_SOCKET_CONNECTING) {
      ombUdpClose(child);
    } else if (ombUdpState(child) == OMB_SOCKET_ESTABLISHED) {
      ombUdpFail(child);
    }
  }
}

}  // namespace

bool ombUdpProcessDatagram(OMB_UDP* connection, const uint8_t* bytes, std::size_t size) {
  OMB_UDP_DATAGRAM datagram;
  if (ombUdpParseDatagram(bytes, size, &datagram) != OmbUdpParse::Ok ||
      !acknowledge(connection, datagram.ack)) {
    ombUdpFail(connection);
    return false;
  }
  takeMessages(connection, datagram);
  takePayload(connection, datagram);
  return true;
}

std::size_t ombUdpBuildDatagram(OMB_UDP* connection, uint8_t* buffer, uint32_t bufferSize) {
  // Even a datagram without messages and payload needs the ack, the first word and U.
  if (bufferSize < OMB_UDP_EMPTY_SIZE) {
    ombUdpFail(connection);
    return 0;
  }
  storeU32le(buffer, connection->lastReceived);
  OMB_RING* slot = &connection->unreliableSlot;
  uint32_t waiting = ombRingGetCount(slot);
  if (bufferSize - 4 < waiting + 4) {
    waiting = 0;
  }
  uint32_t budget = bufferSize - 4 - waiting;
  budget = budget < 8 ? 0 : budget - 7;

  std::size_t at = 4;
  uint32_t copied = 0;
  if (budget > 0) {
    std::size_t walk = at + 5;  // after first and the count byte
    uint32_t offset = 0;
    const uint32_t stored = ombRingGetCount(&connection->sendRing);
    while (copied < connection->unackedCount && copied < OMB_UDP_MAX_COUNT && offset < stored) {
      uint8_t lengthByte = 0;
      ombRingPeek(&connection->sendRing, &lengthByte, 1, offset);
      const uint32_t length = uint32_t{lengthByte} + 1;
      if (length + 1 > budget) {
        break;
      }
      ombRingPeek(&connection->sendRing, buffer + walk, length + 1, offset);
      walk += length + 1;
      offset += length + 1;
      budget -= length + 1;
      ++copied;
    }
    if (copied > 0) {
      storeU32le(buffer + at, connection->oldestUnacked);
      buffer[at + 4] = static_cast<uint8_t>(copied - 1);
      at = walk;
    }
  }
  if (copied == 0) {
    storeU32le(buffer + at, 0);
    at += 4;
    connection->timeoutCounter = 0;
  }

  uint8_t head[2] = {};
  uint32_t payloadSize = 0;
  if (ombRingGetCount(slot) >= 2 && ombRingPeek(slot, head, 2, 0) == 2) {
    payloadSize = loadU16le(head);
  }
  if (payloadSize != 0 && ombRingGetCount(slot) >= 2 + payloadSize &&
      bufferSize - at >= 2 + payloadSize) {
    storeU16le(buffer + at, static_cast<uint16_t>(payloadSize));
    ombRingPeek(slot, buffer + at + 2, payloadSize, 2);
    at += 2 + payloadSize;
  } else {
    storeU16le(buffer + at, 0);
    at += 2;
  }
  ombRingSkip(ombRingGetCount(slot), slot);
  return at;
}

bool ombUdpPoll(OMB_UDP* connection) {
  const bool listener = ombUdpIsListener(connection);
  if (!listener && !ombUdpIsClient(connection)) {
    return false;  // a child is polled through its listener
  }
  const uint32_t state = ombUdpState(connection);
  if (!listener) {
    if (state == OMB_SOCKET_RESOLVING || state == OMB_SOCKET_FAILED ||
        state == OMB_SOCKET_LISTENING) {
      return false;
    }
    if (state == OMB_SOCKET_CONNECTING && connection->linkState == OMB_UDP_LINK_NONE) {
      connection->linkState = OMB_UDP_LINK_HELLO;
      const uint8_t hello[OMB_UDP_EMPTY_SIZE] = {};
      ombUdpSendBytes(connection->socket->socket, hello, sizeof hello, connection->peer);
      ombUdpDiscardWaiting(connection);
      return false;
    }
    if (connection->timeoutCounter >= connection->timeoutPolls) {
      ombUdpFail(connection);
      return false;
    }
    ++connection->timeoutCounter;
  } else {
    listenerTimeouts(connection);
  }

  for (;;) {
    net::Ipv4Endpoint source;
    const net::SocketIo io = net::socketRecvFrom(connection->socket->socket, connection->buffer,
                                                 connection->bufferSize, &source);
    if (io.error == net::SocketError::WouldBlock) {
      return true;
    }
    const bool unusable = io.error == net::SocketError::Truncated ||
                          (io.error == net::SocketError::None && io.bytes == 0);
    if (unusable && (listener || source != connection->peer)) {
      // An empty or oversized datagram from anyone but the peer says nothing about the
      // connection: it is passed over, so a stranger can neither end it nor stop its flush.
      continue;
    }
    if (io.error != net::SocketError::None || io.bytes == 0) {
      if (!listener) {
        ombUdpFail(connection);
      }
      return false;
    }
    if (listener) {
      listenerReceived(connection, connection->buffer, io.bytes, source);
    } else if (source == connection->peer) {
      if (!ombUdpProcessDatagram(connection, connection->buffer, io.bytes)) {
        return false;
      }
      connection->linkState = OMB_UDP_LINK_HEARD;
    }
  }
}

void ombUdpFlush(OMB_UDP* connection) {
  if (ombUdpIsClient(connection)) {
    const uint32_t state = ombUdpState(connection);
    // Before the look-up ends there is no address to send to, and a failed one has ended.
    if (state != OMB_SOCKET_CONNECTING && state != OMB_SOCKET_ESTABLISHED) {
      return;
    }
    if (connection->flags & OMB_UDP_SKIP_NEXT) {
      connection->flags &= ~OMB_UDP_SKIP_NEXT;
      return;
    }
    flushTo(connection, connection->socket->socket, connection->buffer, connection->bufferSize);
    return;
  }
  if (!ombUdpIsListener(connection)) {
    return;
  }
  OMB_LIST_LINK* link = connection->children.head.next;
  while (link != &connection->children.head) {
    OMB_UDP* child = childAt(connection, link);
    link = link->next;
    const uint32_t state = ombUdpState(child);
    if (state == OMB_SOCKET_CONNECTING) {
      if (!flushTo(child, connection->socket->socket, connection->buffer,
                   connection->bufferSize)) {
        ombUdpClose(child);
      }
    } else if (state == OMB_SOCKET_ESTABLISHED) {
      if (child->flags & OMB_UDP_SKIP_NEXT) {
        child->flags &= ~OMB_UDP_SKIP_NEXT;
      } else {
        flushTo(child, connection->socket->socket, connection->buffer, connection->bufferSize);
      }
    }
  }
}

void ombUdpUpdate(OMB_UDP* connection) {
  if (ombUdpPoll(connection)) {
    ombUdpFlush(connection);
  }
}
