// The parameter file's reader and writer over bytes.

#include "host/system/SystemParameters.h"

#include "foundation/bytes/ByteWriter.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> bytesOf(std::initializer_list<uint32_t> words,
                             std::initializer_list<uint16_t> units = {}) {
  ByteWriter out;
  for (uint32_t w : words) out.u32be(w);
  for (uint16_t u : units) out.u16be(u);
  return out.release();
}

TEST(SystemParameters, ThreeIntegersAndTwoStringsRoundTrip) {
  SystemParameters p;
  p.integers = {7, -1, 0x12345678};
  p.strings = {u"save", u""};
  const std::vector<uint8_t> bytes = writeSystemParameters(p);
  EXPECT_EQ(bytes, bytesOf({3, 7, 0xFFFFFFFFu, 0x12345678, 2, 4, 0x00730061u, 0x00760065u, 0}));
  Parsed<SystemParameters> back = parseSystemParameters(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back.value().integers, p.integers);
  EXPECT_EQ(back.value().strings, p.strings);
}

TEST(SystemParameters, AStringIsCutAtItsFirstNulUnit) {
  Parsed<SystemParameters> p =
      parseSystemParameters(bytesOf({0, 1, 3}, {u'a', 0, u'b'}));
  ASSERT_TRUE(p);
  EXPECT_EQ(p.value().strings, std::vector<std::u16string>{u"a"});
  // Written back, it has the cut length.
  EXPECT_EQ(writeSystemParameters(p.value()), bytesOf({0, 1, 1}, {u'a'}));
}

TEST(SystemParameters, CountsAndLengthsBeyondTheBytesAreRefusedWithTheReadThatFailed) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* tag;
  } cases[] = {
      {"empty", {}, "File::readU32"},
      {"short count", {0, 0, 0}, "File::readU32"},
      {"integers missing", bytesOf({2, 1}), "File::readI32"},
      {"huge integer count", bytesOf({0xFFFFFFFFu, 1, 2}), "File::readI32"},
      {"no string count", bytesOf({1, 5}), "File::readU32"},
      {"huge string count", bytesOf({0, 0x40000000u, 0}), "File::readU32"},
      {"length missing", bytesOf({0, 2, 0}), "File::readU32"},
      // 0xFFFFFFFF + 1 units would wrap a 32-bit buffer size to 0.
      {"length that wraps", bytesOf({0, 1, 0xFFFFFFFFu}, {1, 2}), "File::readString"},
      {"units missing", bytesOf({0, 1, 3}, {u'a', u'b'}), "File::readString"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed<SystemParameters> p = parseSystemParameters(c.bytes);
    ASSERT_FALSE(p);
    EXPECT_STREQ(systemParameterReadTag(p.error().code), c.tag);
    EXPECT_LE(p.error().offset, c.bytes.size());
  }
}

}  // namespace
