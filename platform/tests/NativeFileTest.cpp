#include "platform/kernel/NativeFile.h"

#include "testsupport/FileBytes.h"
#include "testsupport/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using platform::NativeFile;
using Access = NativeFile::Access;
using Creation = NativeFile::Creation;
using Origin = NativeFile::Origin;

class NativeFileTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& relative) const { return m_dir.Path(relative); }

  void Make(const std::string& relative, const std::string& content) const {
    const std::string path = Path(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }

  TempDir m_dir{TEST_BINARY_DIR, "native"};
  std::string m_root = m_dir.path().string();
};

TEST_F(NativeFileTest, ExistingFilesAreFoundWithoutRegardToCase) {
  Make("Game/Data/Sys/Font.TTF", "font");
  Make("Game/exact.txt", "lower");
  Make("Game/EXACT.txt", "upper");
  Make("Game/twin.TXT", "second");
  Make("Game/Twin.txt", "first");

  struct LookupCase {
    const char* asked;
    const char* found;  // nullptr: not found
  };
  const LookupCase cases[] = {
      {"game/data/sys/font.ttf", "Game/Data/Sys/Font.TTF"},
      {"GAME/DATA/SYS/FONT.TTF", "Game/Data/Sys/Font.TTF"},
      {"Game/exact.txt", "Game/exact.txt"},  // an exact match comes first
      {"Game/EXACT.txt", "Game/EXACT.txt"},
      {"game/TWIN.txt", "Game/Twin.txt"},  // several: the first in byte order
      {"game/./data/../exact.txt", "Game/./Data/../exact.txt"},
      {"game/data/missing.txt", nullptr},
      {"game/data/sys/font.ttf/deeper", nullptr},
  };
  for (const auto& c : cases) {
    const auto found = NativeFile::findExisting(Path(c.asked));
    if (c.found == nullptr) {
      EXPECT_FALSE(found) << c.asked;
    } else {
      EXPECT_EQ(found.value_or("none"), Path(c.found)) << c.asked;
    }
  }

  NativeFile file;
  ASSERT_TRUE(file.open(Path("game/data/sys/font.ttf"), Access::Read, Creation::OpenExisting));
  char text[8] = {};
  EXPECT_EQ(file.read(text, sizeof text), 4);
  EXPECT_STREQ(text, "font");
  EXPECT_TRUE(NativeFile::isRegularFile(Path("GAME/DATA/SYS/FONT.TTF")));
  EXPECT_FALSE(NativeFile::isRegularFile(Path("game/data")));
}

TEST_F(NativeFileTest, CreatedFilesKeepTheirGivenName) {
  Make("Save.dat", "old");
  NativeFile file;
  ASSERT_TRUE(file.open(Path("save.dat"), Access::Write, Creation::OpenAlways));
  EXPECT_EQ(file.size(), 0);  // a new file, not the one that differs in case
  file.close();
  EXPECT_TRUE(std::filesystem::exists(Path("save.dat")));
  EXPECT_EQ(std::filesystem::file_size(Path("Save.dat")), 3u);

  EXPECT_FALSE(file.open(Path("Save.dat"), Access::Write, Creation::CreateNew));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_FALSE(file.open(m_root, Access::Read, Creation::OpenExisting));  // a directory
  EXPECT_FALSE(file.open(Path("none"), Access::Read, Creation::OpenExisting));
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(NativeFileTest, ReadWriteSeekSizeTruncate) {
  NativeFile file;
  ASSERT_TRUE(file.open(Path("rw.bin"), Access::ReadWrite, Creation::CreateAlways));
  EXPECT_FALSE(file.open(Path("rw.bin"), Access::Read, Creation::OpenExisting));  // already open
  EXPECT_EQ(file.write("0123456789", 10), 10);
  EXPECT_EQ(file.size(), 10);
  EXPECT_EQ(file.seek(-4, Origin::End), 6);
  char bytes[8] = {};
  EXPECT_EQ(file.read(bytes, 8), 4);
  EXPECT_STREQ(bytes, "6789");
  EXPECT_EQ(file.read(bytes, 8), 0);
  EXPECT_EQ(file.seek(-20, Origin::Current), -1);
  EXPECT_EQ(file.seek(3, Origin::Begin), 3);
  EXPECT_TRUE(file.truncate());
  EXPECT_EQ(file.size(), 3);
  EXPECT_EQ(file.seek(2, Origin::Current), 5);
  EXPECT_EQ(file.write("x", 1), 1);  // past the end: the gap reads as zeros
  EXPECT_EQ(file.size(), 6);
  EXPECT_TRUE(file.flush());
  EXPECT_TRUE(file.close());
  EXPECT_FALSE(file.close());
  EXPECT_EQ(file.read(bytes, 1), -1);
  EXPECT_EQ(file.size(), -1);

  const std::string content = readFileText(Path("rw.bin"));
  EXPECT_EQ(content, std::string("012\0\0x", 6));
}

TEST_F(NativeFileTest, ReadOnlyFileRefusesWrites) {
  Make("ro.txt", "data");
  NativeFile file;
  ASSERT_TRUE(file.open(Path("ro.txt"), Access::Read, Creation::OpenExisting));
  EXPECT_EQ(file.write("x", 1), -1);
  const int fd = file.descriptor();
  NativeFile moved = std::move(file);
  EXPECT_FALSE(file.isOpen());
  EXPECT_EQ(moved.descriptor(), fd);
  EXPECT_NE(::fcntl(fd, F_GETFD), -1);
  EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
  moved.close();
  EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
}

}  // namespace
