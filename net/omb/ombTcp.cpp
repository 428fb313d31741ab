#include "net/omb/ombTcp.h"

#include "foundation/dbtl/DCp932Text.h"
#include "foundation/omb/ombResult.h"
#include "net/omb/ombSocketResolver.h"
#include "platform/net/HostLookup.h"

#include <string>

namespace net = platform::net;

uint16_t _ombTcpGetPort(int32_t port, const char* service) {
  // A port beyond 16 bits would otherwise wrap to some other port.
  if (port < 0 || port > 0xFFFF) {
    return 0;
  }
  if (port > 0) {
    return net::hostToNet16(static_cast<uint16_t>(port));
  }
  if (!service || service[0] == 0) {
    return 0;
  }
  return net::lookupTcpServicePort(service);
}

void _ombTcpSetup(OMB_SOCKET* record) {
  net::socketSetNonBlocking(record->socket);
  uint32_t size = 0;
  record->sendBufferSize = net::socketSendBufferSize(record->socket, &size) ? size : 0;
}

bool _ombTcpStartConnect(OMB_SOCKET* record, uint32_t address) {
  return net::socketConnect(record->socket, {address, record->port}) != net::SocketError::Other;
}

int32_t ombTcpConnect(OMB_SOCKET** out, const char16_t* host, int32_t port) {
  *out = nullptr;
  if (!host || host[0] == 0) {
    return OMB_ERR_BAD_ARGUMENT;
  }
  const uint16_t networkPort = _ombTcpGetPort(port, nullptr);
  if (networkPort == 0) {
    return OMB_ERR_BAD_ARGUMENT;
  }
  OMB_SOCKET* record = _ombSocketAlloc();
  if (!record) {
    return OMB_ERR_CREATE;
  }
  record->port = networkPort;
  record->socket = net::socketOpen(net::SocketKind::Stream);
  if (record->socket == net::kNoSocket) {
    ombTcpClose(record);
    return OMB_ERR_CREATE;
  }
  _ombTcpSetup(record);
  const std::string name = dbtl::DCp932FromUtf16(host);
  if (const auto address = net::parseIpv4(name.c_str())) {
    if (_ombTcpStartConnect(record, *address)) {
      record->state = OMB_SOCKET_CONNECTING;
    }
  } else {
    // A null resolver fails the connection at its next state query.
    record->state = OMB_SOCKET_RESOLVING;
    record->resolver = _ombSocketResolveStart(name.c_str());
  }
  if (record->state == OMB_SOCKET_FAILED) {
    ombTcpClose(record);
    return OMB_ERR_CREATE;
  }
  *out = record;
  return OMB_OK;
}

int32_t ombTcpGetConnectState(OMB_SOCKET* record) {
  switch (record->state) {
    case OMB_SOCKET_RESOLVING: {
      uint32_t address = OMB_RESOLVER_NO_ADDRESS;
      if (!_ombSocketResolveTake(record, &address)) {
        return OMB_ERR_BUSY;
      }
      if (address == OMB_RESOLVER_NO_ADDRESS || !_ombTcpStartConnect(record, address)) {
        record->state = OMB_SOCKET_FAILED;
        return OMB_ERR_IO;
      }
      record->state = OMB_SOCKET_CONNECTING;
      return OMB_ERR_BUSY;
    }
    case OMB_SOCKET_CONNECTING:
      switch (net::socketConnectProgress(record->socket, 0)) {
        case net::ConnectProgress::NotReady:
          return OMB_ERR_BUSY;
        case net::ConnectProgress::Ready:
          record->state = OMB_SOCKET_ESTABLISHED;
          return OMB_OK;
        default:
          record->state = OMB_SOCKET_FAILED;
          return OMB_ERR_IO;
      }
    case OMB_SOCKET_ESTABLISHED:
      return OMB_OK;
    default:
      return OMB_ERR_IO;
  }
}

void ombTcpClose(OMB_SOCKET* record) {
  if (!record) {
    return;
  }
  _ombSocketResolveCancel(record->resolver);
  record->resolver = nullptr;
  if (record->socket != net::kNoSocket) {
    net::socketShutdown(record->socket);
    net::socketClose(record->socket);
  }
  _ombSocketFree(record);
}
