#include "platform/text/Utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8, EncodesPairsAsOneSequenceAndReplacesLoneSurrogates) {
  struct Case {
    std::u16string text;
    std::string bytes;
  };
  const Case cases[] = {
      {u"a\u00E9", "a\xC3\xA9"},
      {u"\u3042", "\xE3\x81\x82"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {std::u16string(1, char16_t(0xD83D)) + u"x", "\xEF\xBF\xBDx"},
      {std::u16string(1, char16_t(0xDE00)), "\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::utf16ToUtf8(c.text), c.bytes);
  }
}

TEST(Utf8, DecodesWellFormedTextAndReplacesEveryBadByte) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"/home/\xE3\x81\x82", u"/home/\u3042"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},           // over-long "/"
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
      {"\xE3\x81", u"\uFFFD\uFFFD"},            // cut sequence
      {"\xFF" "a", u"\uFFFDa"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::utf8ToUtf16(c.bytes), c.text) << testing::PrintToString(c.bytes);
  }
}

}  // namespace
