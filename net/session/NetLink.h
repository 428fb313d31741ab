#pragma once

#include "net/omb/ombUdp.h"

#include <cstdint>

// Small helpers over the UDP connections that every part of a session uses, and the NAT path's
// keep-alive.

enum class NetRecv { Message, None, Error };

// The oldest reliable message into buffer (256 bytes); a message too long for it, a failed
// connection with nothing left, or any other failure is Error.
NetRecv netRecv(OMB_UDP* connection, uint8_t* buffer, uint32_t* size);
// The newest unreliable payload (older ones are dropped).
NetRecv netRecvLatest(OMB_UDP* connection, uint8_t* buffer, uint32_t capacity, uint32_t* size);
// The oldest unreliable payload.
NetRecv netRecvDatagram(OMB_UDP* connection, uint8_t* buffer, uint32_t capacity, uint32_t* size);
void netDiscardDatagrams(OMB_UDP* connection);
// Queues one reliable message; false when it could not be queued.
bool netQueue(OMB_UDP* connection, const void* message, uint32_t length);
bool netQueueByte(OMB_UDP* connection, uint8_t kind);
// Sets the unreliable payload of the next datagram.
bool netSetPayload(OMB_UDP* connection, const void* payload, uint32_t length);
bool netEstablished(const OMB_UDP* connection);
uint32_t netUnacked(const OMB_UDP* connection);
// Bytes the reliable send ring can still take.
uint32_t netSendRoom(const OMB_UDP* connection);
// Suppresses the connection's next datagram.
void netSkipNextDatagram(OMB_UDP* connection);
void netClose(OMB_UDP*& connection);

// The NAT path's second socket and the mapping kept alive towards the rendezvous.
struct NetKeepAlive {
  uint32_t address = 0;  // rendezvous, host order
  uint16_t port = 0;
  OMB_UDP* socket = nullptr;
  uint32_t lastMs = 0;
  bool started = false;

  // A one-byte datagram to the rendezvous every 8000 ms (the first one at once), then a poll
  // of the socket and, when it succeeded, its flush.
  void check();
  void close() { netClose(socket); }
};
