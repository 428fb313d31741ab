#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform::net {

// A numeric IPv4 address in the forms the classic dotted parser takes ("127.0.0.1", "127.1",
// "0x7f.0.0.1"), in network byte order; empty for anything else, including host names.
std::optional<uint32_t> parseIpv4(const char* text);
// The dotted form of an address in network byte order.
std::string formatIpv4(uint32_t address);

// Blocks until the system's resolver answers: the first IPv4 address of the name in network
// byte order, or empty when there is none.
std::optional<uint32_t> lookupHostIpv4(const char* name);

// The TCP port of a service name in network byte order, 0 when the system knows none.
uint16_t lookupTcpServicePort(const char* service);

}  // namespace platform::net
