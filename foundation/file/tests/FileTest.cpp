#include "foundation/file/File.h"

#include "testsupport/FileLayerTest.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace ombfiletest;
using Message = LogCapture::Message;

const std::u16string kIoError = u"ファイル操作でエラーが発生しました。";

Message ioError(const std::u16string& tag) {
  return {OMB_LOG_ERROR, u"Error: [" + tag + u"] " + kIoError};
}

class FileTest : public FileLayerTest {
 protected:
  LogCapture log;
};

TEST_F(FileTest, ReadsEveryTypedValueBigEndian) {
  const std::u16string name = write(
      "values.bin", {0x00, 0x00, 0x00, 0x2A,                          // readU32 42
                     0xFF, 0xFF, 0xFF, 0xFE,                          // readI32 -2
                     0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,  // readU64
                     0x3F, 0xC0, 0x00, 0x00,                          // readF32 1.5
                     0xFF, 0xFF, 0xFE, 0x00,                          // readFix -512 (-0.5)
                     0x30, 0x42, 0x00, 0x41,                          // readString "あA"
                     0x00, 0x00, 0x00, 0x02, 0x00, 0x43, 0x00, 0x44,  // readString2 "CD"
                     0x00, 0x00, 0x00, 0x00,                          // readString2 ""
                     0x61, 0x62});                                    // read "ab"
  File file;
  file.create(name.c_str(), OMB_FILE_MODE_READ, 0);
  ASSERT_TRUE(file.isOpen());
  EXPECT_EQ(file.getSize(), 42u);
  EXPECT_EQ(file.readU32(), 42u);
  EXPECT_EQ(file.readI32(), -2);
  EXPECT_EQ(file.readU64(), 0x0102030405060708ull);
  EXPECT_EQ(file.readF32(), 1.5f);
  EXPECT_EQ(file.readFix(), -512);
  char16_t units[3] = {u'x', u'x', u'x'};
  file.readString(units, 2);
  EXPECT_EQ(std::u16string(units, 3), u"\u3042Ax");  // no terminator written
  char16_t text[16];
  EXPECT_EQ(file.readString2(text, 16), 2u);
  EXPECT_EQ(std::u16string(text), u"CD");
  text[0] = u'z';
  EXPECT_EQ(file.readString2(text, 16), 0u);
  EXPECT_EQ(text[0], u'\0');
  char rest[2];
  file.read(rest, 2);
  EXPECT_EQ(std::string(rest, 2), "ab");
  file.close();
  EXPECT_FALSE(file.isOpen());
  EXPECT_TRUE(LogCapture::messages().empty());
}

TEST_F(FileTest, WritesEveryTypedValueBigEndian) {
  File file;
  file.create(path("out.bin").c_str(), OMB_FILE_MODE_WRITE, OMB_FILE_OPEN_CREATE);
  file.writeU32(0x01020304u);
  file.writeI32(-2);
  file.writeU64(0x1112131415161718ull);
  file.writeF32(-1.0f);
  file.writeString(u"\u3042B", 2);
  file.close();
  EXPECT_TRUE(LogCapture::messages().empty());
  EXPECT_EQ(readAll(native("out.bin")),
            (Bytes{1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFE, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
                   0x18, 0xBF, 0x80, 0, 0, 0x30, 0x42, 0, 0x42}));
}

// Every failed read names its operation; a short read is a failure, not a partial success.
TEST_F(FileTest, ReadFailuresNameTheirOperation) {
  struct Case {
    std::u16string tag;
    uint32_t skip;  // bytes read first
    std::function<void(File&)> call;
  };
  // Six bytes: a string2 length of 2 and one unit of the two it announces. After skipping four,
  // two bytes are left: too few for a word or for four units.
  const Case cases[] = {
      {u"File::read", 0, [](File& f) { char b[10]; f.read(b, 10); }},
      {u"File::readU32", 4, [](File& f) { f.readU32(); }},
      {u"File::readI32", 4, [](File& f) { f.readI32(); }},
      {u"File::readU64", 0, [](File& f) { f.readU64(); }},
      {u"File::readF32", 4, [](File& f) { f.readF32(); }},
      {u"File::readFix", 4, [](File& f) { f.readFix(); }},
      {u"File::readString", 4, [](File& f) { char16_t s[4]; f.readString(s, 4); }},
      // The length is read as File::readU32; its units under the operation's own tag.
      {u"File::readString2", 0, [](File& f) { char16_t s[8]; f.readString2(s, 8); }},
  };
  const std::u16string name = write("six.bin", {0, 0, 0, 2, 0, 0x41});
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::utf16ToUtf8(c.tag));
    File file;
    file.create(name.c_str(), OMB_FILE_MODE_READ_DISK, 0);
    char skipped[4];
    file.read(skipped, c.skip);
    LogCapture::messages().clear();
    c.call(file);
    EXPECT_EQ(LogCapture::messages(), std::vector<Message>{ioError(c.tag)});
  }
}

TEST_F(FileTest, WriteFailuresNameTheirOperation) {
  struct Case {
    std::u16string tag;
    std::function<void(File&)> call;
  };
  const Case cases[] = {
      {u"File::writeU32", [](File& f) { f.writeU32(1); }},
      {u"File::writeI32", [](File& f) { f.writeI32(-1); }},
      {u"File::writeU64", [](File& f) { f.writeU64(1); }},
      {u"File::writeF32", [](File& f) { f.writeF32(1); }},
      {u"File::writeString", [](File& f) { f.writeString(u"ab", 2); }},
  };
  const std::u16string name = write("read-only.bin", bytesOf("data"));
  for (const Case& c : cases) {
    LogCapture::messages().clear();
    File file;
    file.create(name.c_str(), OMB_FILE_MODE_READ_DISK, 0);  // a read view takes no writes
    c.call(file);
    EXPECT_EQ(LogCapture::messages(), std::vector<Message>{ioError(c.tag)});
  }
  EXPECT_EQ(readAll(native("read-only.bin")), bytesOf("data"));
}

TEST_F(FileTest, ReadString2RefusesALengthThatLeavesNoRoomForTheTerminator) {
  const std::u16string name = write("lengths.bin", {0, 0, 0, 15, 0, 0, 0, 16});
  File file;
  file.create(name.c_str(), OMB_FILE_MODE_READ_DISK, 0);
  char16_t text[16];
  // 15 fits with its terminator, though only the next length's 4 bytes (2 units) are there.
  file.readString2(text, 16);
  EXPECT_EQ(LogCapture::messages(), std::vector<Message>{ioError(u"File::readString2")});
  LogCapture::messages().clear();
  file.create(name.c_str(), OMB_FILE_MODE_READ_DISK, 0);
  file.read(text, 4);
  text[0] = u'q';
  EXPECT_EQ(file.readString2(text, 16), 0u);
  EXPECT_EQ(LogCapture::messages(),
            (std::vector<Message>{{OMB_LOG_ERROR, u"Error: [File::readString2] 文字列が長すぎます。"}}));
  EXPECT_EQ(text[0], u'\0');
}

TEST_F(FileTest, CreateReportsThePathAndClosesTheFileItHeld) {
  File file;
  file.create(path("a.bin").c_str(), OMB_FILE_MODE_WRITE, OMB_FILE_OPEN_CREATE);
  file.writeU32(7);
  file.create(path("b.bin").c_str(), OMB_FILE_MODE_WRITE, OMB_FILE_OPEN_CREATE);
  EXPECT_EQ(readAll(native("a.bin")), (Bytes{0, 0, 0, 7}));  // flushed at its close
  EXPECT_TRUE(isUnheld(path("a.bin")));
  EXPECT_TRUE(LogCapture::messages().empty());

  const std::u16string missing = path("missing.bin");
  file.create(missing.c_str(), OMB_FILE_MODE_READ, 0);
  EXPECT_FALSE(file.isOpen());
  EXPECT_EQ(LogCapture::messages(),
            (std::vector<Message>{{OMB_LOG_ERROR, u"Error: [File::create] \"" + missing + u"\"を開けません。"}}));
  // b.bin was closed by the failed create.
  EXPECT_TRUE(isUnheld(path("b.bin")));
}

TEST_F(FileTest, AFailedFlushIsReportedAtCloseAndADestroyedFileIsClosed) {
  {
    File file;
    file.create(u"/dev/full", OMB_FILE_MODE_WRITE, 0);
    file.writeU32(1);
    EXPECT_TRUE(LogCapture::messages().empty());
    file.close();
    EXPECT_EQ(LogCapture::messages(), std::vector<Message>{ioError(u"File::close")});
  }
  LogCapture::messages().clear();
  {
    File file;
    file.create(path("scoped.bin").c_str(), OMB_FILE_MODE_WRITE, OMB_FILE_OPEN_CREATE);
    file.writeU32(0x61626364);
  }
  EXPECT_EQ(readAll(native("scoped.bin")), bytesOf("abcd"));
  {
    File file;
    file.create(u"/dev/full", OMB_FILE_MODE_WRITE, 0);
    file.writeU32(1);
  }  // a destructor reports nothing: it must not throw
  EXPECT_TRUE(LogCapture::messages().empty());
  EXPECT_TRUE(isUnheld(path("scoped.bin")));
}

}  // namespace
