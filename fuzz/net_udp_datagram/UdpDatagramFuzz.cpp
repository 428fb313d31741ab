// Feeds arbitrary bytes to the datagram parser, and walks every message of an accepted datagram
// the way the connection does, so a span that runs past the input shows up under ASan.
#include "net/omb/ombUdpDatagram.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // A copy of exactly the input's size, so that any read past it is caught.
  std::vector<uint8_t> bytes(data, data + size);
  OMB_UDP_DATAGRAM datagram;
  if (ombUdpParseDatagram(bytes.data(), bytes.size(), &datagram) != OmbUdpParse::Ok) {
    return 0;
  }
  const uint8_t* end = bytes.data() + bytes.size();
  const uint8_t* at = datagram.messages;
  uint32_t sum = 0;
  for (uint32_t k = 0; k < datagram.count; ++k) {
    const std::size_t length = std::size_t{at[0]} + 1;
    for (std::size_t i = 1; i <= length; ++i) {
      sum += at[i];
    }
    at += length + 1;
  }
  if (at > end || datagram.payload + datagram.payloadSize > end) {
    std::abort();
  }
  for (uint16_t i = 0; i < datagram.payloadSize; ++i) {
    sum += datagram.payload[i];
  }
  return sum == 0xFFFFFFFFu ? 1 : 0;
}
