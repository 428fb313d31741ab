#include "platform/kernel/ExecutablePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/FolderRoots.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "platform-fs-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempFolder() { fs::remove_all(path); }
  fs::path path;
};

TEST(FileSystem, KindsAndDirectoryCreation) {
  TempFolder temp;
  std::ofstream(temp.path / "file") << "x";
  EXPECT_EQ(platform::pathKind(temp.path.string()), platform::PathKind::Directory);
  EXPECT_EQ(platform::pathKind((temp.path / "file").string()), platform::PathKind::Other);
  EXPECT_EQ(platform::pathKind((temp.path / "none").string()), platform::PathKind::Missing);
  EXPECT_EQ(platform::pathKind(""), platform::PathKind::Missing);

  EXPECT_TRUE(platform::makeDirectory((temp.path / "dir").string()));
  EXPECT_TRUE(platform::makeDirectory((temp.path / "dir").string()));  // exists: fine
  EXPECT_FALSE(platform::makeDirectory((temp.path / "file").string()));
  EXPECT_FALSE(platform::makeDirectory((temp.path / "missing/child").string()));
}

TEST(FileSystem, ExecutablePathIsThisProgram) {
  EXPECT_EQ(fs::path(platform::executablePath()),
            fs::canonical(TEST_BIN_DIR) / "platform_tests");
}

// Each root follows its variable when it holds an absolute path, else the XDG default under
// $HOME; the application-data folders are created when missing.
TEST(FolderRoots, FollowTheXdgVariables) {
  // The variables are restored before the folder goes.
  struct Saved {
    std::vector<std::pair<const char*, std::string>> values;
    bool had[4] = {};
    Saved() {
      const char* names[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "TMPDIR"};
      for (int i = 0; i < 4; ++i) {
        const char* value = std::getenv(names[i]);
        had[i] = value != nullptr;
        values.emplace_back(names[i], value ? value : "");
      }
    }
    ~Saved() {
      for (int i = 0; i < 4; ++i) {
        if (had[i]) {
          setenv(values[i].first, values[i].second.c_str(), 1);
        } else {
          unsetenv(values[i].first);
        }
      }
    }
  };
  TempFolder temp;
  Saved saved;
  setenv("HOME", (temp.path / "home").c_str(), 1);
  setenv("XDG_DATA_HOME", (temp.path / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", "relative/config", 1);
  setenv("TMPDIR", (temp.path / "tmp").c_str(), 1);

  using platform::FolderRoot;
  EXPECT_EQ(platform::folderRoot(FolderRoot::LocalAppData), (temp.path / "data").string());
  EXPECT_EQ(platform::folderRoot(FolderRoot::RoamingAppData),
            (temp.path / "home/.config").string());
  EXPECT_EQ(platform::folderRoot(FolderRoot::Temporary), (temp.path / "tmp").string());
  EXPECT_TRUE(fs::is_directory(temp.path / "data"));
  EXPECT_TRUE(fs::is_directory(temp.path / "home/.config"));

  unsetenv("XDG_DATA_HOME");
  unsetenv("TMPDIR");
  EXPECT_EQ(platform::folderRoot(FolderRoot::LocalAppData),
            (temp.path / "home/.local/share").string());
  EXPECT_TRUE(fs::is_directory(temp.path / "home/.local/share"));
  EXPECT_EQ(platform::folderRoot(FolderRoot::Temporary), "/tmp");
}

}  // namespace
