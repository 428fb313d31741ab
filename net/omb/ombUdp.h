#pragma once

#include "foundation/omb/containers/ombList.h"
#include "foundation/omb/containers/ombRing.h"
#include "net/omb/ombSocket.h"
#include "platform/net/Socket.h"

#include <cstdint>

// UDP connections carrying a reliable, ordered stream of short messages (1 to 256 bytes) and,
// per datagram, at most one unreliable payload of which only the newest matters. Everything is
// non-blocking and driven by the caller, who polls and flushes once per cycle. No locks: each
// connection is used from one thread at a time.

struct OMB_UDP_PARAM {
  uint32_t bufferSize;      // receive buffer, every datagram built, and the unreliable send slot
  uint32_t receiveBlocks;   // reliable receive ring: receiveBlocks * 256 bytes
  uint32_t sendBlocks;      // reliable send ring: sendBlocks * 256 bytes
  uint32_t timeoutPolls;    // polls with messages left unacknowledged before a time-out
  uint32_t unreliableSize;  // unreliable receive ring, in bytes
};

// The parameters of the network sessions.
inline constexpr OMB_UDP_PARAM OMB_UDP_SESSION_PARAM{1023, 256, 256, 600, 0x2E00};

// linkState of a client.
inline constexpr uint32_t OMB_UDP_LINK_NONE = 0;     // hello not sent
inline constexpr uint32_t OMB_UDP_LINK_HELLO = 1;    // hello sent
inline constexpr uint32_t OMB_UDP_LINK_HEARD = 2;    // a valid datagram came from the peer

// flags
inline constexpr uint32_t OMB_UDP_SKIP_NEXT = 0x01;  // the next flush passes this one over

inline constexpr uint32_t OMB_UDP_MAX_PENDING = 23;

struct OMB_UDP {
  OMB_UDP* parent;      // null: listener; itself: client; the listener: accepted child
  OMB_LIST children;    // a listener's children, linked through `node`
  OMB_LIST_LINK node;
  uint32_t maxPending;  // a listener's bound on children waiting for acceptance
  uint32_t linkState;   // listener: children pending; client: OMB_UDP_LINK_*
  OMB_SOCKET* socket;   // a child's record has no socket: it uses its listener's
  platform::net::Ipv4Endpoint peer;
  uint32_t bufferSize;
  uint8_t* buffer;      // receive and send buffer; none for a child
  uint32_t flags;
  uint32_t lastReceived;   // last reliable message taken in order; 0 = none
  uint32_t oldestUnacked;  // sequence number of the first message in sendRing
  OMB_RING receiveRing;    // {length - 1, bytes} per message
  OMB_RING sendRing;       // unacknowledged messages, same form
  uint32_t unackedCount;
  uint32_t timeoutPolls;
  uint32_t timeoutCounter;
  OMB_RING datagramRing;   // received payloads {u16 length, bytes}
  OMB_RING unreliableSlot; // the one payload to send next {u16 length, bytes}
  OMB_UDP_PARAM param;     // what the listener gives its children
};

// A client towards host:port (host order) on its own unbound socket. A dotted address is used at
// once (state 2); any other name is looked up in the background (state 1). 1, OMB_ERR_BAD_ARGUMENT
// for an empty host or unusable parameters, OMB_ERR_CREATE when no socket could be made.
int32_t ombUdpConnect(OMB_UDP** out, const char16_t* host, uint16_t port,
                      const OMB_UDP_PARAM* param);
// As ombUdpConnect, with the socket bound to localPort on every interface; a failed bind closes
// the connection and answers OMB_ERR_CREATE.
int32_t ombUdpConnectFrom(const OMB_UDP_PARAM* param, uint16_t port, OMB_UDP** out,
                          const char16_t* host, uint16_t localPort);
// 1 once established; OMB_ERR_BUSY while resolving or waiting for the peer; OMB_ERR_IO when failed.
int32_t ombUdpGetConnectState(OMB_UDP* connection);
// A listener bound to the port on every interface; datagrams already waiting are discarded.
int32_t ombUdpListen(OMB_UDP** out, uint16_t port, const OMB_UDP_PARAM* param);
// As ombUdpListen, bound to one local IPv4 address (host byte order; 0 is every interface).
int32_t ombUdpListenOn(OMB_UDP** out, uint32_t address, uint16_t port, const OMB_UDP_PARAM* param);
// The first pending child becomes established; OMB_ERR_BUSY when none waits.
int32_t ombUdpAccept(OMB_UDP* listener, OMB_UDP** child);

// Queues a message (length 1 to 256; 0 queues none) and replaces the waiting payload (length > 0;
// one larger than the slot is ignored). OMB_ERR_IO when not established, OMB_ERR_BAD_ARGUMENT for a
// message longer than 256 bytes, OMB_ERR_SHORT when the send ring cannot take the message (then
// nothing is queued).
int32_t ombUdpSend(OMB_UDP* connection, const void* message, uint32_t length, const void* payload,
                   uint32_t payloadLength);
// The oldest reliable message. States 4 and 0 only (messages that arrived before a close can
// still be read). None: size 0 and 1 (state 4) or OMB_ERR_IO (state 0). Too long for the buffer:
// size = its length, OMB_ERR_SHORT, the message stays.
int32_t ombUdpRecv(OMB_UDP* connection, uint32_t* size, void* buffer, uint32_t bufferLength);
// The same for the oldest unreliable payload.
int32_t ombUdpRecvDatagram(OMB_UDP* connection, uint32_t* size, void* buffer,
                           uint32_t bufferLength);
// Discards every payload but the newest, then reads it as ombUdpRecvDatagram.
int32_t ombUdpRecvLatest(OMB_UDP* connection, uint32_t* size, void* buffer, uint32_t bufferLength);

// Receives and processes every waiting datagram; true when the socket was drained without error.
bool ombUdpPoll(OMB_UDP* connection);
// Sends one datagram to a client's peer, or to every pending and established child of a listener.
void ombUdpFlush(OMB_UDP* connection);
// Poll, then flush when the poll answered true.
void ombUdpUpdate(OMB_UDP* connection);

// One byte of data as a 1-byte datagram to address:port (both host order) through the
// connection's socket. 1, OMB_ERR_BUSY (would block), OMB_ERR_SHORT (no buffer space), OMB_ERR_IO.
int32_t ombUdpSendRaw(uint32_t address, OMB_UDP* connection, uint16_t port, const void* data);
// The 10-byte hello to address:port (host order); the same results.
int32_t _ombUdpSendHello(uint32_t address, OMB_UDP* connection, uint16_t port);

// Sends the close datagram to the peer (a listener closes its children first), cancels a pending
// look-up, closes the socket and frees the connection.
void ombUdpClose(OMB_UDP* connection);
