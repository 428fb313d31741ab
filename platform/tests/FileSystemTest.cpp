#include "platform/kernel/FileSystem.h"

#include "platform/kernel/ExecutablePath.h"
#include "platform/kernel/FolderRoots.h"
#include "testsupport/TempDir.h"
#include "testsupport/XdgHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

TEST(FileSystem, KindsAndDirectoryCreation) {
  TempDir temp({}, "platform-fs");
  std::ofstream(temp.path() / "file") << "x";
  EXPECT_EQ(platform::pathKind(temp.path().string()), platform::PathKind::Directory);
  EXPECT_EQ(platform::pathKind((temp.path() / "file").string()), platform::PathKind::Other);
  EXPECT_EQ(platform::pathKind((temp.path() / "none").string()), platform::PathKind::Missing);
  EXPECT_EQ(platform::pathKind(""), platform::PathKind::Missing);

  EXPECT_TRUE(platform::makeDirectory((temp.path() / "dir").string()));
  EXPECT_TRUE(platform::makeDirectory((temp.path() / "dir").string()));  // exists: fine
  EXPECT_FALSE(platform::makeDirectory((temp.path() / "file").string()));
  EXPECT_FALSE(platform::makeDirectory((temp.path() / "missing/child").string()));
}

TEST(FileSystem, ExecutablePathIsThisProgram) {
  EXPECT_EQ(fs::path(platform::executablePath()),
            fs::canonical(TEST_BIN_DIR) / "platform_tests");
}

// Each root follows its variable when it holds an absolute path, else the XDG default under
// $HOME; the application-data folders are created when missing.
TEST(FolderRoots, FollowTheXdgVariables) {
  // The variables are restored before the folder goes.
  XdgHome home;
  home.set("HOME", home.root / "home");
  home.set("XDG_CONFIG_HOME", "relative/config");

  using platform::FolderRoot;
  EXPECT_EQ(platform::folderRoot(FolderRoot::LocalAppData), (home.root / "data").string());
  EXPECT_EQ(platform::folderRoot(FolderRoot::RoamingAppData),
            (home.root / "home/.config").string());
  EXPECT_EQ(platform::folderRoot(FolderRoot::Temporary), (home.root / "tmp").string());
  EXPECT_TRUE(fs::is_directory(home.root / "data"));
  EXPECT_TRUE(fs::is_directory(home.root / "home/.config"));

  unsetenv("XDG_DATA_HOME");
  unsetenv("TMPDIR");
  EXPECT_EQ(platform::folderRoot(FolderRoot::LocalAppData),
            (home.root / "home/.local/share").string());
  EXPECT_TRUE(fs::is_directory(home.root / "home/.local/share"));
  EXPECT_EQ(platform::folderRoot(FolderRoot::Temporary), "/tmp");
}

}  // namespace
