#include "net/omb/ombUdp.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"
#include "foundation/dbtl/DCp932Text.h"
#include "foundation/omb/containers/ombAllocator.h"
#include "foundation/omb/ombCheckedMath.h"
#include "foundation/omb/ombResult.h"
#include "net/omb/ombSocketResolver.h"
#include "net/omb/ombUdpDatagram.h"
#include "net/omb/ombUdpInternal.h"
#include "platform/net/HostLookup.h"

#include <cstring>
#include <string>

namespace net = platform::net;

namespace {

// A ring of n bytes keeps one more byte, so that full and empty differ.
bool byteRing(OMB_RING* ring, uint32_t bytes) {
  std::size_t capacity = 0;
  if (!ombCheckedAdd(bytes, 1, &capacity) || capacity > UINT32_MAX) {
    return false;
  }
  return ombRingInit(ring, 1, static_cast<uint32_t>(capacity), 0);
}

bool blocksBytes(uint32_t blocks, uint32_t* bytes) {
  std::size_t total = 0;
  if (!ombCheckedMul(blocks, 256, &total) || total >= UINT32_MAX) {
    return false;
  }
  *bytes = static_cast<uint32_t>(total);
  return true;
}

void freeRecord(OMB_UDP* connection) {
  ombRingUninit(&connection->receiveRing);
  ombRingUninit(&connection->sendRing);
  ombRingUninit(&connection->datagramRing);
  ombRingUninit(&connection->unreliableSlot);
  ombAllocatorFree(nullptr, connection->buffer);
  _ombSocketFree(connection->socket);
  _ombUdpFreeRecord(connection);
}

std::string multibyte(const char16_t* host) {
  return dbtl::DCp932FromUtf16(host);
}

// Takes the oldest entry {u16 length, bytes} of a payload ring, or a record {length - 1, bytes}
// of a message ring, into the caller's buffer.
int32_t readEntry(OMB_UDP* connection, OMB_RING* ring, uint32_t lengthBytes, uint32_t* size,
                  void* buffer, uint32_t bufferLength) {
  const uint32_t state = ombUdpState(connection);
  if (state != OMB_SOCKET_ESTABLISHED && state != OMB_SOCKET_FAILED) {
    return OMB_ERR_IO;
  }
  uint8_t head[2] = {};
  if (ombRingGetCount(ring) < lengthBytes ||
      ombRingPeek(ring, head, lengthBytes, 0) != lengthBytes) {
    *size = 0;
    return state == OMB_SOCKET_ESTABLISHED ? OMB_OK : OMB_ERR_IO;
  }
  const uint32_t length = lengthBytes == 1 ? uint32_t{head[0]} + 1 : loadU16le(head);
  *size = length;
  if (length > bufferLength) {
    return OMB_ERR_SHORT;
  }
  ombRingSkip(lengthBytes, ring);
  ombRingRead(ring, buffer, length);
  return OMB_OK;
}

int32_t start(OMB_UDP** out, const char16_t* host, uint16_t port, const OMB_UDP_PARAM* param) {
  *out = nullptr;
  if (!host || host[0] == 0 || !param) {
    return OMB_ERR_BAD_ARGUMENT;
  }
  OMB_UDP* connection = ombUdpCreate(nullptr, param);
  if (!connection) {
    return OMB_ERR_BAD_ARGUMENT;
  }
  connection->parent = connection;
  connection->socket->socket = net::socketOpen(net::SocketKind::Datagram);
  if (connection->socket->socket == net::kNoSocket ||
      !net::socketSetNonBlocking(connection->socket->socket)) {
    ombUdpClose(connection);
    return OMB_ERR_CREATE;
  }
  const std::string name = multibyte(host);
  connection->peer.port = net::hostToNet16(port);
  if (const auto address = net::parseIpv4(name.c_str())) {
    connection->peer.address = *address;
    connection->socket->state = OMB_SOCKET_CONNECTING;
  } else {
    // A null resolver fails the connection at its next state query.
    connection->socket->resolver = _ombSocketResolveStart(name.c_str());
    connection->socket->state = OMB_SOCKET_RESOLVING;
  }
  *out = connection;
  return OMB_OK;
}

}  // namespace

net::SocketHandle ombUdpSocketOf(const OMB_UDP* connection) {
  const OMB_UDP* owner = ombUdpIsListener(connection) || ombUdpIsClient(connection)
                             ? connection
                             : connection->parent;
  return owner->socket->socket;
}

uint32_t ombUdpRingRoom(const OMB_RING* ring) {
  const uint32_t space = ombRingGetSpace(ring);
  return space == 0 ? 0 : space - 1;
}

OMB_UDP* ombUdpCreate(OMB_UDP* parent, const OMB_UDP_PARAM* param) {
  uint32_t receiveBytes = 0;
  uint32_t sendBytes = 0;
  if (!blocksBytes(param->receiveBlocks, &receiveBytes) ||
      !blocksBytes(param->sendBlocks, &sendBytes) || param->bufferSize == UINT32_MAX ||
      param->unreliableSize == UINT32_MAX) {
    return nullptr;
  }
  OMB_UDP* connection = _ombUdpAllocRecord();
  if (!connection) {
    return nullptr;
  }
  std::memset(static_cast<void*>(connection), 0, sizeof *connection);
  connection->parent = parent;
  ombListInit(&connection->children, static_cast<int32_t>(offsetof(OMB_UDP, node)));
  connection->param = *param;
  connection->socket = _ombSocketAlloc();
  if (!connection->socket) {
    _ombUdpFreeRecord(connection);
    return nullptr;
  }
  connection->oldestUnacked = 1;
  connection->timeoutPolls = param->timeoutPolls;
  // A child has no buffer of its own: it is built and received through its listener's.
  connection->bufferSize = param->bufferSize;
  if (!parent) {
    connection->buffer = static_cast<uint8_t*>(
        ombAllocatorMalloc(nullptr, param->bufferSize == 0 ? 1 : param->bufferSize));
  }
  byteRing(&connection->receiveRing, receiveBytes);
  byteRing(&connection->sendRing, sendBytes);
  byteRing(&connection->datagramRing, param->unreliableSize);
  byteRing(&connection->unreliableSlot, param->bufferSize);
  return connection;
}

int32_t ombUdpSendBytes(net::SocketHandle socket, const void* data, std::size_t size,
                        net::Ipv4Endpoint to) {
  switch (net::socketSendTo(socket, data, size, to).error) {
    case net::SocketError::None:
      return OMB_OK;
    case net::SocketError::WouldBlock:
      return OMB_ERR_BUSY;
    case net::SocketError::NoBuffers:
      return OMB_ERR_SHORT;
    default:
      return OMB_ERR_IO;
  }
}

void ombUdpDiscardWaiting(OMB_UDP* connection) {
  const net::SocketHandle socket = ombUdpSocketOf(connection);
  uint8_t scratch[1];
  for (;;) {
    const net::SocketError error = net::socketRecvFrom(socket, scratch, 0, nullptr).error;
    if (error != net::SocketError::None && error != net::SocketError::Truncated) {
      break;
    }
  }
}

int32_t ombUdpConnect(OMB_UDP** out, const char16_t* host, uint16_t port,
                      const OMB_UDP_PARAM* param) {
  return start(out, host, port, param);
}

int32_t ombUdpConnectFrom(const OMB_UDP_PARAM* param, uint16_t port, OMB_UDP** out,
                          const char16_t* host, uint16_t localPort) {
  const int32_t result = start(out, host, port, param);
  if (result != OMB_OK) {
    return result;
  }
  if (!net::socketBindAny((*out)->socket->socket, localPort)) {
    ombUdpClose(*out);
    *out = nullptr;
    return OMB_ERR_CREATE;
  }
  return OMB_OK;
}

int32_t ombUdpGetConnectState(OMB_UDP* connection) {
  OMB_SOCKET* record = connection->socket;
  switch (record->state) {
    case OMB_SOCKET_RESOLVING: {
      uint32_t address = OMB_RESOLVER_NO_ADDRESS;
      if (!_ombSocketResolveTake(record, &address)) {
        return OMB_ERR_BUSY;
      }
      if (address == OMB_RESOLVER_NO_ADDRESS) {
        record->state = OMB_SOCKET_FAILED;
        return OMB_ERR_IO;
      }
      connection->peer.address = address;
      record->state = OMB_SOCKET_CONNECTING;
      return OMB_ERR_BUSY;
    }
    case OMB_SOCKET_CONNECTING:
      if (connection->linkState != OMB_UDP_LINK_HEARD) {
        return OMB_ERR_BUSY;
      }
      record->state = OMB_SOCKET_ESTABLISHED;
      return OMB_OK;
    case OMB_SOCKET_ESTABLISHED:
      return OMB_OK;
    default:
      return OMB_ERR_IO;
  }
}

int32_t ombUdpListen(OMB_UDP** out, uint16_t port, const OMB_UDP_PARAM* param) {
  return ombUdpListenOn(out, 0, port, param);
}

int32_t ombUdpListenOn(OMB_UDP** out, uint32_t address, uint16_t port, const OMB_UDP_PARAM* param) {
  *out = nullptr;
  if (!param) {
    return OMB_ERR_BAD_ARGUMENT;
  }
  OMB_UDP* listener = ombUdpCreate(nullptr, param);
  if (!listener) {
    return OMB_ERR_BAD_ARGUMENT;
  }
  listener->socket->socket = net::socketOpen(net::SocketKind::Datagram);
  if (listener->socket->socket == net::kNoSocket ||
      !net::socketSetNonBlocking(listener->socket->socket) ||
      !net::socketBind(listener->socket->socket,
                       {net::hostToNet32(address), net::hostToNet16(port)})) {
    ombUdpClose(listener);
    return OMB_ERR_CREATE;
  }
  listener->socket->state = OMB_SOCKET_LISTENING;
  listener->maxPending = OMB_UDP_MAX_PENDING;
  ombUdpDiscardWaiting(listener);
  *out = listener;
  return OMB_OK;
}

int32_t ombUdpAccept(OMB_UDP* listener, OMB_UDP** child) {
  for (OMB_LIST_LINK* link = listener->children.head.next; link != &listener->children.head;
       link = link->next) {
    auto* candidate = static_cast<OMB_UDP*>(ombListElement(&listener->children, link));
    if (ombUdpState(candidate) == OMB_SOCKET_CONNECTING) {
      candidate->socket->state = OMB_SOCKET_ESTABLISHED;
      --listener->linkState;
      *child = candidate;
      return OMB_OK;
    }
  }
  return OMB_ERR_BUSY;
}

int32_t ombUdpSend(OMB_UDP* connection, const void* message, uint32_t length, const void* payload,
                   uint32_t payloadLength) {
  if (ombUdpState(connection) != OMB_SOCKET_ESTABLISHED) {
    return OMB_ERR_IO;
  }
  if (length > OMB_UDP_MAX_MESSAGE) {
    // The length byte could not say it: the ring would be corrupted for every later message.
    return OMB_ERR_BAD_ARGUMENT;
  }
  if (length > 0) {
    if (ombUdpRingRoom(&connection->sendRing) < length + 1) {
      return OMB_ERR_SHORT;
    }
    const uint8_t lengthByte = static_cast<uint8_t>(length - 1);
    ombRingWrite(&connection->sendRing, &lengthByte, 1);
    ombRingWrite(&connection->sendRing, message, length);
    ++connection->unackedCount;
  }
  if (payloadLength > 0 && payloadLength <= 0xFFFF) {
    OMB_RING* slot = &connection->unreliableSlot;
    // Measured against the whole slot: a payload that could never fit leaves the waiting one.
    if (slot->capacity - 1 >= payloadLength + 2) {
      ombRingSkip(ombRingGetCount(slot), slot);
      uint8_t head[2];
      storeU16le(head, static_cast<uint16_t>(payloadLength));
      ombRingWrite(slot, head, 2);
      ombRingWrite(slot, payload, payloadLength);
    }
  }
  return OMB_OK;
}

int32_t ombUdpRecv(OMB_UDP* connection, uint32_t* size, void* buffer, uint32_t bufferLength) {
  return readEntry(connection, &connection->receiveRing, 1, size, buffer, bufferLength);
}

int32_t ombUdpRecvDatagram(OMB_UDP* connection, uint32_t* size, void* buffer,
                           uint32_t bufferLength) {
  return readEntry(connection, &connection->datagramRing, 2, size, buffer, bufferLength);
}

int32_t ombUdpRecvLatest(OMB_UDP* connection, uint32_t* size, void* buffer,
                         uint32_t bufferLength) {
  OMB_RING* ring = &connection->datagramRing;
  for (;;) {
    uint8_t head[2];
    const uint32_t count = ombRingGetCount(ring);
    if (count < 2 || ombRingPeek(ring, head, 2, 0) != 2) {
      break;
    }
    const uint32_t entry = 2u + loadU16le(head);
    if (count <= entry) {
      break;  // the newest: nothing complete follows it
    }
    ombRingSkip(entry, ring);
  }
  return ombUdpRecvDatagram(connection, size, buffer, bufferLength);
}

int32_t ombUdpSendRaw(uint32_t address, OMB_UDP* connection, uint16_t port, const void* data) {
  return ombUdpSendBytes(ombUdpSocketOf(connection), data, 1,
                         {net::hostToNet32(address), net::hostToNet16(port)});
}

int32_t _ombUdpSendHello(uint32_t address, OMB_UDP* connection, uint16_t port) {
  const uint8_t hello[OMB_UDP_EMPTY_SIZE] = {};
  return ombUdpSendBytes(ombUdpSocketOf(connection), hello, sizeof hello,
                         {net::hostToNet32(address), net::hostToNet16(port)});
}

void ombUdpClose(OMB_UDP* connection) {
  if (!connection) {
    return;
  }
  if (ombUdpIsListener(connection)) {
    while (OMB_UDP* child = static_cast<OMB_UDP*>(ombListGetFirst(&connection->children))) {
      ombUdpClose(child);
    }
  } else if (connection->peer.address != 0 && ombUdpSocketOf(connection) != net::kNoSocket) {
    // The peer's address is unknown while a name is looked up, and after a failed look-up.
    const uint8_t close = 0;
    ombUdpSendBytes(ombUdpSocketOf(connection), &close, 1, connection->peer);
  }
  if (connection->socket) {
    _ombSocketResolveCancel(connection->socket->resolver);
    connection->socket->resolver = nullptr;
    net::socketClose(connection->socket->socket);
  }
  ombListInit(&connection->children, static_cast<int32_t>(offsetof(OMB_UDP, node)));
  if (!ombUdpIsListener(connection) && !ombUdpIsClient(connection)) {
    OMB_UDP* listener = connection->parent;
    ombListRemove(&listener->children, &connection->node);
    // Counted afresh: a pending child may already have failed on the way to being closed.
    listener->linkState = 0;
    for (OMB_LIST_LINK* link = listener->children.head.next; link != &listener->children.head;
         link = link->next) {
      if (ombUdpState(static_cast<OMB_UDP*>(ombListElement(&listener->children, link))) ==
          OMB_SOCKET_CONNECTING) {
        ++listener->linkState;
      }
    }
  }
  freeRecord(connection);
}
