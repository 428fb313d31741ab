#pragma once

#include "platform/net/Socket.h"

#include <cstdint>

struct OMB_RESOLVER;
struct OMB_UDP;

// Connection states, shared by the socket records and the UDP connections.
inline constexpr uint32_t OMB_SOCKET_FAILED = 0;       // failed, timed out or closed by the peer
inline constexpr uint32_t OMB_SOCKET_RESOLVING = 1;    // the host name is being looked up
inline constexpr uint32_t OMB_SOCKET_CONNECTING = 2;   // TCP connecting; UDP address known
inline constexpr uint32_t OMB_SOCKET_LISTENING = 3;    // UDP listener
inline constexpr uint32_t OMB_SOCKET_ESTABLISHED = 4;

// One socket of the framework's socket module and the state of its connection.
struct OMB_SOCKET {
  platform::net::SocketHandle socket;  // kNoSocket when none
  uint32_t state;
  OMB_RESOLVER* resolver;  // the pending look-up, or null
  uint16_t port;           // network byte order: the TCP destination port
  uint32_t sendBufferSize;  // as the system reports it for TCP sockets; 0 when it does not
};

// Once per process (a second call does nothing): the socket-record pool, the UDP connection
// pool and the resolver module; ombSocketUninit is registered with atexit. A failure is the
// level-0 "Error: Can't initialized.".
void ombSocketInit();
// Stops the resolver threads (waiting for a look-up still running) and frees both pools.
void ombSocketUninit();

// A fresh record (socket kNoSocket, state 0, no resolver, port 0), taken under the pool's lock
// so that any thread may call it; an exhausted pool is the level-0 pool message.
OMB_SOCKET* _ombSocketAlloc();
// Returns the record to the pool; the caller has closed its socket and cancelled its look-up.
void _ombSocketFree(OMB_SOCKET* record);

// Blocks of the UDP connection pool (4 per chunk, growable), under the same lock.
OMB_UDP* _ombUdpAllocRecord();
void _ombUdpFreeRecord(OMB_UDP* record);
