#pragma once

#include <cstddef>
#include <cstdint>

// The datagram of a UDP connection. Integers are little-endian, without padding:
//   0  u32 ack    the sender's last reliable message taken in order (0 = none)
//   4  u32 first  sequence number of the first message here (0 = no messages)
//   8  u8  count - 1, then count messages {u8 length - 1; length bytes}   (only when first != 0)
//   .. u16 U, then U bytes of the unreliable payload (U = 0: none)
// The hello is 10 zero bytes; the close datagram is one byte 0.
inline constexpr uint32_t OMB_UDP_HEADER_SIZE = 8;
inline constexpr uint32_t OMB_UDP_EMPTY_SIZE = 10;  // ack, first 0 and U 0
inline constexpr uint32_t OMB_UDP_MAX_MESSAGE = 256;
inline constexpr uint32_t OMB_UDP_MAX_COUNT = 256;

enum class OmbUdpParse {
  Ok,
  Closed,             // fewer than 4 bytes: the peer ends the connection
  NoFirst,            // no sequence number
  NoCount,            // messages announced without a count byte
  TruncatedMessage,   // a message's length byte or bytes are missing
  NoPayloadLength,    // no room for U
  TruncatedPayload,   // U larger than the bytes left
};

// A parsed datagram; the spans point into the parsed bytes.
struct OMB_UDP_DATAGRAM {
  uint32_t ack;
  uint32_t first;
  uint32_t count;              // 0 when first == 0
  const uint8_t* messages;     // count records {length - 1, bytes} back to back
  const uint8_t* payload;      // U bytes
  uint16_t payloadSize;
};

// Checks the whole datagram before anything of it is used, so a damaged datagram is refused as
// a whole. Bytes after the payload are ignored.
OmbUdpParse ombUdpParseDatagram(const uint8_t* bytes, std::size_t size, OMB_UDP_DATAGRAM* out);

// The sequence number after `sequence`: 0xFFFFFFFF is followed by 1, since 0 means none.
inline uint32_t ombUdpNextSequence(uint32_t sequence) {
  return sequence == 0xFFFFFFFFu ? 1u : sequence + 1;
}
