#include "foundation/dbtl/Dpath.h"

#include "testsupport/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

namespace {

using namespace dbtl;

// "表" (0x95 0x5C) and "ソ" (0x83 0x5C): two-byte characters whose trail byte is the
// backslash code. A byte-wise walk would take it for a separator.
#define HYOU "\x95\x5C"
#define SO "\x83\x5C"

struct SplitCase {
  const char* path;
  const char* dir;
  const char* name;
  const char* ext;
};

TEST(Dpath, Split) {
  const SplitCase cases[] = {
      {"a\\b/c.tar.gz", "a/b/", "c.tar", "gz"},
      {"c", "", "c", ""},
      {".profile", "", "", "profile"},
      {"dir/file.", "dir/", "file", ""},
      {"/", "/", "", ""},
      {"data/" HYOU ".txt", "data/", HYOU, "txt"},
      {HYOU "\\" SO "/x.y", HYOU "/" SO "/", "x", "y"},
      {"a" SO ".b" SO, "", "a" SO, "b" SO},
      {nullptr, "", "", ""},
  };
  for (const auto& c : cases) {
    char dir[DPATH_BUFFER_SIZE];
    char name[DPATH_BUFFER_SIZE];
    char ext[DPATH_BUFFER_SIZE];
    DpathSplit(c.path, dir, name, ext);
    const char* shown = c.path != nullptr ? c.path : "null";
    EXPECT_STREQ(dir, c.dir) << shown;
    EXPECT_STREQ(name, c.name) << shown;
    EXPECT_STREQ(ext, c.ext) << shown;
  }
  char name[DPATH_BUFFER_SIZE];
  DpathSplit("only/the/name.x", nullptr, name, nullptr);  // absent outputs are skipped
  EXPECT_STREQ(name, "name");
}

TEST(Dpath, SplitDrive) {
  const SplitCase cases[] = {
      // {path, drive, dir, name}
      {"C:/game/bin/run.exe", "C:", "/game/bin/", "run"},
      {"C:\\game\\run.exe", "C:", "/game/", "run"},
      {"game/run", "", "game/", "run"},
      {SO ":/x", "", SO ":/", "x"},  // a two-byte character is no drive letter
  };
  for (const auto& c : cases) {
    char drive[DPATH_BUFFER_SIZE];
    char dir[DPATH_BUFFER_SIZE];
    char name[DPATH_BUFFER_SIZE];
    DpathSplitDrive(c.path, drive, dir, name);
    EXPECT_STREQ(drive, c.dir) << c.path;
    EXPECT_STREQ(dir, c.name) << c.path;
    EXPECT_STREQ(name, c.ext) << c.path;
  }
}

struct MakeCase {
  const char* dir;
  const char* name;
  const char* ext;
  const char* out;
};

TEST(Dpath, Make) {
  const MakeCase cases[] = {
      {"data", "x", "", "data/x"},
      {"data/", "x", "png", "data/x.png"},
      {"", "x", "png", "x.png"},
      {nullptr, "x", nullptr, "x"},
      {"a\\b\\", "c", "d", "a/b/c.d"},
      {"d" HYOU, "x", "png", "d" HYOU "/x.png"},  // ends in a character, not in a separator
      {"d" HYOU "\\", HYOU, "t", "d" HYOU "/" HYOU ".t"},
      {"data", nullptr, "png", "data/.png"},
  };
  for (const auto& c : cases) {
    char out[DPATH_BUFFER_SIZE];
    DpathMake(out, c.dir, c.name, c.ext);
    EXPECT_STREQ(out, c.out) << (c.dir ? c.dir : "null") << " " << (c.name ? c.name : "null");
  }

  char inPlace[DPATH_BUFFER_SIZE] = "base";
  DpathMake(inPlace, inPlace, "file", "bin");
  EXPECT_STREQ(inPlace, "base/file.bin");
}

TEST(Dpath, LongPathsAreCutAtACharacterBoundary) {
  char out[DPATH_BUFFER_SIZE];
  const std::string dir262(262, 'd');
  DpathMake(out, dir262.c_str(), "x", "png");
  EXPECT_EQ(std::string(out), dir262 + "/");  // 263 bytes: no room for the name

  const std::string dir261(261, 'd');
  DpathMake(out, dir261.c_str(), HYOU, nullptr);
  // The '/' fits; the two-byte name would end at byte 264 and is left out whole rather than
  // leaving its lead byte alone at the end.
  EXPECT_EQ(std::string(out), dir261 + "/");

  const std::string name300(300, 'n');
  char dir[DPATH_BUFFER_SIZE];
  char name[DPATH_BUFFER_SIZE];
  DpathSplit(("a/" + name300).c_str(), dir, name, nullptr);
  EXPECT_STREQ(dir, "a/");
  EXPECT_EQ(std::strlen(name), 261u);

  const DString combined = DpathCombine(name300.c_str(), "/base/");
  EXPECT_LE(combined.GetLength(), 263u);
}

TEST(Dpath, PrependDirAndToSlash) {
  char buffer[DPATH_BUFFER_SIZE] = "file.txt";
  DpathPrependDir(nullptr, buffer);
  EXPECT_STREQ(buffer, "file.txt");
  DpathPrependDir("dir\\", buffer);
  EXPECT_STREQ(buffer, "dir\\file.txt");  // no separator added, nothing converted

  char text[] = "a\\" HYOU "\\" SO "\\b";
  DpathToSlash(text);
  EXPECT_STREQ(text, "a/" HYOU "/" SO "/b");
}

struct CombineCase {
  const char* relative;
  const char* base;
  const char* result;
};

TEST(Dpath, Combine) {
  const CombineCase cases[] = {
      {"../y.dat", "C:/a/b/", "C:/a/y.dat"},
      {"./y.dat", "C:/a/", "C:/a/y.dat"},
      {"D:/y", "C:/a/", "D:/y"},
      {"/y", "C:/a/", "C:/y"},
      {"../../y", "/a/", "/../../y"},  // climbing past the root
      {"../y", "/a/", "/y"},
      {"y", "", "y"},
      {"", "/a/", "/a/"},
      {"x", "a/", "x"},  // a base without a root leaves relative as it is
      {"..\\y.dat", "C:\\a\\b", "C:/a/y.dat"},
      {".../y", "/a/b/c/", "/a/y"},
      {"..a/y", "/a/b/", "/a/b/..a/y"},  // a name that begins with dots does not climb
      {"./../y", "/a/b/", "/a/y"},
      {"C:y", "C:/a/", "C:/a/y"},
      {"s/t", "/a/b", "/a/b/s/t"},
      // Trail bytes 0x5C in base and relative are characters, not separators.
      {"../y", "/" HYOU "/" SO "/", "/" HYOU "/y"},
      {"../" HYOU "/" SO ".dat", "C:/a/b/", "C:/a/" HYOU "/" SO ".dat"},
      {HYOU, "/d" SO, "/d" SO "/" HYOU},
  };
  for (const auto& c : cases) {
    const DString result = DpathCombine(c.relative, c.base);
    EXPECT_STREQ(result.GetText(), c.result) << c.relative << " + " << c.base;
  }
}

TEST(Dpath, IsFileFindsRegularFilesWithoutRegardToCase) {
  TempDir dir(TEST_BINARY_DIR, "dbtl");
  dir.Write("Data.BIN", {1, 2, 3});
  ASSERT_EQ(::mkdir(dir.Path("Sub").c_str(), 0755), 0);
  EXPECT_TRUE(DpathIsFile(dir.Path("Data.BIN").c_str()));
  EXPECT_TRUE(DpathIsFile(dir.Path("data.bin").c_str()));
  EXPECT_FALSE(DpathIsFile(dir.Path("sub").c_str()));
  EXPECT_FALSE(DpathIsFile(dir.Path("missing").c_str()));
  EXPECT_FALSE(DpathIsFile(nullptr));
}

}  // namespace
