// Reading UTF-8 script files as UTF-16 source, and messages back to UTF-8.

#include "squirrel/compiler/SourceText.h"

#include <gtest/gtest.h>

namespace {

using sqcompiler::utf16ToUtf8;
using sqcompiler::utf8ToUtf16;

struct Case {
  const char* utf8;
  std::u16string utf16;
};

const Case kCases[] = {
    {"abc", u"abc"},
    {"\xEF\xBB\xBF" "a", u"a"},                    // byte order mark skipped
    {"a\xEF\xBB\xBF", u"a\uFEFF"},                  // ...only at the start
    {"\xC3\xA9\xE6\x97\xA5", u"\u00E9\u65E5"},      // two- and three-byte forms
    {"\xF0\x9F\x98\x80", u"\U0001F600"},            // outside the BMP: a surrogate pair
    {"\x80z", u"\uFFFDz"},                          // stray continuation byte
    {"\xC0\xAFz", u"\uFFFD\uFFFDz"},                // C0 never starts a sequence
    {"\xE0\x80\xAFz", u"\uFFFDz"},                  // overlong three-byte form
    {"\xED\xA0\x80z", u"\uFFFDz"},                  // encoded surrogate
    {"\xF4\x90\x80\x80z", u"\uFFFDz"},              // above U+10FFFF
    {"\xE6\x97z", u"\uFFFDz"},                      // sequence cut short by an ASCII byte
    {"\xE6\x97", u"\uFFFD"},                        // sequence cut short by the end
    {"a\0b", u"a"},                                 // (C string: ends at the NUL)
};

TEST(CompilerSourceText, Utf8ToUtf16) {
  for (const Case& c : kCases) EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
  EXPECT_EQ(utf8ToUtf16(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(CompilerSourceText, Utf16ToUtf8) {
  EXPECT_EQ(utf16ToUtf8(u"a\u00E9\u65E5\U0001F600"), "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80");
  EXPECT_EQ(utf16ToUtf8(std::u16string(1, u'\xD800') + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(utf16ToUtf8(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD");
}

}  // namespace
