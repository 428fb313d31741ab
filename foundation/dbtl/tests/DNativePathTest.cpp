#include "foundation/dbtl/DCp932Text.h"
#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/Dpath.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NativeCase {
  const char* cp932;
  const char* utf8;
};

// Base-library paths are code page 932; the system names files in UTF-8. A trail byte 0x5C
// stays part of its character, and bytes that are no code page 932 character pass unchanged.
TEST(DNativePath, Cp932PathsBecomeSystemNames) {
  const NativeCase cases[] = {
      {"data/stage01.dgo", "data/stage01.dgo"},
      {"\x95\x5c/\x83\x5c.txt", "\xE8\xA1\xA8/\xE3\x82\xBD.txt"},  // 表/ソ.txt
      {"\xB1\xB2", "\xEF\xBD\xB1\xEF\xBD\xB2"},                      // half-width ｱｲ
      {"a\x80z", "a\x80z"},                                          // not a character
      {"end\x95", "end\x95"},                                        // lone lead byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dbtl::DNativePathFromCp932(c.cp932), c.utf8) << c.cp932;
  }
}

TEST(DNativePath, FileWithJapaneseNameOpensByItsCp932Path) {
  TempDir dir(TEST_BINARY_DIR, "dbtl");
  dir.Write("\xE8\xA1\xA8\xE3\x82\xBD.bin", {1, 2, 3});  // 表ソ.bin on disk
  const std::string cp932 = dir.Path("\x95\x5c\x83\x5c.bin");
  EXPECT_TRUE(dbtl::DpathIsFile(cp932.c_str()));
  dbtl::DFile file;
  ASSERT_TRUE(file.Open(cp932.c_str(), dbtl::DFILE_READ));
  uint8_t bytes[4] = {};
  EXPECT_EQ(file.Read(bytes, sizeof(bytes)), 3);
  EXPECT_EQ(bytes[2], 3);
}

}  // namespace
