#include "foundation/dbtl/lfmNextChar.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ReadCase {
  const char* text;
  std::vector<unsigned int> codes;  // read until 0
  long stopsAt;                     // cursor offset after the 0
};

TEST(lfmNextChar, ReadsCharactersUntilTheLineEnds) {
  const ReadCase cases[] = {
      {"ab", {'a', 'b'}, 2},
      {"a\x95\x5C" "b\r\nc", {'a', 0x955C, 'b'}, 4},
      {"\x83\x41x\n", {0x8341, 'x'}, 3},
      {"x\x95", {'x'}, 1},  // a lead byte without its trail byte ends the text
      {"", {}, 0},
  };
  for (const auto& c : cases) {
    const char* cursor = c.text;
    std::vector<unsigned int> codes;
    for (unsigned int code = lfmNextChar(&cursor); code != 0; code = lfmNextChar(&cursor)) {
      codes.push_back(code);
    }
    EXPECT_EQ(codes, c.codes) << c.text;
    EXPECT_EQ(cursor - c.text, c.stopsAt) << c.text;
    EXPECT_EQ(lfmNextChar(&cursor), 0u);
    EXPECT_EQ(cursor - c.text, c.stopsAt) << "0 does not advance";
  }
}

}  // namespace
