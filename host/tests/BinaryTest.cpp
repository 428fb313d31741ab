// A loaded binary's bounds: reads outside the block give 0 and writes there change nothing.

#include "host/binary/BinManager.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

Binary binaryOf(std::initializer_list<uint8_t> bytes) {
  Binary binary;
  binary.size = uint32_t(bytes.size());
  binary.data = std::make_unique<uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), binary.data.get());
  return binary;
}

TEST(Binary, ReadsAreBigEndianAndZeroOutsideTheBlock) {
  const Binary b = binaryOf({0x00, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFE});
  struct Case {
    int32_t offset;
    int32_t u8;
    int32_t i32;
  } cases[] = {
      {0, 0x00, 256},
      {4, 0xFF, -2},
      {2, 0x01, 0x0100FFFF},
      {5, 0xFF, 0},  // the word would end past the block
      {7, 0xFE, 0},
      {8, 0, 0},
      {-1, 0, 0},
      {INT_MAX, 0, 0},
      {INT_MIN, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    EXPECT_EQ(b.readU8(c.offset), c.u8);
    EXPECT_EQ(b.readI32(c.offset), c.i32);
  }
}

TEST(Binary, WritesClampBytesAndReturnWhatWasThere) {
  Binary b = binaryOf({1, 2, 3, 4, 5});
  EXPECT_EQ(b.writeU8(0, 300), 1);
  EXPECT_EQ(b.writeU8(1, -5), 2);
  EXPECT_EQ(b.writeU8(2, 128), 3);
  EXPECT_EQ(b.writeI32(1, 0x0A0B0C0D), 0x00800405);
  const uint8_t expected[] = {255, 0x0A, 0x0B, 0x0C, 0x0D};
  EXPECT_EQ(std::memcmp(b.data.get(), expected, sizeof expected), 0);
  // Outside the block nothing changes and 0 comes back.
  EXPECT_EQ(b.writeU8(5, 9), 0);
  EXPECT_EQ(b.writeU8(-1, 9), 0);
  EXPECT_EQ(b.writeI32(2, 9), 0);
  EXPECT_EQ(b.writeI32(INT_MAX - 1, 9), 0);
  EXPECT_EQ(std::memcmp(b.data.get(), expected, sizeof expected), 0);
}

}  // namespace
