#pragma once

#include "net/omb/ombUdp.h"

#include <cstddef>
#include <cstdint>

// Helpers shared by the connection calls and the poll and flush loops.

inline bool ombUdpIsListener(const OMB_UDP* connection) {
  return connection->parent == nullptr;
}
inline bool ombUdpIsClient(const OMB_UDP* connection) {
  return connection->parent == connection;
}
inline uint32_t ombUdpState(const OMB_UDP* connection) {
  return connection->socket->state;
}
inline void ombUdpFail(OMB_UDP* connection) {
  connection->socket->state = OMB_SOCKET_FAILED;
}
// The socket that carries a connection's datagrams: a child's is its listener's.
platform::net::SocketHandle ombUdpSocketOf(const OMB_UDP* connection);

// Bytes a ring that never grows can still take.
uint32_t ombUdpRingRoom(const OMB_RING* ring);

// A new connection with its rings and, unless it is a child, its buffer; null (nothing kept)
// when a size overflows. The socket record is fresh and has no socket yet.
OMB_UDP* ombUdpCreate(OMB_UDP* parent, const OMB_UDP_PARAM* param);

// Sends through the socket and maps the outcome to 1, OMB_ERR_BUSY, OMB_ERR_SHORT or OMB_ERR_IO.
int32_t ombUdpSendBytes(platform::net::SocketHandle socket, const void* data, std::size_t size,
                        platform::net::Ipv4Endpoint to);

// Reads and throws away every datagram waiting on the socket.
void ombUdpDiscardWaiting(OMB_UDP* connection);

// Processes one received datagram for the connection; false (the connection has failed) when
// the datagram is damaged, ends the connection, or acknowledges more than was sent.
bool ombUdpProcessDatagram(OMB_UDP* connection, const uint8_t* bytes, std::size_t size);
// Builds the next datagram for the connection into the buffer; 0 (the connection has failed)
// when the buffer cannot hold even an empty datagram.
std::size_t ombUdpBuildDatagram(OMB_UDP* connection, uint8_t* buffer, uint32_t bufferSize);
