#include "foundation/dbtl/Dstr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using namespace dbtl;

// "表" in code page 932 is 0x95 0x5C: its trail byte is the backslash code. "ア" is 0x83 0x41
// and "ッ" is 0x83 0x62: trail bytes that are ASCII letters.
#define HYOU "\x95\x5C"

TEST(Dstr, CopyNCutsAndAlwaysTerminates) {
  char dst[8];
  std::memset(dst, 'x', sizeof dst);
  DstrCopyN(dst, "abcdef", 4);
  EXPECT_STREQ(dst, "abc");
  DstrCopyN(dst, "ab", 8);
  EXPECT_STREQ(dst, "ab");
  DstrCopyN(dst, "zzz", 0);
  EXPECT_STREQ(dst, "ab");  // size 0 writes nothing

  char joined[16] = "ab";
  DstrCat(joined, "cd");
  DstrCat(joined, nullptr);
  EXPECT_STREQ(joined, "abcd");
}

struct CompareCase {
  const char* a;
  const char* b;
  uint32_t n;
  int compareN;
  int noCaseN;
};

TEST(Dstr, CompareNIsAnEqualityTest) {
  const CompareCase cases[] = {
      {"abc", "abd", 2, 0, 0},
      {"abc", "abd", 3, 1, 1},
      {"ab", "ab", 5, 0, 0},         // both end before n
      {"ab", "abc", 5, 1, 1},        // one ends first
      {"Sys/Font", "sys/font", 8, 1, 0},
      {"\x83\x41", "\x83\x61", 2, 1, 1},  // trail bytes are never folded
      {"\x83\x41", "xA", 2, 1, 1},        // a lead byte never meets a single-byte character
      {"a" HYOU "B", "a" HYOU "b", 4, 1, 0},
      {nullptr, "", 4, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DstrCompareN(c.a, c.b, c.n), c.compareN) << (c.a ? c.a : "null") << " " << c.b;
    EXPECT_EQ(DstrCompareNoCaseN(c.a, c.b, c.n), c.noCaseN) << (c.a ? c.a : "null") << " " << c.b;
  }
}

TEST(Dstr, WholeTextComparisonsTestTheLengthFirst) {
  EXPECT_EQ(DstrCompareNoCase("Sys/Font", "sys/font"), 0);
  EXPECT_EQ(DstrCompareNoCase("sys/font", "sys/fonts"), 1);
  EXPECT_EQ(DstrCompare("abc", "abc"), 0);
  EXPECT_EQ(DstrCompare("abc", "abcd"), 1);
  EXPECT_EQ(DstrCompare("abc", "ABC"), 1);
}

TEST(Dstr, CodeArraysKeepTwoByteCharactersTogether) {
  uint16_t codes[16];
  EXPECT_EQ(DstrToCodeArray("a" HYOU "b", codes), 3u);
  EXPECT_EQ(std::vector<uint16_t>(codes, codes + 4),
            (std::vector<uint16_t>{0x61, 0x955C, 0x62, 0}));

  char bytes[16];
  EXPECT_EQ(DstrFromCodeArray(bytes, codes), 5u);  // four bytes and the terminator
  EXPECT_STREQ(bytes, "a" HYOU "b");

  // A character begun before n is taken whole.
  EXPECT_EQ(DstrToCodeArrayN(codes, "a" HYOU "b", 2), 2u);
  EXPECT_EQ(codes[1], 0x955C);
  EXPECT_EQ(codes[2], 0);

  // A text cut after a lead byte keeps that byte as a character of its own.
  EXPECT_EQ(DstrToCodeArray("a\x95", codes), 2u);
  EXPECT_EQ(codes[1], 0x95);

  EXPECT_EQ(DstrFromCodeArrayN(bytes, codes, 1), 2u);
  EXPECT_STREQ(bytes, "a");
}

}  // namespace
