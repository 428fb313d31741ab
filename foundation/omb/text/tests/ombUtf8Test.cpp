#include "foundation/omb/text/ombUtf8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct EncodeCase {
  const char* name;
  std::u16string source;
  uint32_t capacity;
  std::string written;
  uint32_t units;
  uint32_t needed;
};

TEST(ombUtf8, Encoder) {
  const std::u16string pair = u"\U0001F600";
  const EncodeCase cases[] = {
      {"ascii", u"ab", 16, "ab", 2, 2},
      {"two bytes", u"\u00E9", 16, "\xC3\xA9", 1, 2},
      {"three bytes", u"\u3042", 16, "\xE3\x81\x82", 1, 3},
      // A pair is one 4-byte sequence, not two 3-byte halves.
      {"surrogate pair", pair, 16, "\xF0\x9F\x98\x80", 2, 4},
      {"lone high surrogate", std::u16string(1, char16_t(0xD83D)) + u"a", 16, "\xEF\xBF\xBD" "a", 2, 4},
      {"lone low surrogate", std::u16string(1, char16_t(0xDE00)), 16, "\xEF\xBF\xBD", 1, 3},
      // The text writer's call: one character and a capacity of 5.
      {"pair in five bytes", pair, 5, "\xF0\x9F\x98\x80", 2, 4},
      // A character that does not fit is skipped; a smaller one after it may still be written.
      {"skip then fit", u"\u3042a", 3, "a", 1, 4},
      {"pair does not fit", pair + u"b", 4, "b", 1, 5},
      {"only the terminator", u"a", 1, "", 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    char out[16];
    std::memset(out, '#', sizeof(out));
    uint32_t units = 99;
    EXPECT_EQ(ombStrUtf16ToUtf8(out, c.capacity, &units, c.source.c_str()), c.needed);
    EXPECT_EQ(std::string(out), c.written);
    EXPECT_EQ(units, c.units);
  }
  EXPECT_EQ(ombStrUtf16ToUtf8(nullptr, 0, nullptr, u"\u3042\u00E9"), 5u);
}

struct DecodeCase {
  const char* name;
  std::string source;
  uint32_t capacity;
  std::u16string stored;
  uint32_t bytes;
  uint32_t characters;
};

TEST(ombUtf8, Decoder) {
  const DecodeCase cases[] = {
      {"mixed", "a\xC3\xA9\xE3\x81\x82", 17, u"a\u00E9\u3042", 6, 3},
      {"four bytes give a question mark", "\xF0\x9F\x98\x80" "b", 17, u"?b", 5, 2},
      {"zero after a lead byte ends the decoding", "x\xC3", 17, u"x", 1, 1},
      {"three-byte sequence cut by the end", "\xE3\x81", 17, u"", 0, 0},
      {"stray continuation byte is one unit", "\x80" "a", 17, u"\u0080a", 2, 2},
      {"bytes F8-FF are units", "\xFF", 17, u"\u00FF", 1, 1},
      // Decoding goes on counting after the destination is full.
      {"counting past the capacity", "abcdef", 4, u"abc", 3, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    char16_t out[17];
    uint32_t bytes = 99;
    EXPECT_EQ(ombStrUtf8ToUtf16(out, c.capacity, &bytes, c.source.c_str()), c.characters);
    EXPECT_EQ(std::u16string(out), c.stored);
    EXPECT_EQ(bytes, c.bytes);
  }
}

}  // namespace
