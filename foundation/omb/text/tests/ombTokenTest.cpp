#include "foundation/omb/text/ombToken.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ParseCase {
  const char16_t* input;
  const char16_t* delimiters;
  bool stopAtEquals;
  uint32_t capacity;
  std::u16string token;
  std::size_t end;  // index of the unit that ended the token
};

TEST(ombToken, ParseToken) {
  const ParseCase cases[] = {
      // Two blanks, a quoted part with a blank, an escaped quote, a letter, a blank, "=", a value.
      {u"  \"a b\"\\\"c =v", nullptr, true, 32, u"a b\"c", 10},
      {u"key=value", nullptr, true, 32, u"key", 3},
      {u"key=value", nullptr, false, 32, u"key=value", 9},
      {u"key\uFF1Dvalue", nullptr, true, 32, u"key", 3},
      {u"host:80", u":", true, 32, u"host", 4},
      {u"\"a:b\":c", u":", true, 32, u"a:b", 5},
      {u"line\r\nnext", nullptr, true, 32, u"line", 4},
      {u"\"open quote\nrest", nullptr, true, 32, u"open quote", 11},
      {u"\u3000\u200Bword\u3000x", nullptr, true, 32, u"word", 6},
      {u"\uFFE5 x", nullptr, true, 32, u" x", 3},   // the full-width escape makes the blank literal
      {u"abcdef", nullptr, true, 4, u"abc", 6},      // copying stops silently at capacity - 1
      {u"   ", nullptr, true, 32, u"", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(c.input)));
    char16_t token[32] = u"garbage";
    const char16_t* end = ombStrParseToken(c.input, c.delimiters, token, c.capacity, c.stopAtEquals);
    EXPECT_EQ(std::u16string(token), c.token);
    EXPECT_EQ(static_cast<std::size_t>(end - c.input), c.end);
  }
  const char16_t* text = u"  word next";
  EXPECT_EQ(ombStrParseToken(text, nullptr, nullptr, 0, true), text + 6);
}

TEST(ombToken, GetTokenSkipsTheValuePart) {
  struct Case {
    const char16_t* input;
    const char16_t* delimiters;
    std::u16string token;
    std::size_t end;
  };
  const Case cases[] = {
      {u"host:80", u":", u"host", 4},
      {u"-w = 640 -h", nullptr, u"-w", 8},
      {u"name  next", nullptr, u"name", 4},  // blanks after a token without value stay
      {u"a=\"x y\" b", nullptr, u"a", 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(c.input)));
    char16_t token[16];
    const char16_t* end = ombStrGetToken(16, token, c.input, c.delimiters);
    EXPECT_EQ(std::u16string(token), c.token);
    EXPECT_EQ(static_cast<std::size_t>(end - c.input), c.end);
  }
}

TEST(ombToken, SkipTokenSkipsValueAndFollowingBlanks) {
  struct Case {
    const char16_t* input;
    std::size_t end;
  };
  const Case cases[] = {
      {u"a b", 2},
      {u"a = 1  b", 7},
      {u"--lounge 12 34", 9},
      {u"last", 4},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(static_cast<std::size_t>(ombStrSkipToken(c.input, nullptr) - c.input), c.end)
        << testing::PrintToString(std::u16string(c.input));
  }
}

}  // namespace
