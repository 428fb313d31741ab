#include "platform/kernel/IniFile.h"

#include "testsupport/FileBytes.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::IniFile;

const std::string kSample =
    "; settings\r\n"
    "orphan=before any section\r\n"
    "[Config]\r\n"
    "  videoWidth = 1280  \r\n"
    "quoted=\"  spaced  \"\r\n"
    "single='x'\r\n"
    "half=\"open\r\n"
    ";videoHeight=1\r\n"
    "no equals sign\r\n"
    "empty=\r\n"
    "videoWidth=second\r\n"
    "\r\n"
    "[ debug ]\r\n"
    "level=Debug\r\n"
    "[config]\r\n"
    "late=only in the second\r\n";

TEST(IniFile, FindsValuesByCaseBlindTrimmedNames) {
  const IniFile ini = IniFile::parse(kSample);
  struct Case {
    std::u16string section;
    std::u16string key;
    std::optional<std::u16string> value;
  };
  const Case cases[] = {
      {u"Config", u"videoWidth", u"1280"},   // the first of two keys, trimmed
      {u"CONFIG", u" VIDEOWIDTH ", u"1280"},
      {u"Config", u"quoted", u"  spaced  "},  // one pair of quotes removed, the inside kept
      {u"Config", u"single", u"x"},
      {u"Config", u"half", u"\"open"},
      {u"Config", u"empty", u""},
      {u"debug", u"level", u"Debug"},
      {u"Config", u"videoHeight", std::nullopt},  // a comment
      {u"Config", u"no equals sign", std::nullopt},
      {u"Config", u"late", std::nullopt},  // only the first section of a name is read
      {u"Config", u"level", std::nullopt},
      {u"", u"orphan", std::nullopt},
      {u"missing", u"videoWidth", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.find(c.section, c.key), c.value);
  }
}

class IniFileOnDisk : public testing::Test {
 protected:
  std::string path(const std::string& name = "game.ini") const { return temp_.Path(name); }
  void put(const std::string& bytes) const {
    std::ofstream(path(), std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string get() const { return readFileText(path()); }
  std::u16string string(std::u16string_view section, std::u16string_view key,
                        const char16_t* fallback, uint32_t capacity = 64) const {
    std::vector<char16_t> buffer(capacity + 1, u'#');
    const uint32_t length = platform::getPrivateProfileString(section, key, fallback,
                                                              buffer.data(), capacity, path());
    EXPECT_EQ(buffer[length], u'\0');
    return std::u16string(buffer.data(), length);
  }
  int32_t integer(std::u16string_view key, int32_t fallback) const {
    return platform::getPrivateProfileInt(u"s", key, fallback, path());
  }

  TempDir temp_{TEST_BINARY_DIR, "ini"};
  std::string root_ = temp_.path().string();
};

TEST_F(IniFileOnDisk, StringsFallBackToTheTrimmedDefaultAndAreCutToTheBuffer) {
  EXPECT_EQ(string(u"debug", u"level", u"dflt  "), u"dflt");  // no file
  put("[debug]\nlevel=information\n");
  EXPECT_EQ(string(u"debug", u"level", u"dflt"), u"information");
  EXPECT_EQ(string(u"debug", u"file", nullptr), u"");
  EXPECT_EQ(string(u"debug", u"level", u"", 5), u"info");
  EXPECT_EQ(string(u"debug", u"missing", u"long default", 5), u"long");
  char16_t untouched = u'#';
  EXPECT_EQ(platform::getPrivateProfileString(u"debug", u"level", u"", &untouched, 0, path()), 0u);
  EXPECT_EQ(untouched, u'#');
}

TEST_F(IniFileOnDisk, IntegersAreTheLeadingDigits) {
  put("[s]\r\nplain=42\r\nsuffix=12abc\r\nword=abc\r\nempty=\r\nnegative=-5\r\nplus=+7\r\n"
      "spaced=  9  \r\nwrap=4294967297\r\nhex=0x10\r\n");
  struct Case {
    std::u16string key;
    int32_t value;
  };
  const Case cases[] = {
      {u"plain", 42}, {u"suffix", 12},  {u"word", 0}, {u"empty", 0},   {u"negative", -5},
      {u"plus", 7},   {u"spaced", 9},   {u"wrap", 1}, {u"hex", 0},     {u"missing", 77},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(integer(c.key, 77), c.value) << std::string(c.key.begin(), c.key.end());
  }
  EXPECT_EQ(platform::getPrivateProfileInt(u"s", u"plain", 3, path("none.ini")), 3);
}

TEST_F(IniFileOnDisk, WritesCreateTheFileAndTheSection) {
  ASSERT_TRUE(platform::writePrivateProfileString(u"Config", u"videoWidth", u"1024", path()));
  ASSERT_TRUE(platform::writePrivateProfileString(u"Config", u"videoHeight", u"768", path()));
  ASSERT_TRUE(platform::writePrivateProfileString(u"debug", u"level", u"表示", path()));
  EXPECT_EQ(get(),
            "[Config]\r\nvideoWidth=1024\r\nvideoHeight=768\r\n[debug]\r\nlevel=\xE8\xA1\xA8\xE7\xA4\xBA\r\n");
  EXPECT_EQ(string(u"DEBUG", u"LEVEL", u""), u"表示");
}

// Every line the write does not touch keeps its bytes: line ends, comments, blank lines and text
// that is not UTF-8 (here code page 932).
TEST_F(IniFileOnDisk, WritesKeepEveryOtherLineByteForByte) {
  const std::string before =
      "\xEF\xBB\xBF; \x95\x5C\x8E\xA6\n[Config]\nvideoWidth=800\nname=\x82\xA0\n\n[Other]\nx=1";
  put(before);
  ASSERT_TRUE(platform::writePrivateProfileString(u"config", u"VIDEOWIDTH", u"1280", path()));
  ASSERT_TRUE(platform::writePrivateProfileString(u"Config", u"videoColor", u"2", path()));
  ASSERT_TRUE(platform::writePrivateProfileString(u"Other", u"y", u"2", path()));
  ASSERT_TRUE(platform::writePrivateProfileString(u"New", u"k", u"v", path()));
  EXPECT_EQ(get(),
            "\xEF\xBB\xBF; \x95\x5C\x8E\xA6\n[Config]\nVIDEOWIDTH=1280\nname=\x82\xA0\n"
            "videoColor=2\n\n[Other]\nx=1\ny=2\n[New]\nk=v\n");
}

// A name or value that could not be read back as written is refused and the file is unchanged.
TEST_F(IniFileOnDisk, WritesThatWouldForgeLinesAreRefused) {
  put("[s]\r\nk=v\r\n");
  struct Case {
    std::u16string section;
    std::u16string key;
    std::u16string value;
  };
  const Case cases[] = {
      {u"s", u"k", u"v\r\n[debug]\r\nlevel=debug"},
      {u"s", u"a\nb", u"v"},
      {u"s]x", u"k", u"v"},
      {u"s", u"a=b", u"v"},
      {u"s", u";k", u"v"},
      {u"s", u"  ", u"v"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(platform::writePrivateProfileString(c.section, c.key, c.value, path()));
  }
  EXPECT_EQ(get(), "[s]\r\nk=v\r\n");
  EXPECT_FALSE(platform::writePrivateProfileString(u"s", u"k", u"v", root_ + "/no/such/dir.ini"));
}

// Writers in several threads never lose each other's keys.
TEST_F(IniFileOnDisk, ConcurrentWritersKeepEveryKey) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 10; ++i) {
        const std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
        platform::writePrivateProfileString(u"s", std::u16string(key.begin(), key.end()), u"1",
                                            path());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 10; ++i) {
      const std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
      EXPECT_EQ(integer(std::u16string(key.begin(), key.end()), 0), 1) << key;
    }
  }
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_), {}), 1);
}

}  // namespace
