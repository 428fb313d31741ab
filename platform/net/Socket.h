#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::net {

// The project's small socket layer over POSIX: IPv4 only, every socket close-on-exec, and sends
// that never raise SIGPIPE. Addresses and ports are kept in network byte order, as the runtime
// stores them in its records.
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;

enum class SocketKind { Datagram, Stream };

// What a failed call means to its caller. WouldBlock covers EAGAIN/EWOULDBLOCK and a connect in
// progress; NoBuffers is ENOBUFS (the datagram is lost, the socket is fine); Truncated is a
// datagram larger than the receive buffer, which is consumed and reported instead of cut short.
enum class SocketError { None, WouldBlock, NoBuffers, Truncated, Other };

struct Ipv4Endpoint {
  uint32_t address = 0;  // network byte order
  uint16_t port = 0;     // network byte order
  bool operator==(const Ipv4Endpoint&) const = default;
};

struct SocketIo {
  std::size_t bytes = 0;
  SocketError error = SocketError::None;
};

// kNoSocket when the system refuses.
SocketHandle socketOpen(SocketKind kind);
void socketClose(SocketHandle socket);
bool socketSetNonBlocking(SocketHandle socket);
// Binds to the port (host byte order; 0 lets the system choose) on every interface.
bool socketBindAny(SocketHandle socket, uint16_t port);
// Binds to one local endpoint (network byte order, as every endpoint here).
bool socketBind(SocketHandle socket, Ipv4Endpoint local);
// The bound port in host byte order, 0 when unknown.
uint16_t socketLocalPort(SocketHandle socket);

SocketIo socketSendTo(SocketHandle socket, const void* data, std::size_t size, Ipv4Endpoint to);
// `from` (may be null) receives the source of the datagram. A datagram longer than the buffer
// is consumed and answers Truncated, with `bytes` its whole length.
SocketIo socketRecvFrom(SocketHandle socket, void* buffer, std::size_t size, Ipv4Endpoint* from);

// None: connected at once; WouldBlock: the connect goes on in the background.
SocketError socketConnect(SocketHandle socket, Ipv4Endpoint to);
// For a connecting stream socket: Ready once connected, NotReady while the connect goes on,
// Failed when it was refused or the wait itself failed. A time-out of 0 only tests.
enum class ConnectProgress { Ready, NotReady, Failed };
ConnectProgress socketConnectProgress(SocketHandle socket, uint32_t timeoutMs);
// The send-buffer size the system reports, or false.
bool socketSendBufferSize(SocketHandle socket, uint32_t* size);
// Stream sockets: send and receive on a connected socket.
SocketIo socketSend(SocketHandle socket, const void* data, std::size_t size);
SocketIo socketRecv(SocketHandle socket, void* buffer, std::size_t size);
// Ends both directions of a stream socket.
void socketShutdown(SocketHandle socket);

// Byte order of the wire and of socket addresses.
uint16_t hostToNet16(uint16_t value);
uint32_t hostToNet32(uint32_t value);
inline uint16_t netToHost16(uint16_t value) { return hostToNet16(value); }
inline uint32_t netToHost32(uint32_t value) { return hostToNet32(value); }

}  // namespace platform::net
