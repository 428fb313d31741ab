#include "foundation/omb/file/ombPath.h"

#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/file/ombPathState.h"
#include "foundation/omb/ombCore.h"
#include "platform/text/Utf8.h"
#include "testsupport/XdgHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

std::u16string u16(const std::filesystem::path& path) {
  return platform::utf8ToUtf16(path.string());
}

// The executable's directory in framework syntax: the test program lies in TEST_BIN_DIR.
std::u16string binDirectory() {
  return u16(std::filesystem::canonical(TEST_BIN_DIR)) + u"/";
}

template <class Build>
std::u16string built(Build build) {
  const uint32_t length = build(nullptr, 0);
  std::u16string text(length + 1, u'#');
  EXPECT_EQ(build(text.data(), length + 1), length);
  EXPECT_EQ(text[length], u'\0');
  text.resize(length);
  return text;
}

class ombPath : public testing::Test {
 protected:
  void SetUp() override { ombCoreInit(); }
  void TearDown() override { ombFileSetAppDir(nullptr); }

  std::u16string native(const char16_t* path) {
    platform::RecursiveMutexHold hold(ombFileLock());
    return built([path](char16_t* d, uint32_t c) { return ombPathToNative(d, c, path); });
  }

  XdgHome home;
};

TEST_F(ombPath, ToNativeExpandsRootsUnderTheApplicationsSubDirectory) {
  const std::u16string data = u16(home.root / "data");
  const std::u16string config = u16(home.root / "config");
  const std::u16string tmp = u16(home.root / "tmp");
  std::u16string exe = binDirectory();
  exe.pop_back();
  struct Case {
    const char16_t* appDir;
    const char16_t* path;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"Title", u"//<localappdata>/Title.ini", data + u"/Title/Title.ini"},
      {nullptr, u"//<localappdata>/Title.ini", data + u"/Title.ini"},
      {u"Title", u"//<LOCALAPPDATA>/x", data + u"/Title/x"},
      {u"Title", u"//<userappdata>/a/b", config + u"/Title/a/b"},
      {u"Title", u"//<tmp>/log.txt", tmp + u"/Title/log.txt"},
      {u"Title", u"//<TMP>", tmp + u"/Title/"},
      {u"Maker\\Title/", u"//<userappdata>/x", config + u"/Maker/Title/x"},
      {u"Title", u"//<game>/sys/x", exe + u"/Title/sys/x"},
      {nullptr, u"//<game>/sys/x", exe + u"/sys/x"},
      {u"Title", u"//C:/a/b", u"C:/a/b"},
      {u"Title", u"//srv/share/f", u"//srv/share/f"},
      {u"Title", u"/abs/x", u"/abs/x"},
      {u"Title", u"a/b", u"a/b"},
      {u"Title", u"a\\b", u"a/b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(c.path)));
    ombFileSetAppDir(c.appDir);
    EXPECT_EQ(native(c.path), c.expected);
  }
}

// A root folder given with a trailing separator loses it.
TEST_F(ombPath, RootFolderLosesItsTrailingSeparator) {
  home.set("XDG_DATA_HOME", (home.root / "data").string() + "/");
  ombFileSetAppDir(u"Title");
  EXPECT_EQ(native(u"//<localappdata>/x"), u16(home.root / "data") + u"/Title/x");
}

TEST_F(ombPath, ToNativeIsBoundedAndTellsTheFullLength) {
  char16_t one[1] = {u'#'};
  EXPECT_EQ(ombPathToNative(one, 1, u"a/b"), 3u);
  EXPECT_EQ(one[0], u'\0');
  char16_t three[4] = {u'#', u'#', u'#', u'#'};
  EXPECT_EQ(ombPathToNative(three, 3, u"//C:/a"), 4u);
  EXPECT_EQ(std::u16string(three), u"C:");
  EXPECT_EQ(three[3], u'#');
}

TEST_F(ombPath, FromNative) {
  struct Case {
    const char16_t* native;
    const char16_t* path;
  };
  const Case cases[] = {
      {u"/home/u/game/", u"/home/u/game/"},
      {u"C:\\Games\\Title\\", u"//C:/Games/Title/"},
      {u"C:", u"//C:/"},
      {u"\\\\srv\\share\\x", u"//srv/share/x"},
      {u"//srv", u"//srv/"},
      {u"a\\b/c", u"a/b/c"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(built([&c](char16_t* d, uint32_t n) { return ombPathFromNative(d, n, c.native); }),
              c.path);
  }
}

TEST_F(ombPath, ResolveInterpretsOnlyTheLeadingDotSteps) {
  struct Case {
    const char16_t* base;
    const char16_t* path;
    const char16_t* resolved;
  };
  const Case cases[] = {
      {u"//C:/Games/Title/", u"sys/base", u"//C:/Games/Title/sys/base"},
      {u"//C:/Games/Title/", u"../x", u"//C:/Games/x"},
      {u"//C:/Games/Title/", u"../../../x", u"//C:/x"},
      {u"//C:/Games/Title/", u".../x", u"//C:/x"},
      {u"//C:/Games/Title/", u"./a/./b", u"//C:/Games/Title/a/./b"},
      {u"//C:/Games/Title/", u"..a/x", u"//C:/Games/Title/..a/x"},
      {u"//C:/Games/Title/", u".", u"//C:/Games/Title/"},
      {u"//C:/Games/Title/", u"/abs", u"/abs"},
      {u"//<localappdata>/Title/", u"../save", u"//<localappdata>/save"},
      {u"/home/u/game/", u"../lib/x", u"/home/u/lib/x"},
      {u"/home//u/game", u"data", u"/home/u/game/data"},
      {u"rel/dir/", u"../x", u"rel/x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(built([&c](char16_t* d, uint32_t n) { return ombPathResolve(d, c.base, n, c.path); }),
              c.resolved)
        << testing::PrintToString(std::u16string(c.base)) << " "
        << testing::PrintToString(std::u16string(c.path));
  }
}

// Without a base, paths are relative to the executable's directory.
TEST_F(ombPath, ResolveAgainstTheBaseDirectory) {
  platform::RecursiveMutexHold hold(ombFileLock());
  EXPECT_EQ(std::u16string(ombPathGetBaseDirectory()), binDirectory());
  EXPECT_EQ(built([](char16_t* d, uint32_t n) { return ombPathResolve(d, nullptr, n, u"sys/base"); }),
            binDirectory() + u"sys/base");
}

TEST_F(ombPath, Make) {
  struct Case {
    const char16_t* directory;
    const char16_t* name;
    const char16_t* extension;
    const char16_t* path;
  };
  const Case cases[] = {
      {u"dir", u"name", u"ext", u"dir/name.ext"},
      {u"dir/", u"name", u".ext", u"dir/name.ext"},
      {nullptr, u"name", nullptr, u"name"},
      {u"", u"name", u"", u"name"},
      {u"d", nullptr, u"e", u"d/.e"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(built([&c](char16_t* d, uint32_t n) {
                return ombPathMake(n, d, c.directory, c.name, c.extension);
              }),
              c.path);
  }
}

TEST_F(ombPath, ChangeExtension) {
  struct Case {
    const char16_t* path;
    const char16_t* extension;
    const char16_t* changed;
  };
  const Case cases[] = {
      {u"dir/name.tar.gz", u"bin", u"dir/name.tar.bin"},
      {u"dir/name.tar.gz", u".bin", u"dir/name.tar.bin"},
      {u"dir/name", u"bin", u"dir/name.bin"},
      {u"dir.d/name", u"x", u"dir.d/name.x"},
      {u"name.", u"x", u"name.x"},
      {u"a.b", nullptr, u"a"},
      {u"a.b", u"", u"a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(built([&c](char16_t* d, uint32_t n) {
                return ombPathChangeExtension(c.path, d, n, c.extension);
              }),
              c.changed);
  }
}

// The destination holds 128 units: a longer directory is cut to 127 and terminated, and
// nothing past the 128 units is written.
TEST_F(ombPath, GetDirectoryIsBoundedTo128Units) {
  char16_t out[OMB_PATH_DIRECTORY_CAPACITY + 8];
  std::fill(std::begin(out), std::end(out), u'#');
  EXPECT_EQ(ombPathGetDirectory(out, u"a/b/c.txt"), 4u);
  EXPECT_EQ(std::u16string(out), u"a/b/");
  EXPECT_EQ(ombPathGetDirectory(out, u"name"), 0u);
  EXPECT_EQ(out[0], u'\0');

  std::fill(std::begin(out), std::end(out), u'#');
  const std::u16string longPath = std::u16string(200, u'x') + u"/file";
  EXPECT_EQ(ombPathGetDirectory(out, longPath.c_str()), 127u);
  EXPECT_EQ(std::u16string(out), std::u16string(127, u'x'));
  EXPECT_EQ(out[OMB_PATH_DIRECTORY_CAPACITY], u'#');
}

TEST_F(ombPath, AppDirIsStoredWithOneTrailingSlash) {
  for (const char16_t* given : {u"Title", u"Title/"}) {
    ombFileSetAppDir(given);
    platform::RecursiveMutexHold hold(ombFileLock());
    EXPECT_EQ(std::u16string(ombPathGetAppDir()), u"Title/");
  }
  ombFileSetAppDir(nullptr);
  platform::RecursiveMutexHold hold(ombFileLock());
  EXPECT_EQ(ombPathGetAppDir(), nullptr);
}

}  // namespace
