#include "foundation/omb/text/ombString.h"

#include "foundation/omb/ombByteSwap.h"
#include "foundation/omb/text/ombChar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// The destination is pre-filled so that a missing terminator or an overrun shows.
std::u16string copied(const char16_t* source, uint32_t capacity) {
  std::u16string buffer(8, u'#');
  ombStrCopy(source, buffer.data(), capacity);
  return buffer;
}

TEST(ombString, CopyIsBoundedAndTerminated) {
  EXPECT_EQ(copied(u"abcdef", 0), u"########");
  EXPECT_EQ(copied(u"abcdef", 1), std::u16string(u"\0#######", 8));
  EXPECT_EQ(copied(u"abcdef", 4), std::u16string(u"abc\0####", 8));
  EXPECT_EQ(copied(u"ab", 8), std::u16string(u"ab\0#####", 8));
}

TEST(ombString, CatAppendsWithinTheCapacity) {
  char16_t buffer[6] = u"ab";
  ombStrCat(6, buffer, u"cdefgh");
  EXPECT_EQ(std::u16string(buffer), u"abcde");
  ombStrCat(6, buffer, u"x");
  EXPECT_EQ(std::u16string(buffer), u"abcde");
  // A destination without a terminator within the capacity is left alone.
  char16_t full[3] = {u'a', u'b', u'c'};
  ombStrCat(3, full, u"x");
  EXPECT_EQ(std::u16string(full, 3), u"abc");
}

TEST(ombString, DupCopiesToTheHeap) {
  char16_t* copy = ombStrDup(u"日本");
  EXPECT_EQ(std::u16string(copy), u"日本");
  std::free(copy);
}

TEST(ombString, CaseBlindEqualityFoldsAsciiAndFullWidthLetters) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    uint32_t count;
    bool equal;
  };
  const Case cases[] = {
      {u"Title.INI", u"title.ini", 0xFFFFFFFFu, true},
      {u"\uFF21", u"\uFF41", 0xFFFFFFFFu, true},   // Ａ and ａ
      {u"\uFF21", u"a", 0xFFFFFFFFu, false},       // Ａ and a
      {u"\u00C9", u"\u00E9", 0xFFFFFFFFu, false},  // only A-Z and the full-width letters fold
      {u"abc", u"abcd", 0xFFFFFFFFu, false},
      {u"abcX", u"ABCy", 3, true},
      {u"ab", u"AB", 5, true},
      {u"x", u"y", 0, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ombStrIsEqualNoCase(c.a, c.b, c.count), c.equal)
        << testing::PrintToString(std::u16string(c.a)) << " " << c.count;
  }
  EXPECT_TRUE(ombStrIsEqual(u"abc", u"abc"));
  EXPECT_FALSE(ombStrIsEqual(u"abc", u"ABC"));
  EXPECT_FALSE(ombStrIsEqual(u"ab", u"abc"));
}

TEST(ombString, ToLowerFoldsInPlace) {
  char16_t text[] = u"AbZ\uFF21\uFF3A\u00C0[";
  ombStrToLower(text);
  EXPECT_EQ(std::u16string(text), u"abz\uFF41\uFF5A\u00C0[");
}

TEST(ombString, SeparatorAndSchemeSearches) {
  const char16_t* path = u"a\\b/c";
  EXPECT_EQ(ombPathFindSeparator(path), path + 1);
  EXPECT_EQ(ombPathFindLastSeparator(path), path + 3);
  EXPECT_EQ(ombPathFindSeparator(u"abc"), nullptr);
  EXPECT_EQ(ombPathFindLastSeparator(u""), nullptr);
  const char16_t* url = u"http://host:80/x://";
  EXPECT_EQ(ombUrlFindScheme(url), url + 4);
  EXPECT_EQ(ombUrlFindScheme(u"host:/x"), nullptr);
}

TEST(ombString, CharacterClasses) {
  EXPECT_TRUE(ombCharIsDigit(u'7'));
  EXPECT_TRUE(ombCharIsDigit(u'\uFF19'));
  EXPECT_FALSE(ombCharIsDigit(u'\uFF1A'));
  for (const char16_t u : {u'\t', u' ', u'\u3000'}) {
    EXPECT_TRUE(ombCharIsBlank(u));
  }
  EXPECT_FALSE(ombCharIsBlank(u'\n'));
  for (const char16_t u : {u'\0', u'\x0B', u'\x7F', u'\xA0', u'\xAD', u'\u200B', u'\u2011',
                           u'\u2028', u'\u2060'}) {
    EXPECT_TRUE(ombCharIsInvisible(u)) << std::hex << unsigned(u);
  }
  for (const char16_t u : {u'\t', u'\n', u'\r', u' ', u'a', u'\xA1', u'\u2010', u'\u2012',
                           u'\u2030', u'\u2070'}) {
    EXPECT_FALSE(ombCharIsInvisible(u)) << std::hex << unsigned(u);
  }
  EXPECT_EQ(ombByteSwap64(0x0102030405060708ull), 0x0807060504030201ull);
}

}  // namespace
