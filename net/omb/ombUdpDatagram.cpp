#include "net/omb/ombUdpDatagram.h"

#include "foundation/bytes/ByteReader.h"

OmbUdpParse ombUdpParseDatagram(const uint8_t* bytes, std::size_t size, OMB_UDP_DATAGRAM* out) {
  *out = OMB_UDP_DATAGRAM{};
  ByteReader in(bytes, size);
  out->ack = in.u32le();
  if (in.failed()) {
    return OmbUdpParse::Closed;
  }
  out->first = in.u32le();
  if (in.failed()) {
    return OmbUdpParse::NoFirst;
  }
  if (out->first != 0) {
    const uint32_t count = uint32_t{in.u8()} + 1;
    if (in.failed()) {
      return OmbUdpParse::NoCount;
    }
    out->messages = bytes + in.offset();
    for (uint32_t k = 0; k < count; ++k) {
      const std::size_t length = std::size_t{in.u8()} + 1;
      if (!in.skip(length)) {
        return OmbUdpParse::TruncatedMessage;
      }
    }
    out->count = count;
  }
  const uint16_t payloadSize = in.u16le();
  if (in.failed()) {
    return OmbUdpParse::NoPayloadLength;
  }
  const std::span<const uint8_t> payload = in.take(payloadSize);
  if (in.failed()) {
    return OmbUdpParse::TruncatedPayload;
  }
  out->payload = payload.data();
  out->payloadSize = payloadSize;
  return OmbUdpParse::Ok;
}
