#include "host/app/ZErarUdizudIzo.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
  std::string bytes;
  size_t units;          // length of the logged text
  char16_t last;         // its last unit
};

TEST(DebugLogText, CutsBetweenWholeCharactersAtTheLimit) {
  const std::string kanji = "\x93\xfa";  // 日 in code page 932
  const Case cases[] = {
      {std::string(800, 'a'), 768, u'a'},
      {std::string(768, 'a'), 768, u'a'},
      // A two-byte character across the limit is left out whole, never split.
      {std::string(767, 'a') + kanji + "b", 767, u'a'},
      {std::string(766, 'a') + kanji + "b", 767, u'日'},
      // The text ends at its first NUL.
      {std::string("ab\0cd", 5), 2, u'b'},
      // A lone lead byte at the end, and a byte that is no character, become U+FFFD.
      {"x\x93", 2, u'\uFFFD'},
      {"x\xa0", 2, u'\uFFFD'},
  };
  for (const Case& c : cases) {
    const std::u16string text = debugLogText(c.bytes);
    SCOPED_TRACE(c.bytes.size());
    ASSERT_EQ(text.size(), c.units);
    EXPECT_EQ(text.back(), c.last);
  }
}

}  // namespace
