#include "platform/net/HostLookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace platform::net {

std::optional<uint32_t> parseIpv4(const char* text) {
  in_addr address{};
  if (!text || ::inet_aton(text, &address) == 0) {
    return std::nullopt;
  }
  return address.s_addr;
}

std::string formatIpv4(uint32_t address) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr value{};
  value.s_addr = address;
  ::inet_ntop(AF_INET, &value, text, sizeof text);
  return text;
}

std::optional<uint32_t> lookupHostIpv4(const char* name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* list = nullptr;
  if (!name || ::getaddrinfo(name, nullptr, &hints, &list) != 0) {
    return std::nullopt;
  }
  std::optional<uint32_t> found;
  for (const addrinfo* entry = list; entry && !found; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
      found = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
    }
  }
  ::freeaddrinfo(list);
  return found;
}

uint16_t lookupTcpServicePort(const char* service) {
  servent entry{};
  servent* found = nullptr;
  char scratch[1024];
  if (!service || ::getservbyname_r(service, "tcp", &entry, scratch, sizeof scratch, &found) != 0 ||
      !found) {
    return 0;
  }
  return static_cast<uint16_t>(found->s_port);
}

}  // namespace platform::net
