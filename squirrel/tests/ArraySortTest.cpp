// The default sort of an array: integers close enough together take a short path that must
// give what the heap sort gives; integers 2^31 or more apart keep the wrapped order of their
// differences, and mixed values the general comparison.

#include "squirrel/tests/ScriptFixture.h"

#include <string>

namespace {

using namespace sqtest;

class ArraySort : public MachineTest {};

TEST_F(ArraySort, DefaultOrder) {
  struct Case {
    const char* values;
    const char* sorted;
  } cases[] = {
      {"9, 3, 3, -1, 7, 0", "-1 0 3 3 7 9 "},
      {"2147483647, 5, 0, 2147483647", "0 5 2147483647 2147483647 "},
      {"-2147483648, -1, -2147483647", "-2147483648 -2147483647 -1 "},
      // 2^31 or more apart: the order of the wrapped differences, as the heap sort leaves it.
      {"2000000000, -2000000000, 0, 5, -7, 2000000000", "-7 0 5 2000000000 2000000000 -2000000000 "},
      {"3, -2147483648, 2147483647, 0", "0 3 2147483647 -2147483648 "},
      {"9, 3, 3, -1, 7, 2147483600, 0", "-1 0 3 3 7 9 2147483600 "},
      {"4, 2.5, 1, 3.0, -0.5", "-0.5 1 2.5 3 4 "},
      {"1", "1 "},
      {"", ""},
  };
  for (const Case& c : cases) {
    const std::string source = std::string("local a = [") + c.values +
                               "]; a.sort(); local s = \"\"; foreach (x in a) s += x + \" \"; print(s);";
    EXPECT_EQ(runSource(source), c.sorted) << c.values;
  }
}

// Thousands of values with many repeats and negatives come out ascending.
TEST_F(ArraySort, ManyCloseIntegersSortAscending) {
  EXPECT_EQ(runSource("local a = [], seed = 7;\n"
                      "for (local i = 0; i < 5000; i++) {\n"
                      "  seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF; a.append(seed % 1000 - 500);\n"
                      "}\n"
                      "a.sort(); local ok = a.len() == 5000;\n"
                      "for (local i = 1; i < a.len(); i++) if (a[i - 1] > a[i]) ok = false;\n"
                      "print(ok + \" \" + a[0] + \" \" + a[4999]);"),
            "true -500 499");
}

}  // namespace
