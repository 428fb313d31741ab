#include "platform/net/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace platform::net {
namespace {

SocketError lastError() {
  switch (errno) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS:
      return SocketError::WouldBlock;
    case ENOBUFS:
      return SocketError::NoBuffers;
    default:
      return SocketError::Other;
  }
}

sockaddr_in toSockaddr(Ipv4Endpoint endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = endpoint.port;
  address.sin_addr.s_addr = endpoint.address;
  return address;
}

SocketIo result(ssize_t n) {
  if (n < 0) {
    return {0, lastError()};
  }
  return {static_cast<std::size_t>(n), SocketError::None};
}

}  // namespace

SocketHandle socketOpen(SocketKind kind) {
  const int type = kind == SocketKind::Datagram ? SOCK_DGRAM : SOCK_STREAM;
  const int protocol = kind == SocketKind::Datagram ? IPPROTO_UDP : IPPROTO_TCP;
  const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, protocol);
  return fd < 0 ? kNoSocket : fd;
}

void socketClose(SocketHandle socket) {
  if (socket != kNoSocket) {
    ::close(socket);
  }
}

bool socketSetNonBlocking(SocketHandle socket) {
  const int flags = ::fcntl(socket, F_GETFL);
  return flags >= 0 && ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool socketBindAny(SocketHandle socket, uint16_t port) {
  return socketBind(socket, {hostToNet32(INADDR_ANY), hostToNet16(port)});
}

bool socketBind(SocketHandle socket, Ipv4Endpoint local) {
  const sockaddr_in address = toSockaddr(local);
  return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

uint16_t socketLocalPort(SocketHandle socket) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      address.sin_family != AF_INET) {
    return 0;
  }
  return netToHost16(address.sin_port);
}

SocketIo socketSendTo(SocketHandle socket, const void* data, std::size_t size, Ipv4Endpoint to) {
  const sockaddr_in address = toSockaddr(to);
  return result(::sendto(socket, data, size, MSG_NOSIGNAL,
                         reinterpret_cast<const sockaddr*>(&address), sizeof address));
}

SocketIo socketRecvFrom(SocketHandle socket, void* buffer, std::size_t size, Ipv4Endpoint* from) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  const ssize_t n =
      ::recvfrom(socket, buffer, size, MSG_TRUNC, reinterpret_cast<sockaddr*>(&address), &length);
  if (n >= 0 && from) {
    *from = {address.sin_addr.s_addr, address.sin_port};
  }
  if (n >= 0 && static_cast<std::size_t>(n) > size) {
    return {static_cast<std::size_t>(n), SocketError::Truncated};
  }
  return result(n);
}

SocketError socketConnect(SocketHandle socket, Ipv4Endpoint to) {
  const sockaddr_in address = toSockaddr(to);
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return SocketError::None;
  }
  const SocketError error = lastError();
  return error == SocketError::WouldBlock ? error : SocketError::Other;
}

ConnectProgress socketConnectProgress(SocketHandle socket, uint32_t timeoutMs) {
  pollfd entry{socket, POLLOUT, 0};
  const int n = ::poll(&entry, 1, static_cast<int>(timeoutMs));
  if (n < 0) {
    return ConnectProgress::Failed;
  }
  if (n == 0) {
    return ConnectProgress::NotReady;
  }
  // A refused connect also makes the socket writable here; only SO_ERROR tells the two apart.
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
    return ConnectProgress::Failed;
  }
  return ConnectProgress::Ready;
}

bool socketSendBufferSize(SocketHandle socket, uint32_t* size) {
  int value = 0;
  socklen_t length = sizeof value;
  if (::getsockopt(socket, SOL_SOCKET, SO_SNDBUF, &value, &length) != 0 || value < 0) {
    return false;
  }
  *size = static_cast<uint32_t>(value);
  return true;
}

SocketIo socketSend(SocketHandle socket, const void* data, std::size_t size) {
  return result(::send(socket, data, size, MSG_NOSIGNAL));
}

SocketIo socketRecv(SocketHandle socket, void* buffer, std::size_t size) {
  return result(::recv(socket, buffer, size, 0));
}

void socketShutdown(SocketHandle socket) {
  ::shutdown(socket, SHUT_RDWR);
}

uint16_t hostToNet16(uint16_t value) {
  return htons(value);
}

uint32_t hostToNet32(uint32_t value) {
  return htonl(value);
}

}  // namespace platform::net
