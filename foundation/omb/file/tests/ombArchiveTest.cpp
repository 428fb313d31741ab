#include "foundation/bytes/ByteWriter.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileArchiveIndex.h"
#include "testsupport/FileLayerTest.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace ombfiletest;

class ombArchive : public FileLayerTest {
 protected:
  std::optional<std::string> read(const std::u16string& name,
                                  uint32_t mode = OMB_FILE_MODE_READ) {
    const auto bytes = contents(mode, name);
    if (!bytes) {
      return std::nullopt;
    }
    return std::string(bytes->begin(), bytes->end());
  }
};

TEST_F(ombArchive, AnEntryShadowsTheDiskFileInModeZeroOnly) {
  const std::u16string name = relative("same.txt");
  write("same.txt", bytesOf("disk"));
  ASSERT_EQ(ombFileRegistPack(archive("a.dat", {{platform::utf16ToUtf8(name), "archive"},
                                                {"only/in/archive.txt", "inner"}})
                                  .c_str()),
            OMB_OK);
  EXPECT_EQ(read(name), "archive");
  EXPECT_EQ(read(name, OMB_FILE_MODE_READ_DISK), "disk");
  EXPECT_EQ(ombFileIsExist(OMB_FILE_MODE_READ, u"only/in/archive.txt"), OMB_OK);
  EXPECT_EQ(ombFileIsExist(OMB_FILE_MODE_READ_DISK, u"only/in/archive.txt"), OMB_ERR_NOT_FOUND);
  EXPECT_EQ(read(u"only/in/archive.txt", OMB_FILE_MODE_READ_DISK), std::nullopt);
}

TEST_F(ombArchive, LookupIgnoresCaseButDoesNotResolveThePath) {
  ASSERT_EQ(ombFileRegistPack(archive("a.dat", {{"Sys/Base.cnut", "base"}}).c_str()), OMB_OK);
  for (const char16_t* found : {u"sys/base.cnut", u"SYS/BASE.CNUT", u"Sys/Base.cnut"}) {
    EXPECT_EQ(read(found), "base") << platform::utf16ToUtf8(found);
    EXPECT_EQ(ombFileIsExist(OMB_FILE_MODE_READ, found), OMB_OK);
  }
  for (const char16_t* missed : {u"./sys/base.cnut", u"sys\\base.cnut", u"sys//base.cnut",
                                 u"sys/base.cnut/", u"sys/"}) {
    EXPECT_EQ(read(missed), std::nullopt) << platform::utf16ToUtf8(missed);
    EXPECT_EQ(ombFileIsExist(OMB_FILE_MODE_READ, missed), OMB_ERR_NOT_FOUND);
  }
}

TEST_F(ombArchive, TheFirstArchiveAndTheFirstDuplicateEntryWin) {
  ASSERT_EQ(ombFileRegistPack(
                archive("first.dat", {{"dup.txt", "one"}, {"DUP.TXT", "two"}, {"x", "first"}})
                    .c_str()),
            OMB_OK);
  ASSERT_EQ(ombFileRegistPack(archive("second.dat", {{"x", "second"}, {"y", "later"}}).c_str()),
            OMB_OK);
  EXPECT_EQ(read(u"dup.txt"), "one");
  EXPECT_EQ(read(u"x"), "first");
  EXPECT_EQ(read(u"y"), "later");
}

TEST_F(ombArchive, EmptyArchivesAndEmptyEntries) {
  ASSERT_EQ(ombFileRegistPack(archive("none.dat", {}).c_str()), OMB_OK);
  ASSERT_EQ(ombFileRegistPack(archive("some.dat", {{"empty", ""}, {"after", "data"}}).c_str()),
            OMB_OK);
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ, u"empty", 0);
  ASSERT_NE(file, nullptr);
  uint64_t size = 9;
  EXPECT_EQ(ombFileGetSize(&size, file), OMB_OK);
  EXPECT_EQ(size, 0u);
  uint8_t byte = 0;
  uint32_t count = 7;
  EXPECT_EQ(ombFileRead(&count, &byte, 1, file), OMB_OK);
  EXPECT_EQ(count, 0u);
  ombFileClose(file);
  EXPECT_EQ(read(u"after"), "data");
  EXPECT_EQ(read(u"missing"), std::nullopt);
}

// Entries are scrambled by their offset in the archive; a view descrambles by absolute offset,
// seeks inside the entry only, and flags a byte-order mark at the entry's own start.
TEST_F(ombArchive, EntryViewsAreWindowsOfTheArchive) {
  std::string big(3000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) {
    big[i] = static_cast<char>('a' + i % 26);
  }
  ASSERT_EQ(ombFileRegistPack(
                archive("a.dat", {{"lead", "123"}, {"big", big}, {"text", "\xEF\xBB\xBFhi"}})
                    .c_str()),
            OMB_OK);
  OMB_FILE* view = ombFileOpen(OMB_FILE_MODE_READ, u"big", 0);
  OMB_FILE* again = ombFileOpen(OMB_FILE_MODE_READ, u"BIG", 0);
  ASSERT_TRUE(view && again);
  EXPECT_EQ(view->handle, again->handle);  // the archive file's own descriptor
  EXPECT_EQ(std::u16string(view->name), u"big");
  EXPECT_EQ(ombFileSeek(view, 3001, OMB_FILE_SEEK_BEGIN), OMB_ERR_IO);
  ASSERT_EQ(ombFileSeek(view, -10, OMB_FILE_SEEK_END), OMB_OK);
  EXPECT_EQ(readRest(view), bytesOf(big.substr(2990)));
  EXPECT_EQ(readRest(again), bytesOf(big));
  ombFileClose(view);
  ombFileClose(again);

  OMB_FILE* text = ombFileOpen(OMB_FILE_MODE_READ, u"text", OMB_FILE_OPEN_TEXT);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->flags, OMB_FILE_FLAG_TEXT | OMB_FILE_FLAG_BOM | OMB_FILE_FLAG_SCRAMBLED);
  EXPECT_EQ(readRest(text), bytesOf("\xEF\xBB\xBFhi"));
  ombFileClose(text);
}

// An earlier archive holding an entry named like a later archive file must not stand in for it.
TEST_F(ombArchive, ArchiveFilesAreOpenedFromDiskOnly) {
  archive("later.dat", {{"inside.txt", "from the later archive"}});
  ASSERT_EQ(ombFileRegistPack(
                archive("earlier.dat", {{platform::utf16ToUtf8(relative("later.dat")), "junk"}})
                    .c_str()),
            OMB_OK);
  ASSERT_EQ(ombFileRegistPack(relative("later.dat").c_str()), OMB_OK);
  EXPECT_EQ(read(u"inside.txt"), "from the later archive");
  EXPECT_EQ(ombFileRegistPack(relative("absent.dat").c_str()), OMB_ERR_NOT_FOUND);
}

TEST_F(ombArchive, TheDirectoryModeNamesEntriesByRelativePath) {
  writeAll(native("tree/sys/Base.cnut"), bytesOf("script"));
  writeAll(native("tree/top.txt"), bytesOf("top"));
  runTool(native("tree.dat"), "--dir", native("tree"));
  ASSERT_EQ(ombFileRegistPack(path("tree.dat").c_str()), OMB_OK);
  EXPECT_EQ(read(u"sys/base.cnut"), "script");
  EXPECT_EQ(read(u"top.txt"), "top");
}

// A damaged archive is refused before anything is allocated for it and leaves nothing behind:
// its file is closed again (so it can be opened for writing) and none of its names is found.
TEST_F(ombArchive, DamagedArchivesAreRefused) {
  using Patch = std::function<void(Bytes&)>;
  auto putU32 = [](std::size_t at, uint32_t value) {
    return [at, value](Bytes& b) {
      for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    };
  };
  // Layout of the fixture: header 20, entry "ab" at 20 (length, 2 units, size at 28), entry
  // "cd" at 36 (size at 44), data from 52: "xyz" then "uvw".
  const size_t secondSize = 44;
  struct Case {
    const char* what;
    Patch patch;
  };
  const Case cases[] = {
      {"bad magic", putU32(0, 0x41414644)},
      {"non-zero second word", putU32(4, 1)},
      {"truncated header", [](Bytes& b) { b.resize(18); }},
      {"truncated index", [](Bytes& b) { b.resize(30); }},
      {"huge name length", putU32(20, 0xFFFFFFFF)},
      {"name longer than the file", putU32(20, 100)},
      {"huge count", putU32(16, 0xFFFFFFFF)},
      {"count beyond the index", putU32(16, 6)},
      {"data past the end", [](Bytes& b) { b.pop_back(); }},
      {"huge size", [&](Bytes& b) { putU32(secondSize, 0x7FFFFFFF)(b); }},
      {"sizes that overflow",
       [&](Bytes& b) {
         putU32(28, 0xFFFFFFFF)(b);
         putU32(32, 0xFFFFFFFF)(b);
       }},
      {"empty file", [](Bytes& b) { b.clear(); }},
  };
  const std::u16string good = archive("good.dat", {{"ab", "xyz"}, {"cd", "uvw"}});
  Bytes plain = readAll(native("good.dat"));
  ombFileScramble(plain.data(), plain.size(), 0);
  ASSERT_EQ(plain.size(), 58u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bytes = plain;
    c.patch(bytes);
    ombFileScramble(bytes.data(), bytes.size(), 0);
    const std::u16string name = write("bad.dat", bytes);
    EXPECT_EQ(ombFileRegistPack(name.c_str()), OMB_ERR_IO);
    EXPECT_EQ(ombFileIsExist(OMB_FILE_MODE_READ, u"ab"), OMB_ERR_NOT_FOUND);
    EXPECT_TRUE(isUnheld(name));
  }
  // The unpatched bytes register.
  EXPECT_EQ(ombFileRegistPack(good.c_str()), OMB_OK);
  EXPECT_EQ(read(u"cd"), "uvw");
}

// The index reader alone, over bytes in memory: offsets follow the index back to back.
TEST(ombArchiveIndex, OffsetsFollowTheIndex) {
  const Bytes index = {0x41, 0x41, 0x46, 0x43, 0, 0, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9, 0, 0, 0, 2,
                       0, 0, 0, 1, 0x30, 0x42, 0, 0, 0, 0, 0, 0, 0, 2,  // "あ", 2 bytes
                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,              // "", 0 bytes
                       'd', 'd'};
  OmbArchiveMemoryReader reader(index.data(), index.size());
  std::vector<OmbArchiveEntryInfo> entries;
  ASSERT_EQ(ombArchiveReadIndex(reader, index.size(), &entries), OMB_OK);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, u"\u3042");
  EXPECT_EQ(entries[0].offset, 46u);
  EXPECT_EQ(entries[0].size, 2u);
  EXPECT_EQ(entries[1].name, u"");
  EXPECT_EQ(entries[1].offset, 48u);
  EXPECT_EQ(entries[1].size, 0u);
}

// An index longer than the first piece read is read in growing pieces; the parser alone says
// when bytes end inside the index of a longer file, and where.
TEST(ombArchiveIndex, LongIndexIsReadInPieces) {
  ByteWriter w;
  w.u32be(OMB_ARCHIVE_MAGIC).u32be(0).zeros(8).u32be(3000);
  for (uint32_t i = 0; i < 3000; ++i) {
    w.u32be(20);
    for (int k = 0; k < 20; ++k) w.u16be(static_cast<uint16_t>(u'a' + (i + k) % 26));
    w.u64be(1);
  }
  w.zeros(3000);
  const std::vector<uint8_t> file = w.release();
  ASSERT_GT(file.size(), 2u * 64 * 1024);
  OmbArchiveMemoryReader reader(file.data(), file.size());
  std::vector<OmbArchiveEntryInfo> entries;
  ASSERT_EQ(ombArchiveReadIndex(reader, file.size(), &entries), OMB_OK);
  ASSERT_EQ(entries.size(), 3000u);
  EXPECT_EQ(entries[2999].offset, file.size() - 1);

  const size_t cut = 100;
  const auto prefix = ombArchiveParseIndex({file.data(), cut}, file.size());
  ASSERT_FALSE(prefix.ok());
  EXPECT_TRUE(prefix.error().truncated);
  EXPECT_EQ(prefix.error().offset, 76u);  // the second entry's name runs past the cut
  const auto whole = ombArchiveParseIndex({file.data(), cut}, cut);
  ASSERT_FALSE(whole.ok());
  EXPECT_FALSE(whole.error().truncated);
}

}  // namespace
