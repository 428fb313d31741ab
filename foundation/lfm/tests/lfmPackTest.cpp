#include "foundation/lfm/lfmPack.h"

#include "foundation/dbtl/DCp932Text.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lfm/tests/LfmFixture.h"
#include "testsupport/DmfBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using dbtl::DFile;

std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

using lfmPackTest = LfmFixture;

TEST_F(lfmPackTest, NamesAreRegisteredOnceWithoutRegardToCase) {
  EXPECT_EQ(lfmRegistPack(""), 0);
  EXPECT_EQ(lfmRegistPack(nullptr), 0);
  EXPECT_EQ(lfmRegistPack((m_name + "-Alpha").c_str()), 1);
  EXPECT_EQ(lfmRegistPack((m_name + "-ALPHA").c_str()), 1);
  EXPECT_EQ(lfmRegistPack((m_name + "-beta").c_str()), 2);
  lfmTerm();
  EXPECT_EQ(lfmRegistPack((m_name + "-beta").c_str()), 0);
}

TEST_F(lfmPackTest, DirectoryPackAndUnnamedPackReadBesideTheExecutable) {
  WriteModuleFile(m_name + "/sub/data.txt", Bytes("payload"));
  const int32_t unnamed = lfmRegistPack("");
  const int32_t directory = lfmRegistPack(m_name.c_str());
  char buffer[264];

  EXPECT_TRUE(lfmIsPackDataExist(directory, "sub/data.txt"));
  EXPECT_TRUE(lfmIsPackDataExist(directory, "sub\\data.txt"));
  EXPECT_FALSE(lfmIsPackDataExist(directory, "sub/none.txt"));
  EXPECT_STREQ(lfmGetPackFileName(directory, buffer, "sub/data.txt"),
               (m_module + m_name + "/sub/data.txt").c_str());
  DFile file;
  lfmOpenPackData(directory, file, "sub/data.txt");
  EXPECT_EQ(ReadAll(file), "payload");

  const std::string relative = m_name + "/sub/data.txt";
  EXPECT_TRUE(lfmIsPackDataExist(unnamed, relative.c_str()));
  EXPECT_STREQ(lfmGetPackFileName(unnamed, buffer, relative.c_str()), (m_module + relative).c_str());
  lfmOpenPackData(unnamed, file, relative.c_str());  // replaces what the file held
  EXPECT_EQ(ReadAll(file), "payload");
}

TEST_F(lfmPackTest, ContainerPackReadsEntries) {
  WriteModuleFile(m_name + ".dmf", DmfBuilder().Add("Tex/A.dgt", "texture").Add("b", "bee").Bytes());
  const int32_t pack = lfmRegistPack(m_name.c_str());
  EXPECT_TRUE(lfmIsPackDataExist(pack, "tex/a.DGT"));
  EXPECT_FALSE(lfmIsPackDataExist(pack, "tex/a"));
  char buffer[264];
  EXPECT_STREQ(lfmGetPackFileName(pack, buffer, "Tex\\A.dgt"), (m_name + "/Tex/A.dgt").c_str());

  DFile file;
  lfmOpenPackData(pack, file, "TEX/A.DGT");
  EXPECT_EQ(ReadAll(file), "texture");
  // An open file is replaced, as with every other kind of pack.
  lfmOpenPackData(pack, file, "b");
  EXPECT_EQ(ReadAll(file), "bee");

  EXPECT_EQ(m_capture.FatalText([&] { lfmOpenPackData(pack, file, "nope"); }),
            u"[lfmOpenPackData] 指定パック\"" + Utf16(m_name) + u"\"にファイル\"nope\"は存在しません");
}

TEST_F(lfmPackTest, BrokenContainerFileIsFatal) {
  const std::string path = WriteModuleFile(m_name + ".dmf", Bytes("not a container"));
  EXPECT_EQ(m_capture.FatalText([&] { lfmRegistPack(m_name.c_str()); }),
            u"[lfmRegistPack] パックファイル\"" + Utf16(path) + u"\"が異常です");
}

TEST_F(lfmPackTest, UnregisteredPackNumbersAreFatal) {
  lfmRegistPack("");
  char buffer[264];
  DFile file;
  for (const int32_t pack : {1, -1}) {
    SCOPED_TRACE(pack);
    const std::u16string number = Utf16(std::to_string(pack));
    EXPECT_EQ(m_capture.FatalText([&] { lfmGetPackFileName(pack, buffer, "x"); }),
              u"[lfmGetPackFileName] パック番号が異常(" + number + u")");
    EXPECT_EQ(m_capture.FatalText([&] { lfmIsPackDataExist(pack, "x"); }),
              u"[lfmIsPackDataExist] パック番号が異常(" + number + u")");
    EXPECT_EQ(m_capture.FatalText([&] { lfmOpenPackData(pack, file, "x"); }),
              u"[lfmOpenPackData] パック番号が異常(" + number + u")");
    EXPECT_EQ(m_capture.FatalText([&] { lfmSearchPackData(buffer, pack, "x", "png"); }),
              u"[lfmIsPackDataExist] パック番号が異常(" + number + u")");
  }
}

TEST_F(lfmPackTest, MissingFileIsFatalWithItsFullPath) {
  lfmRegistPack("");
  DFile file;
  const std::string missing = m_name + "/none.bin";
  EXPECT_EQ(m_capture.FatalText([&] { lfmOpenPackData(0, file, missing.c_str()); }),
            u"ファイル \"" + Utf16(m_module + missing) + u"\" を開けませんでした。");
  EXPECT_EQ(m_capture.FatalText([&] { lfmOpenFile(missing.c_str(), file, dbtl::DFILE_READ); }),
            u"ファイル \"" + Utf16(m_module + missing) + u"\" を開けませんでした。");
}

TEST_F(lfmPackTest, OverrideTakesOverExistenceTestsAndOpens) {
  // A container beside the executable is not opened while an override is installed.
  WriteModuleFile(m_name + ".dmf", DmfBuilder().Add("inside", "x").Bytes());
  dbtl::rcptr<RecordingOverride> override;
  override.Create(1);
  override->existing = {"a/b.txt"};
  const int32_t unnamed = lfmRegistPack("");
  lfmRegistOverride(override);
  const int32_t directory = lfmRegistPack(m_name.c_str());

  EXPECT_TRUE(lfmIsPackDataExist(unnamed, "a/b.txt"));
  EXPECT_FALSE(lfmIsPackDataExist(directory, "inside"));
  EXPECT_EQ(override->queries, (std::vector<std::string>{"a/b.txt", "inside"}));

  char buffer[264];
  EXPECT_STREQ(lfmGetPackFileName(unnamed, buffer, "a\\b.txt"), "a/b.txt");
  EXPECT_STREQ(lfmGetPackFileName(directory, buffer, "c.txt"), (m_name + "/c.txt").c_str());

  DFile file;
  lfmOpenPackData(directory, file, "c.txt");
  EXPECT_EQ(ReadAll(file), m_name + "/c.txt");
  file.Close();
  lfmOpenFile("rel/d.txt", file, dbtl::DFILE_WRITE | dbtl::DFILE_CREATE);
  using Opened = std::pair<std::string, uint32_t>;
  EXPECT_EQ(override->opened,
            (std::vector<Opened>{{m_name + "/c.txt", dbtl::DFILE_READ},
                                 {"rel/d.txt", dbtl::DFILE_WRITE | dbtl::DFILE_CREATE}}));

  // Fatal messages name the file as the override sees it.
  EXPECT_EQ(m_capture.FatalText([] { lerrFatalPackFile("x\\y.dgo", "[Test] bad \"%s\"", 0); }),
            u"[Test] bad \"x/y.dgo\"");
}

TEST_F(lfmPackTest, OnlyOneOverrideAtATime) {
  dbtl::rcptr<RecordingOverride> first;
  first.Create(1);
  dbtl::rcptr<RecordingOverride> second;
  second.Create(1);
  lfmRegistOverride(first);
  EXPECT_EQ(first.UseCount(), 2);
  EXPECT_EQ(m_capture.FatalText([&] { lfmRegistOverride(second); }),
            u"[lfmRegistOverride] すでにoverrideされている");
  lfmRegistOverride({});
  EXPECT_EQ(first.UseCount(), 1);
  lfmRegistOverride(second);
  lfmTerm();
  EXPECT_EQ(second.UseCount(), 1);
}

TEST_F(lfmPackTest, PackFileNamesInMessagesWithoutOverride) {
  const int32_t directory = lfmRegistPack(m_name.c_str());
  EXPECT_EQ(m_capture.FatalText([&] { lerrFatalPackFile("m.dgo", "[Test] %s", directory); }),
            u"[Test] " + Utf16(m_module + m_name + "/m.dgo"));
  lerrSetThreshold(3);
  lerrLogPackFile("m.dgo", 3, "[Test] load %s", directory);
  EXPECT_NE(m_capture.Log().find("[Test] load " + m_module + m_name + "/m.dgo\r\n"),
            std::string::npos);
}

// The name itself first, then the name with each extension in list order; the first that
// exists is the result.
TEST_F(lfmPackTest, SearchTriesTheNameThenEachExtensionInOrder) {
  struct Case {
    const char* what;
    std::set<std::string> existing;
    const char* list;
    std::vector<std::string> queries;
    const char* result;
    bool found;
  };
  const Case cases[] = {
      {"texture list", {"tex.png", "tex.bmp"}, "dgt:dgi:png:jpg:jpeg:bmp",
       {"tex", "tex.dgt", "tex.dgi", "tex.png"}, "tex.png", true},
      {"the name itself", {"tex", "tex.dgt"}, "dgt", {"tex"}, "tex", true},
      {"nothing exists", {}, "png:bmp", {"tex", "tex.png", "tex.bmp"}, "tex", false},
      {"line end stops the list", {"tex.bmp"}, "png\r\nbmp", {"tex", "tex.png"}, "tex", false},
      {"empty extension between colons", {}, "a::b", {"tex", "tex.a", "tex", "tex.b"}, "tex", false},
      {"trailing colon adds nothing", {}, "a:", {"tex", "tex.a"}, "tex", false},
      {"empty list", {}, "", {"tex"}, "tex", false},
      {"two-byte extension", {"tex.\x83\x3A"}, "\x83\x3A", {"tex", "tex.\x83\x3A"}, "tex.\x83\x3A",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    lfmTerm();
    dbtl::rcptr<RecordingOverride> override;
    override.Create(1);
    override->existing = c.existing;
    lfmRegistPack("");
    lfmRegistOverride(override);
    char result[264] = "untouched";
    EXPECT_EQ(lfmSearchPackData(result, 0, "tex", c.list), c.found);
    EXPECT_STREQ(result, c.result);
    EXPECT_EQ(override->queries, c.queries);
  }
}

TEST_F(lfmPackTest, SearchInAContainerPack) {
  WriteModuleFile(m_name + ".dmf", DmfBuilder().Add("img/Face.JPG", "j").Bytes());
  const int32_t pack = lfmRegistPack(m_name.c_str());
  char result[264];
  EXPECT_TRUE(lfmSearchPackData(result, pack, "img/face", "dgi:png:jpg:jpeg:bmp"));
  EXPECT_STREQ(result, "img/face.jpg");
}

}  // namespace
