#include "platform/window/InstanceChannel.h"

#include "platform/text/Utf8.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform::window {
namespace {

constexpr char kFrontRequest[] = "front\n";

uint64_t fnv1a(std::string_view bytes) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const unsigned char b : bytes) {
    hash ^= b;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string hex(uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

// The abstract socket address: a NUL, then "game-instance/<uid>/<runtime dir hash>/<name>",
// with the name replaced by its hash when the whole would not fit.
socklen_t address(std::u16string_view name, sockaddr_un& out) {
  const char* variable = std::getenv("XDG_RUNTIME_DIR");
  const std::string runtimeDirectory = variable && variable[0] == '/' ? variable : "/tmp";
  const std::string prefix =
      "game-instance/" + std::to_string(getuid()) + "/" + hex(fnv1a(runtimeDirectory)) + "/";
  std::string text = prefix + platform::utf16ToUtf8(name);
  if (text.size() + 1 > sizeof out.sun_path) text = prefix + hex(fnv1a(text));
  std::memset(&out, 0, sizeof out);
  out.sun_family = AF_UNIX;
  std::memcpy(out.sun_path + 1, text.data(), text.size());
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + text.size());
}

int localSocket() { return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

}  // namespace

std::unique_ptr<InstanceChannel> InstanceChannel::claim(std::u16string_view name) {
  sockaddr_un where;
  const socklen_t length = address(name, where);
  const int s = localSocket();
  if (s < 0) return nullptr;
  if (::bind(s, reinterpret_cast<const sockaddr*>(&where), length) != 0 || ::listen(s, 8) != 0) {
    ::close(s);
    return nullptr;
  }
  return std::unique_ptr<InstanceChannel>(new InstanceChannel(s));
}

InstanceChannel::~InstanceChannel() {
  for (const int c : pending_) ::close(c);
  ::close(socket_);
}

uint32_t InstanceChannel::takeFrontRequests() {
  for (;;) {
    const int c = ::accept4(socket_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (c < 0) break;
    pending_.push_back(c);
  }
  uint32_t requests = 0;
  for (auto it = pending_.begin(); it != pending_.end();) {
    char bytes[sizeof kFrontRequest];
    const ssize_t n = ::recv(*it, bytes, sizeof bytes, MSG_PEEK);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      ++it;
      continue;
    }
    // A whole request counts; anything else (a closed or foreign connection) is dropped.
    if (n == static_cast<ssize_t>(sizeof kFrontRequest - 1) &&
        std::memcmp(bytes, kFrontRequest, sizeof kFrontRequest - 1) == 0) {
      ++requests;
    } else if (n > 0 && n < static_cast<ssize_t>(sizeof kFrontRequest - 1) &&
               std::memcmp(bytes, kFrontRequest, static_cast<size_t>(n)) == 0) {
      ++it;  // the rest of the request is still on its way
      continue;
    }
    ::close(*it);
    it = pending_.erase(it);
  }
  return requests;
}

bool signalInstance(std::u16string_view name) {
  sockaddr_un where;
  const socklen_t length = address(name, where);
  const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  bool held = ::connect(s, reinterpret_cast<const sockaddr*>(&where), length) == 0;
  if (held) {
    // The abstract name space is shared by every user of the machine: only a holder of this
    // user counts.
    ucred peer{};
    socklen_t size = sizeof peer;
    held = ::getsockopt(s, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
  }
  if (held) {
    ::send(s, kFrontRequest, sizeof kFrontRequest - 1, MSG_NOSIGNAL);
  }
  ::close(s);
  return held;
}

}  // namespace platform::window
