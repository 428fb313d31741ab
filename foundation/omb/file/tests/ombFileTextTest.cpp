#include "foundation/omb/file/ombFile.h"
#include "testsupport/FileLayerTest.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace ombfiletest;

class ombFileText : public FileLayerTest {};

TEST_F(ombFileText, TextWriterEncodesUtf8WithCrLfLineEnds) {
  struct Case {
    std::u16string text;
    uint32_t units;
    std::string bytes;  // after the byte-order mark
    uint32_t count;
  };
  const Case cases[] = {
      {u"a\nb\r\n", 5, "a\r\nb\r\n", 4},
      {u"\n\r\r\r\n\n", 6, "\r\n\r\n\r\n\r\n", 4},  // LF CR, CR, CR LF, LF
      {u"\u3042\u00e9", 2, "\xE3\x81\x82\xC3\xA9", 2},
      {u"\U0001F600!", 3, "\xF0\x9F\x98\x80!", 2},  // a surrogate pair is one character
      {u"\xD800x", 2, "\xEF\xBF\xBDx", 2},          // a lone surrogate is U+FFFD
      {std::u16string(u"ab\0cd", 5), 5, "ab", 2},   // a unit 0 ends the text
      {u"abcdef", 3, "abc", 3},
      {u"a\r", 2, "a\r\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::utf16ToUtf8(c.text));
    OMB_FILE* file =
        ombFileOpen(OMB_FILE_MODE_WRITE, path("text.txt").c_str(), OMB_FILE_OPEN_CREATE);
    ASSERT_NE(file, nullptr);
    uint32_t count = 0;
    EXPECT_EQ(ombFileWriteText(file, &count, c.text.c_str(), c.units), OMB_OK);
    EXPECT_EQ(count, c.count);
    EXPECT_EQ(file->flags & OMB_FILE_FLAG_TEXT, OMB_FILE_FLAG_TEXT);
    ASSERT_EQ(ombFileClose(file), OMB_OK);
    EXPECT_EQ(readAll(native("text.txt")), bytesOf("\xEF\xBB\xBF" + c.bytes));
  }
}

// The mark belongs where the file begins: a second text write adds none, and a position of 1
// gets only the rest of it.
TEST_F(ombFileText, TextWriterWritesTheByteOrderMarkOnlyAtTheStart) {
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_WRITE, path("bom.txt").c_str(), OMB_FILE_OPEN_CREATE);
  ASSERT_NE(file, nullptr);
  uint32_t count = 0;
  ASSERT_EQ(ombFileWriteText(file, &count, u"a", 1), OMB_OK);
  ASSERT_EQ(ombFileWriteText(file, &count, u"b", 1), OMB_OK);
  ombFileClose(file);
  EXPECT_EQ(readAll(native("bom.txt")), bytesOf("\xEF\xBB\xBF" "ab"));

  file = ombFileOpen(OMB_FILE_MODE_WRITE, path("bom.txt").c_str(), 0);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(ombFileSeek(file, 1, OMB_FILE_SEEK_BEGIN), OMB_OK);
  ASSERT_EQ(ombFileWriteText(file, &count, u"c", 1), OMB_OK);
  ombFileClose(file);
  EXPECT_EQ(readAll(native("bom.txt")), bytesOf("\xEF\xBB\xBF" "cb"));
}

TEST_F(ombFileText, TextReadsFlagAByteOrderMarkAndStillDeliverIt) {
  struct Case {
    Bytes stored;
    uint32_t flags;
    bool marked;
  };
  Bytes scrambledMark = bytesOf("\xEF\xBB\xBFx");
  ombFileScramble(scrambledMark.data(), scrambledMark.size(), 0);
  const Case cases[] = {
      {bytesOf("\xEF\xBB\xBFx"), OMB_FILE_OPEN_TEXT, true},
      {bytesOf("\xEF\xBB\xBFx"), 0, false},
      {bytesOf("\xEF\xBB"), OMB_FILE_OPEN_TEXT, false},
      {scrambledMark, OMB_FILE_OPEN_TEXT | OMB_FILE_OPEN_SCRAMBLED, true},
      {bytesOf("abcd"), OMB_FILE_OPEN_TEXT, false},
  };
  for (const Case& c : cases) {
    const std::u16string name = write("mark.txt", c.stored);
    OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ, name.c_str(), c.flags);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ((file->flags & OMB_FILE_FLAG_BOM) != 0, c.marked);
    EXPECT_EQ((file->flags & OMB_FILE_FLAG_TEXT) != 0, (c.flags & OMB_FILE_OPEN_TEXT) != 0);
    uint8_t first = 0;
    uint32_t count = 0;
    ASSERT_EQ(ombFileRead(&count, &first, 1, file), OMB_OK);
    if (c.marked) {
      EXPECT_EQ(first, 0xEF);
    }
    ombFileClose(file);
  }
}

}  // namespace
