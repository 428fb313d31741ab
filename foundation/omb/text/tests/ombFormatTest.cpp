#include "foundation/omb/text/ombFormat.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

template <class... Args>
std::u16string format(uint32_t capacity, const char16_t* pattern, Args... args) {
  std::u16string out(capacity + 1, u'#');
  ombStrPrintf(out.data(), capacity, pattern, args...);
  return std::u16string(out.c_str());
}

template <class... Args>
std::u16string format(const char16_t* pattern, Args... args) {
  return format(1025, pattern, args...);
}

TEST(ombFormat, NarrowAndWideStringsAndSixtyFourBitIntegers) {
  const int64_t big = INT64_C(-9000000000);
  // "%s" takes code page 932 bytes: 表 is 95 5C, whose trail byte is a backslash.
  EXPECT_EQ(format(u"Error: [%s] %ls(%I64d)", "lfmOpen", u"ファイル", big),
            u"Error: [lfmOpen] ファイル(-9000000000)");
  EXPECT_EQ(format(u"%s/%ls/%s", "\x95\x5C", u"表", "\x83\x5C"), u"表/表/ソ");
  EXPECT_EQ(format(u"[%I64d][%llu][%I64x]", INT64_MAX, UINT64_MAX, INT64_C(0x123456789A)),
            u"[9223372036854775807][18446744073709551615][123456789a]");
  EXPECT_EQ(format(u"%ls%s", nullptr, static_cast<const char*>(nullptr)), u"(null)(null)");
}

// "l" is 32 bits, as Windows' long: a following argument is not swallowed.
TEST(ombFormat, LongIsThirtyTwoBits) {
  EXPECT_EQ(format(u"%ld %lu %d", -5, 4000000000u, 7), u"-5 4000000000 7");
  EXPECT_EQ(format(u"%lx|%hd|%hhu", 0xFFFFFFFFu, 70000, 260), u"ffffffff|4464|4");
  EXPECT_EQ(format(u"%Iu", static_cast<std::size_t>(UINT64_C(0x100000000))), u"4294967296");
}

TEST(ombFormat, FlagsWidthAndPrecision) {
  struct Case {
    std::u16string expected;
    std::u16string actual;
  };
  const Case cases[] = {
      {u"[   42][42   ][00042][+42][ 42]",
       format(u"[%5d][%-5d][%05d][%+d][% d]", 42, 42, 42, 42, 42)},
      {u"[-0042][  -042][007]", format(u"[%05d][%6.3d][%.3u]", -42, -42, 7u)},
      {u"[0x1f][0X1F][017][0][]", format(u"[%#x][%#X][%#o][%#x][%.0d]", 31, 31, 15, 0, 0)},
      {u"[  abc][ab   ][ab]", format(u"[%5s][%-5.2s][%.*s]", "abc", "abcd", 2, "abc")},
      {u"[    7][7    ]", format(u"[%*d][%*d]", 5, 7, -5, 7)},
      {u"[%][c][ 表]", format(u"[%%][%c][%3lc]", 'c', u'表')},
      {u"[   表][表][]", format(u"[%5ls][%.3ls][%.1ls]", u"表", u"表", u"表")},
      {u"0000000000001234", format(u"%p", reinterpret_cast<void*>(0x1234))},
      {u"%y %n", format(u"%y %n")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.actual, c.expected);
  }
}

// A precision never separates a lead byte from its trail byte.
TEST(ombFormat, NarrowPrecisionKeepsDoubleByteCharactersWhole) {
  EXPECT_EQ(format(u"[%.3s]", "\x95\x5C\x95\x5C"), u"[表]");
  EXPECT_EQ(format(u"[%.4s]", "\x95\x5C\x95\x5C"), u"[表表]");
}

TEST(ombFormat, FloatingPoint) {
  struct Case {
    std::u16string expected;
    std::u16string actual;
  };
  const Case cases[] = {
      {u"3.141593 3.14 3.1e+00", format(u"%f %.2f %.1e", 3.14159265, 3.14159265, 3.14159265)},
      {u"0.1 1e+06 123456 1.5e-05", format(u"%g %g %g %g", 0.1, 1e6, 123456.0, 0.000015)},
      {u"0.30000000000000004", format(u"%.17g", 0.1 + 0.2)},
      {u"[   -1.50][+2.0][002.5][3.]", format(u"[%8.2f][%+.1f][%05.1f][%#.0f]", -1.5, 2.0, 2.5, 3.0)},
      {u"1.E+02 2.00000 INF nan -inf", format(u"%#.0E %#g %F %f %f", 100.0, 2.0, INFINITY, NAN, -INFINITY)},
      {u"0x1.8p+1", format(u"%a", 3.0)},
      {u"12345678901234", format(u"%.14g", 12345678901234.0)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.actual, c.expected);
  }
}

// A text that does not fit in capacity - 1 units, or that cannot be converted, leaves the
// destination empty: it is never cut.
TEST(ombFormat, ResultIsWholeOrEmpty) {
  EXPECT_EQ(format(5, u"%s", "abcd"), u"abcd");
  EXPECT_EQ(format(5, u"%s", "abcde"), u"");
  EXPECT_EQ(format(5, u"%ls", u"表表表表"), u"表表表表");
  EXPECT_EQ(format(5, u"%ls", u"表表表表表"), u"");
  EXPECT_EQ(format(1, u"x"), u"");
  EXPECT_EQ(format(u"ok %ls", u"\u00E9"), u"");          // no code in code page 932
  EXPECT_EQ(format(u"\U0001F600 %d", 1), u"");           // nor in the format
  EXPECT_EQ(format(u"%s", "\x95"), u"");                 // a lone lead byte
  std::u16string untouched = u"keep";
  ombStrPrintf(untouched.data(), 0, u"x");
  EXPECT_EQ(untouched, u"keep");
}

// The shared buffers grow for long formats and results.
TEST(ombFormat, LongTexts) {
  const std::u16string pattern = std::u16string(3000, u'字') + u"%d";
  EXPECT_EQ(format(4000, pattern.c_str(), 12), std::u16string(3000, u'字') + u"12");
}

}  // namespace
