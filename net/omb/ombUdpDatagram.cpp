#include "net/omb/ombUdpDatagram.h"

OmbUdpParse ombUdpParseDatagram(const uint8_t* bytes, std::size_t size, OMB_UDP_DATAGRAM* out) {
  *out = OMB_UDP_DATAGRAM{};
  if (size < 4) {
    return OmbUdpParse::Closed;
  }
  out->ack = ombUdpReadU32(bytes);
  if (size < OMB_UDP_HEADER_SIZE) {
    return OmbUdpParse::NoFirst;
  }
  out->first = ombUdpReadU32(bytes + 4);
  std::size_t at = OMB_UDP_HEADER_SIZE;
  if (out->first != 0) {
    if (at >= size) {
      return OmbUdpParse::NoCount;
    }
    const uint32_t count = uint32_t{bytes[at++]} + 1;
    out->messages = bytes + at;
    for (uint32_t k = 0; k < count; ++k) {
      if (at >= size) {
        return OmbUdpParse::TruncatedMessage;
      }
      const std::size_t length = std::size_t{bytes[at]} + 1;
      if (size - at - 1 < length) {
        return OmbUdpParse::TruncatedMessage;
      }
      at += 1 + length;
    }
    out->count = count;
  }
  if (size - at < 2) {
    return OmbUdpParse::NoPayloadLength;
  }
  const uint16_t payloadSize = ombUdpReadU16(bytes + at);
  at += 2;
  if (payloadSize > size - at) {
    return OmbUdpParse::TruncatedPayload;
  }
  out->payload = bytes + at;
  out->payloadSize = payloadSize;
  return OmbUdpParse::Ok;
}
