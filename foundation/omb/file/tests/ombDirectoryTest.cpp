#include "foundation/omb/file/ombDirectory.h"

#include "foundation/omb/file/ombPathState.h"
#include "foundation/omb/ombCore.h"
#include "platform/text/Utf8.h"
#include "testsupport/XdgHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class ombDirectory : public testing::Test {
 protected:
  void SetUp() override {
    ombCoreInit();
    std::ofstream(home.root / "file") << "x";
  }
  void TearDown() override { ombFileSetAppDir(nullptr); }

  static std::u16string u16(const fs::path& path) { return platform::utf8ToUtf16(path.string()); }
  bool make(const fs::path& path, OmbMakeParents parents) {
    return ombMakeDirectory(u16(path).c_str(), parents);
  }

  XdgHome home;
};

TEST_F(ombDirectory, MakesMissingParents) {
  EXPECT_TRUE(make(home.root / "a/b/c", OmbMakeParents::Yes));
  EXPECT_TRUE(fs::is_directory(home.root / "a/b/c"));
  EXPECT_TRUE(make(home.root / "a/b/c", OmbMakeParents::Yes));  // already there
  EXPECT_TRUE(make(home.root.string() + "/d//e/", OmbMakeParents::Yes));
  EXPECT_TRUE(fs::is_directory(home.root / "d/e"));
}

TEST_F(ombDirectory, WithoutParentsMakesOneLevel) {
  EXPECT_TRUE(make(home.root.string() + "/one/", OmbMakeParents::No));
  EXPECT_TRUE(fs::is_directory(home.root / "one"));
  EXPECT_FALSE(make(home.root / "two/three", OmbMakeParents::No));
  EXPECT_FALSE(fs::exists(home.root / "two"));
}

// A regular file where a directory should be is a failure, never a success.
TEST_F(ombDirectory, RefusesWhenAComponentIsARegularFile) {
  EXPECT_FALSE(make(home.root / "file", OmbMakeParents::No));
  EXPECT_FALSE(make(home.root / "file", OmbMakeParents::Yes));
  EXPECT_FALSE(make(home.root / "file/sub", OmbMakeParents::Yes));
  EXPECT_FALSE(make(home.root / "file/sub/deeper", OmbMakeParents::Yes));
  EXPECT_TRUE(fs::is_regular_file(home.root / "file"));
}

TEST_F(ombDirectory, ShareRootThatEndsEarlyFails) {
  EXPECT_FALSE(ombMakeDirectory(u"//server", OmbMakeParents::Yes));
  EXPECT_FALSE(ombMakeDirectory(u"//server/share", OmbMakeParents::Yes));
}

TEST_F(ombDirectory, FrameworkPathIsResolvedExpandedAndMade) {
  ombFileSetAppDir(u"Title");
  EXPECT_EQ(ombFileMakeDirectory(u"//<localappdata>/saves/slot1"), OMB_OK);
  EXPECT_TRUE(fs::is_directory(home.root / "data/Title/saves/slot1"));

  std::ofstream(home.root / "data/Title/blocked") << "x";
  EXPECT_EQ(ombFileMakeDirectory(u"//<localappdata>/blocked/x"), OMB_ERR_NOT_WRITABLE);
  EXPECT_EQ(ombFileMakeDirectory(u"//<localappdata>/blocked"), OMB_ERR_NOT_WRITABLE);

  // A long path grows the work buffers.
  const std::u16string deep = u"//<tmp>/" + std::u16string(150, u'd') + u"/" +
                              std::u16string(150, u'e');
  EXPECT_EQ(ombFileMakeDirectory(deep.c_str()), OMB_OK);
  EXPECT_TRUE(fs::is_directory(home.root / "tmp/Title" / std::string(150, 'd') / std::string(150, 'e')));
}

}  // namespace
