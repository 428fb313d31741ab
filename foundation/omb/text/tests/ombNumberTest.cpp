#include "foundation/omb/text/ombNumber.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

struct NumberCase {
  const char16_t* text;
  double value;
  int used;  // units up to the end of the number; 0 when none was read
};

TEST(ombNumberTest, DoublesReadTheLongestNumberPrefix) {
  const NumberCase cases[] = {
      {u"2", 2.0, 1},           {u"  -0.5rest", -0.5, 6},  {u"\t1e3 4", 1000.0, 4},
      {u"0x10", 16.0, 4},       {u"+.25", 0.25, 4},        {u"abc", 0.0, 0},
      {u"", 0.0, 0},            {u"\u3000" u"5", 0.0, 0},  // the ideographic space is no C blank
      {u"\uFF12", 0.0, 0},      // a full-width digit is not a number
      {u"3\u3000" u"4", 3.0, 1}, {u"1.5e", 1.5, 3},
  };
  for (const NumberCase& c : cases) {
    const char16_t* end = nullptr;
    EXPECT_EQ(ombStrToDouble(c.text, &end), c.value) << c.value;
    EXPECT_EQ(end - c.text, c.used) << c.value;
  }
  EXPECT_TRUE(std::isinf(ombStrToDouble(u"inf", nullptr)));
}

TEST(ombNumberTest, IntegersTakeTheirBaseFromThePrefix) {
  const NumberCase cases[] = {
      {u"12", 12, 2},   {u"0x1F", 31, 4}, {u"017", 15, 3}, {u"08", 0, 1},  // octal stops at 8
      {u" -3 4", -3, 3}, {u"x", 0, 0},    {u"2.9", 2, 1},
  };
  for (const NumberCase& c : cases) {
    const char16_t* end = nullptr;
    EXPECT_EQ(ombStrToLong(c.text, &end), long(c.value)) << c.value;
    EXPECT_EQ(end - c.text, c.used) << c.value;
  }
  EXPECT_EQ(ombStrToLong(u"99999999999999999999999", nullptr), LONG_MAX);
}

}  // namespace
