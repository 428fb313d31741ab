#include "foundation/text/l3dText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Full-width space and a double-byte character whose trail byte is a backslash (0x5C).
const std::string kWide = "\x81\x40";
const std::string kSo = "\x83\x5C";

struct PairCase {
  const char* label;
  std::string text;
  std::string key;
  std::string rawValue;
  bool end;
  std::string rest;  // where the cursor stops
};

TEST(TextScanPairs, KeyValueTable) {
  const PairCase cases[] = {
      {"plain", "count=3 next", "count", "3", false, " next"},
      {"blanks around =", "count \t=  3", "count", "3", true, ""},
      {"line end before key", "   \r\nx=1", "", "", true, "\r\nx=1"},
      {"key then line end", "alone  \n", "alone", "", true, "\n"},
      {"key then other word", "alone next=1", "alone", "", false, "next=1"},
      {"empty value", "count=\r", "count", "", true, "\r"},
      {"quoted blanks", "name=\"a b\" x", "name", "\"a b\"", false, " x"},
      {"open quote to line end", "name=\"a b\nx", "name", "\"a b", true, "\nx"},
      {"escaped blank", "name=a\\ b x", "name", "a\\ b", false, " x"},
      {"backslash at line end", "name=a\\\nx", "name", "a\\", true, "\nx"},
      {"full-width space ends value", "name=a" + kWide + "b", "name", "a", false, kWide + "b"},
      {"quoted full-width space", "name=\"a" + kWide + "b\"", "name", "\"a" + kWide + "b\"", true,
       ""},
      {"trail byte 0x5C is no escape", "name=" + kSo + " x", "name", kSo, false, " x"},
  };
  for (const PairCase& c : cases) {
    SCOPED_TRACE(c.label);
    const char* cursor = c.text.c_str();
    const char* keyStart = nullptr;
    const char* valueStart = nullptr;
    uint32_t keyLength = 99, valueLength = 99;
    bool end = false;
    l3dTextParseKeyValue(cursor, keyStart, keyLength, valueStart, valueLength, end);
    EXPECT_EQ(std::string(keyStart, keyLength), c.key);
    EXPECT_EQ(std::string(valueStart, valueLength), c.rawValue);
    EXPECT_EQ(end, c.end);
    EXPECT_EQ(std::string(cursor), c.rest);
  }
}

TEST(TextScanPairs, NothingHappensOnceTheLineHasEnded) {
  const std::string text = "a=1";
  const char* cursor = text.c_str();
  const char* keyStart = nullptr;
  const char* valueStart = nullptr;
  uint32_t keyLength = 7, valueLength = 7;
  bool end = true;
  l3dTextParseKeyValue(cursor, keyStart, keyLength, valueStart, valueLength, end);
  EXPECT_EQ(cursor, text.c_str());
  EXPECT_EQ(keyLength, 7u);
}

TEST(TextScanPairs, ReadKeyValueCutsLongPartsAndClearsAbsentOnes) {
  const std::string longKey(1500, 'k');
  const std::string text = longKey + "=v w";
  const char* cursor = text.c_str();
  char key[kL3dTextPairBytes];
  char value[kL3dTextPairBytes];
  bool end = false;
  l3dTextReadKeyValue(end, key, value, cursor);
  EXPECT_EQ(std::string(key), std::string(1023, 'k'));
  EXPECT_EQ(std::string(value), "v");
  l3dTextReadKeyValue(end, key, value, cursor);  // "w" without a value, then the line ends
  EXPECT_EQ(std::string(key), "w");
  EXPECT_EQ(std::string(value), "");
  EXPECT_TRUE(end);
}

struct TokenCase {
  const char* label;
  std::string text;
  uint32_t size;
  std::string token;
  char ender;
};

TEST(TextScanTokens, UnquoteTable) {
  const TokenCase cases[] = {
      {"quotes removed, blanks kept", "\"a b\"c", 64, "a bc", '\0'},
      {"escaped quote and backslash", "a\\\"b\\\\c\r", 64, "a\"b\\c", '\r'},
      {"backslash before line end dropped", "ab\\\nz", 64, "ab", '\n'},
      {"cut at size - 1", "abcdef", 4, "abc", '\0'},
      {"double-byte only whole", "ab" + kSo, 4, "ab", '\0'},
      {"double-byte trail 0x5C literal", "\"" + kSo + "\"", 8, kSo, '\0'},
  };
  for (const TokenCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::string buffer(c.text.size() + 8, 'X');
    EXPECT_EQ(l3dTextReadToken(buffer.data(), c.size, c.text.c_str()), c.ender);
    EXPECT_EQ(std::string(buffer.c_str()), c.token);
    // In place, as the group reader unquotes values.
    std::string inPlace = c.text;
    inPlace.resize(inPlace.size() + 1);
    l3dTextReadToken(inPlace.data(), c.size, inPlace.data());
    EXPECT_EQ(std::string(inPlace.c_str()), c.token);
  }
}

TEST(TextScanTokens, CopyTokenTakesLengthBytesAndUnquotes) {
  struct Case {
    const char* label;
    std::string name;  // the bytes before the 'X' that follows in memory
    uint32_t size;
    std::string token;
  };
  const Case cases[] = {
      {"only length bytes, no terminator needed", "body", 264, "body"},
      {"quotes removed", "\"arm L\"", 264, "arm L"},
      {"cut at size - 1", "abcdef", 4, "abc"},
      {"double-byte not split by the cut", "ab" + kSo, 4, "ab"},
      {"empty name", "", 264, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string memory = c.name + "XYZ";
    std::string buffer(300, '#');
    l3dTextCopyToken(buffer.data(), c.size, memory.data(), uint32_t(c.name.size()));
    EXPECT_EQ(std::string(buffer.c_str()), c.token);
  }
  char buffer[8] = "old";
  l3dTextCopyToken(buffer, sizeof buffer, nullptr, 5);
  EXPECT_STREQ(buffer, "");
}

TEST(TextScanWords, ReadWordSkipsWhatDoesNotFit) {
  const std::string text = kWide + " \tab" + kSo + "cd next";
  const char* cursor = text.c_str();
  char word[5];
  const char* start = l3dTextReadWord(cursor, word, sizeof word);
  EXPECT_EQ(start, text.c_str() + 4);
  EXPECT_EQ(std::string(word), "ab" + kSo);  // "cd" did not fit and was passed over
  EXPECT_EQ(std::string(cursor), " next");

  const std::string tight = "a" + kSo + "b";
  cursor = tight.c_str();
  char two[3];
  l3dTextReadWord(cursor, two, sizeof two);
  EXPECT_EQ(std::string(two), "ab");  // the double-byte character would have needed 3 bytes
}

TEST(TextScanWords, SkipLineAndSkipBlankStopAtLineEnds) {
  const std::string text = "one two\r\n\r\n  three";
  const char* cursor = text.c_str();
  l3dTextSkipLine(cursor);
  EXPECT_EQ(std::string(cursor), "  three");
  l3dTextSkipBlank(cursor);
  EXPECT_EQ(std::string(cursor), "three");

  const std::string blanks = " \t" + kWide + "\nx";
  cursor = blanks.c_str();
  l3dTextSkipBlank(cursor);
  EXPECT_EQ(std::string(cursor), "\nx");
}

}  // namespace
