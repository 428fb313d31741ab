#include "net/omb/ombUdpDatagram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ParseCase {
  const char* name;
  std::vector<uint8_t> bytes;
  OmbUdpParse result;
  uint32_t ack;
  uint32_t first;
  uint32_t count;
  std::string payload;
};

const ParseCase kCases[] = {
    {"hello", std::vector<uint8_t>(10, 0), OmbUdpParse::Ok, 0, 0, 0, ""},
    {"close", {0}, OmbUdpParse::Closed, 0, 0, 0, ""},
    {"three bytes", {1, 2, 3}, OmbUdpParse::Closed, 0, 0, 0, ""},
    {"ack only", {5, 0, 0, 0}, OmbUdpParse::NoFirst, 5, 0, 0, ""},
    {"no payload length", {0, 0, 0, 0, 0, 0, 0, 0, 0}, OmbUdpParse::NoPayloadLength, 0, 0, 0, ""},
    {"ack little-endian", {0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0, 0, 0}, OmbUdpParse::Ok,
     0x01020304, 0, 0, ""},
    {"messages without count", {0, 0, 0, 0, 7, 0, 0, 0}, OmbUdpParse::NoCount, 0, 7, 0, ""},
    {"two messages and a payload",
     {9, 0, 0, 0, 7, 0, 0, 0, 1, 0, 'a', 1, 'b', 'c', 2, 0, 'x', 'y'}, OmbUdpParse::Ok, 9, 7, 2,
     "xy"},
    {"message cut short", {0, 0, 0, 0, 7, 0, 0, 0, 0, 3, 'a', 'b'}, OmbUdpParse::TruncatedMessage,
     0, 7, 0, ""},
    {"second message missing", {0, 0, 0, 0, 7, 0, 0, 0, 1, 0, 'a'}, OmbUdpParse::TruncatedMessage,
     0, 7, 0, ""},
    {"payload longer than the rest", {0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 'x', 'y'},
     OmbUdpParse::TruncatedPayload, 0, 0, 0, ""},
    {"trailing bytes ignored", {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 'x', 'z', 'z'}, OmbUdpParse::Ok, 0,
     0, 0, "x"},
};

TEST(ombUdpParseDatagram, Cases) {
  for (const ParseCase& c : kCases) {
    SCOPED_TRACE(c.name);
    OMB_UDP_DATAGRAM datagram;
    ASSERT_EQ(ombUdpParseDatagram(c.bytes.data(), c.bytes.size(), &datagram), c.result);
    EXPECT_EQ(datagram.ack, c.ack);
    EXPECT_EQ(datagram.first, c.first);
    if (c.result != OmbUdpParse::Ok) {
      continue;
    }
    EXPECT_EQ(datagram.count, c.count);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(datagram.payload), datagram.payloadSize),
              c.payload);
  }
}

// The largest messages: 256 of 256 bytes each, every length byte 255.
TEST(ombUdpParseDatagram, FullCountOfLargestMessages) {
  std::vector<uint8_t> bytes = {0, 0, 0, 0, 1, 0, 0, 0, 255};
  for (int k = 0; k < 256; ++k) {
    bytes.push_back(255);
    bytes.insert(bytes.end(), 256, static_cast<uint8_t>(k));
  }
  bytes.insert(bytes.end(), {0, 0});
  OMB_UDP_DATAGRAM datagram;
  ASSERT_EQ(ombUdpParseDatagram(bytes.data(), bytes.size(), &datagram), OmbUdpParse::Ok);
  EXPECT_EQ(datagram.count, 256u);
  bytes.resize(bytes.size() - 3);
  EXPECT_EQ(ombUdpParseDatagram(bytes.data(), bytes.size(), &datagram),
            OmbUdpParse::TruncatedMessage);
}

TEST(ombUdpNextSequence, SkipsZeroOnWrap) {
  EXPECT_EQ(ombUdpNextSequence(1), 2u);
  EXPECT_EQ(ombUdpNextSequence(0xFFFFFFFFu), 1u);
  EXPECT_EQ(ombUdpNextSequence(0), 1u);
}

}  // namespace
