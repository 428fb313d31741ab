// Ordering an integer against a float is exact, as if both were widened to double: values that
// single precision would round together still order apart.

#include "squirrel/tests/ScriptFixture.h"

#include <string>

namespace {

using namespace sqtest;

class NumberOrder : public MachineTest {};

TEST_F(NumberOrder, IntegerAgainstFloatIsExact) {
  struct Case {
    const char* comparison;
    const char* result;
  } cases[] = {
      {"2147483647 < 2147483648.0", "true"},
      {"2147483648.0 > 2147483647", "true"},
      {"2147483647 >= 2147483648.0", "false"},
      {"16777217 > 16777216.0", "true"},
      {"16777216.0 < 16777217", "true"},
      {"16777217 <= 16777216.0", "false"},
      {"-16777217 < -16777216.0", "true"},
      {"16777216 <= 16777216.0", "true"},
      {"16777216 >= 16777216.0", "true"},
      {"1 < 1.5", "true"},
      {"-2147483648 < -2147483648.0", "false"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(runSource(std::string("print(") + c.comparison + ");"), c.result) << c.comparison;
  }
}

// The default sort and the host's sq_cmp use the same order.
TEST_F(NumberOrder, SortAndHostCompareAgree) {
  EXPECT_EQ(runSource("local a = [16777217, 16777216.0, 16777218, 16777215];\n"
                      "a.sort();\n"
                      "foreach (x in a) print(typeof x + \" \");"),
            "integer float integer integer ");
  sq_pushinteger(v, 2147483647);
  sq_pushfloat(v, 2147483648.0f);
  EXPECT_GT(sq_cmp(v), 0);  // compares the top (the float) with the value below it
  sq_settop(v, 0);
}

}  // namespace
