#pragma once

#include "net/omb/ombSocket.h"

#include <cstdint>

// The socket module's TCP client: a connect that never blocks, completed by polling
// ombTcpGetConnectState. The caller then sends and receives on the record's socket itself.

// The port in network byte order: a port in 1..65535 as it is, 0 through the service name's TCP
// port (when a non-empty name is given), anything else 0.
uint16_t _ombTcpGetPort(int32_t port, const char* service);
// Non-blocking mode and the send-buffer size the system reports (0 when it does not).
void _ombTcpSetup(OMB_SOCKET* record);
// Starts the connect to the address (network byte order) and the record's port; true when it
// succeeded at once or goes on in the background.
bool _ombTcpStartConnect(OMB_SOCKET* record, uint32_t address);

// A record connecting to host:port. A dotted address starts the connect at once (state 2); any
// other name is looked up in the background first (state 1). 1; OMB_ERR_BAD_ARGUMENT for an empty
// host or no port; OMB_ERR_CREATE when no socket was made or the connect could not start.
int32_t ombTcpConnect(OMB_SOCKET** out, const char16_t* host, int32_t port);
// 1 once connected; OMB_ERR_BUSY while the look-up or the connect goes on; OMB_ERR_IO when
// either failed (a refused connect included).
int32_t ombTcpGetConnectState(OMB_SOCKET* record);
// Cancels a pending look-up, shuts the socket down, closes it and frees the record.
void ombTcpClose(OMB_SOCKET* record);
