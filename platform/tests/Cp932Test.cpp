#include "platform/text/Cp932.h"

#include "platform/text/Cp932LeadByte.h"
#include "platform/text/Cp932Tables.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::cp932ToUtf16;
using platform::utf16ToCp932;

struct RoundTrip {
  const char* name;
  std::string bytes;
  std::u16string text;
};

// Japanese text and the bytes Windows writes for it, both ways. "表" and "ソ" have the trail byte
// 0x5C, the ASCII backslash.
TEST(Cp932, JapaneseTextRoundTrips) {
  const RoundTrip cases[] = {
      {"ascii with backslash and tilde", "C:\\a~b", u"C:\\a~b"},
      {"trail byte 0x5C", "\x95\x5C\x83\x5C", u"表ソ"},
      {"kana and kanji", "\x82\xA0\x83\x41\x93\xFA\x96\x7B\x8C\xEA", u"あア日本語"},
      {"half-width katakana", "\xB1\xDF\xA1", u"\uFF71\uFF9F\uFF61"},
      {"NEC row 13", "\x87\x40\x87\x54", u"\u2460\u2160"},
      {"IBM extension", "\xFA\x5C\xFC\x4B", u"\u7E8A\u9ED1"},
      {"private use area", "\xF0\x40\xF9\xFC", u"\uE000\uE757"},
      {"embedded NUL", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(cp932ToUtf16(c.bytes), c.text);
    EXPECT_EQ(utf16ToCp932(c.text), c.bytes);
  }
}

// Characters with more than one code are written with the code Windows chooses.
TEST(Cp932, DuplicatedCharactersEncodeAsWindowsDoes) {
  struct Case {
    char16_t unit;
    std::string decodedFrom;  // other codes of the same character
    std::string written;
  };
  const Case cases[] = {
      {u'\u2252', "\x87\x90", "\x81\xE0"},          // JIS row 2 over NEC row 13
      {u'\u2235', "\x87\x9A\xFA\x5B", "\x81\xE6"},  // JIS row 2 over NEC and IBM
      {u'\uFFE2', "\xEE\xF9\xFA\x54", "\x81\xCA"},  // JIS row 2 over NEC-selected and IBM
      {u'\u2160', "\xFA\x4A", "\x87\x54"},          // NEC row 13 over IBM
      {u'\u2170', "\xEE\xEF", "\xFA\x40"},          // IBM over NEC-selected IBM
      {u'\u7E8A', "\xED\x40", "\xFA\x5C"},          // IBM over NEC-selected IBM
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << unsigned(c.unit));
    for (std::size_t i = 0; i < c.decodedFrom.size(); i += 2) {
      EXPECT_EQ(cp932ToUtf16(c.decodedFrom.substr(i, 2)), std::u16string(1, c.unit));
    }
    EXPECT_EQ(utf16ToCp932(std::u16string(1, c.unit)), c.written);
  }
}

TEST(Cp932, RejectsWhatIsNotACharacter) {
  const std::string bad[] = {
      "\x95",          // lone lead byte at the end
      "ab\x83",        // lone lead byte after text
      "\x95\x20",      // lead byte with a trail byte out of range
      "\x85\x40",      // undefined pair
      "\x80",          // undefined single bytes
      "\xA0",
      "\xFD",
      "\xFF",
  };
  for (const auto& bytes : bad) {
    EXPECT_FALSE(cp932ToUtf16(bytes).has_value()) << testing::PrintToString(bytes);
  }
  char16_t unit = 0;
  EXPECT_EQ(platform::cp932DecodeChar(std::string_view("\x95", 1), unit), 0u);
  EXPECT_EQ(platform::cp932DecodeChar(std::string_view(), unit), 0u);

  // Units without a code: a surrogate, the yen sign (0x5C is the backslash), a Latin letter.
  for (const char16_t unit16 : {u'\xD83D', u'\u00A5', u'\u00E9'}) {
    char out[2];
    EXPECT_EQ(platform::cp932EncodeChar(unit16, out), 0u) << std::hex << unsigned(unit16);
    EXPECT_FALSE(utf16ToCp932(std::u16string(1, unit16)).has_value());
  }
}

// Every code of the table decodes to a unit whose written code decodes to the same unit, and the
// written codes are exactly the reverse table.
TEST(Cp932, TablesAreConsistent) {
  std::size_t characters = 0;
  for (unsigned lead = 0; lead < 256; ++lead) {
    for (unsigned trail = 0; trail < 256; ++trail) {
      const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      char16_t unit = 0;
      const std::size_t taken = platform::cp932DecodeChar(std::string_view(bytes, 2), unit);
      if (taken == 0 || (taken == 1 && trail != 0)) {
        continue;
      }
      ++characters;
      EXPECT_EQ(taken, platform::cp932IsLeadByte(static_cast<unsigned char>(lead)) ? 2u : 1u);
      char written[2];
      const std::size_t length = platform::cp932EncodeChar(unit, written);
      ASSERT_NE(length, 0u) << std::hex << lead << ' ' << trail;
      char16_t again = 0;
      EXPECT_EQ(platform::cp932DecodeChar(std::string_view(written, length), again), length);
      EXPECT_EQ(again, unit);
    }
  }
  EXPECT_GT(characters, platform::cp932::kEncodeCount);
  for (std::size_t i = 1; i < platform::cp932::kEncodeCount; ++i) {
    EXPECT_LT(platform::cp932::kEncode[i - 1].unit, platform::cp932::kEncode[i].unit);
  }
}

}  // namespace
