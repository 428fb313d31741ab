#include "foundation/dbtl/DMFile.h"

#include "foundation/dbtl/DExceptFile.h"
#include "foundation/dbtl/tests/ReadAll.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/DmfBuilder.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace dbtl;

std::string EntryText(DMFile& container, const char* name) {
  DFile entry;
  if (!container.OpenEntry(name, entry)) return "<missing>";
  return ReadAll(entry);
}

class DMFileTest : public ::testing::Test {
 protected:
  // Opens the bytes as a disk file in m_file.
  void OpenBytes(const std::vector<uint8_t>& bytes) {
    const std::string path = m_dir.Write("container.dmf", bytes);
    ASSERT_TRUE(m_file.Open(path.c_str(), DFILE_READ));
  }

  TempDir m_dir{TEST_BINARY_DIR, "dbtl"};
  DFile m_file;
  DMFile m_container;
};

TEST_F(DMFileTest, EntriesReadThroughTheirWindows) {
  OpenBytes(DmfBuilder().Add("first", "one").Add("second", "second bytes").Add("empty", "").Bytes());
  ASSERT_TRUE(m_container.Open(m_file));
  EXPECT_EQ(EntryText(m_container, "first"), "one");
  EXPECT_EQ(EntryText(m_container, "second"), "second bytes");
  EXPECT_EQ(EntryText(m_container, "empty"), "");
  EXPECT_EQ(EntryText(m_container, "third"), "<missing>");
  EXPECT_EQ(m_container.FindEntry(nullptr), nullptr);
  DMFile::DMFileINFO* entry = m_container.FindEntry("second");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->nameLength, 6u);
  EXPECT_STREQ(entry->window.GetPath(), (m_dir.Path("container.dmf") + " | second").c_str());
}

// An index longer than the first piece read for it (several kilobytes of names) opens whole, and
// one cut inside its last entry is a failed read, as a short index always was.
TEST_F(DMFileTest, LongIndexesAreReadInPieces) {
  DmfBuilder builder;
  for (int i = 0; i < 600; ++i) builder.Add("entry-with-a-long-name-" + std::to_string(i), "x");
  std::vector<uint8_t> bytes = builder.Bytes();
  OpenBytes(bytes);
  ASSERT_TRUE(m_container.Open(m_file));
  EXPECT_EQ(EntryText(m_container, "entry-with-a-long-name-599"), "x");
  EXPECT_EQ(m_file.Tell(), int64_t(bytes.size()) - 600);  // just past the index

  // Entries of no bytes at offset 0 all lie inside, so only the cut is left to fail on.
  m_file.Close();
  DmfBuilder empty;
  for (int i = 0; i < 600; ++i) {
    const std::string name = "entry-with-a-long-name-" + std::to_string(i);
    empty.AddRaw(name, 0, 0, static_cast<uint32_t>(name.size()));
  }
  bytes = empty.Bytes();
  bytes.pop_back();  // the last entry's size loses its last byte
  OpenBytes(bytes);
  DMFile cut;
  m_file.SetThrowMode(true);
  EXPECT_THROW(cut.Open(m_file), DExceptFile);
  EXPECT_FALSE(cut.IsOpen());
}

// Only single-byte 'A' to 'Z' fold; the trail byte of a two-byte character is kept, so "ア"
// (83 41) and "ャ" (83 61) stay different names.
TEST_F(DMFileTest, LookupsFoldAsciiLettersOnly) {
  OpenBytes(DmfBuilder().Add("Spec", "s").Add("\x83\x41", "a").Add("Dir/Name.TXT", "n").Bytes());
  ASSERT_TRUE(m_container.Open(m_file));
  struct Case {
    const char* query;
    const char* found;
  };
  const Case cases[] = {
      {"spec", "s"},         {"SPEC", "s"},          {"Spec", "s"},
      {"sPeC", "s"},         {"spec ", "<missing>"}, {"spe", "<missing>"},
      {"\x83\x41", "a"},     {"\x83\x61", "<missing>"},
      {"dir/name.txt", "n"}, {"DIR/NAME.TXT", "n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    EXPECT_EQ(EntryText(m_container, c.query), c.found);
  }
  EXPECT_STREQ(m_container.FindEntry("SPEC")->name, "spec");
}

TEST_F(DMFileTest, EntryWindowsAreBounded) {
  OpenBytes(DmfBuilder().Add("a", "12345").Add("b", "tail").Bytes());
  ASSERT_TRUE(m_container.Open(m_file));
  DFile entry;
  ASSERT_TRUE(m_container.OpenEntry("a", entry));
  EXPECT_EQ(entry.GetSize(), 5);
  char buffer[16];
  EXPECT_EQ(entry.Read(buffer, sizeof buffer), 5);  // never runs into entry "b"
  EXPECT_EQ(entry.Read(buffer, 1), -1);
  EXPECT_FALSE(entry.Seek(6, DSEEK_BEGIN));
  EXPECT_EQ(entry.Tell(), 5);
  // A target that is already open is refused.
  EXPECT_FALSE(m_container.OpenEntry("b", entry));
}

TEST_F(DMFileTest, ContainerOutlivesTheCallersFile) {
  OpenBytes(DmfBuilder().Add("kept", "still here").Bytes());
  ASSERT_TRUE(m_container.Open(m_file));
  m_file.Close();
  EXPECT_EQ(EntryText(m_container, "kept"), "still here");
}

// Offsets count from the start of the window the container is opened on.
TEST_F(DMFileTest, OffsetsAreRelativeToTheFilesWindow) {
  std::vector<uint8_t> bytes(100, 0xEE);
  const std::vector<uint8_t> container = DmfBuilder().Add("x", "inside").Bytes();
  bytes.insert(bytes.end(), container.begin(), container.end());
  OpenBytes(bytes);
  DFile window;
  ASSERT_TRUE(window.OpenRange(m_file, 100, -1));
  ASSERT_TRUE(m_container.Open(window));
  EXPECT_EQ(EntryText(m_container, "x"), "inside");
}

TEST_F(DMFileTest, EmptyIndexOpensAndFindsNothing) {
  OpenBytes(DmfBuilder().Bytes());
  ASSERT_TRUE(m_container.Open(m_file));
  EXPECT_TRUE(m_container.IsOpen());
  EXPECT_EQ(m_container.FindEntry(""), nullptr);
}

// Every refused container is left closed and empty, and the caller's throw mode is as before.
TEST_F(DMFileTest, BadContainersFailToOpen) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  const std::vector<uint8_t> truncatedIndex = [] {
    auto b = DmfBuilder().Add("name", "data").Bytes();
    b.resize(14);
    return b;
  }();
  const Case cases[] = {
      {"wrong magic", DmfBuilder().Magic("DMF!").Add("a", "b").Bytes()},
      {"short header", {'D', 'M', 'F', ' ', 1}},
      {"names equal but for case", DmfBuilder().Add("Same", "1").Add("sAME", "2").Bytes()},
      {"name of 264 bytes", DmfBuilder().AddRaw(std::string(264, 'n'), 0, 0, 264).Bytes()},
      {"index cut short", truncatedIndex},
      {"entry past the end", DmfBuilder().Add("a", "abc").AddRaw("lie", 8, 1000, 3).Bytes()},
      {"offset past the end", DmfBuilder().AddRaw("lie", 0xFFFFFFF0u, 0x20, 3).Bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DMemorySource* raw = nullptr;
    rcptr<DMemorySource> source;
    source.Create(1);
    raw = source.Get();
    raw->data = c.bytes;
    DFile file;
    ASSERT_TRUE(file.OpenOverride("mem", source));
    DMFile container;
    EXPECT_FALSE(container.Open(file));
    EXPECT_FALSE(container.IsOpen());
    EXPECT_EQ(container.FindEntry("a"), nullptr);
    EXPECT_FALSE(file.GetThrowMode());
  }
}

// In throw mode, a short read or a bad name length propagates as DExceptFile, but the container
// is closed first and the file keeps its throw mode.
TEST_F(DMFileTest, ThrowModeFileSeesIndexReadErrors) {
  OpenBytes(DmfBuilder().Add("ok", "fine").AddRaw(std::string(264, 'n'), 0, 0, 264).Bytes());
  m_file.SetThrowMode(true);
  EXPECT_THROW(m_container.Open(m_file), DExceptFile);
  EXPECT_FALSE(m_container.IsOpen());
  EXPECT_EQ(m_container.FindEntry("ok"), nullptr);
  EXPECT_TRUE(m_file.GetThrowMode());
  // Failures that are not read errors still answer false.
  DFile other;
  const std::string path = m_dir.Write("dup.dmf", DmfBuilder().Add("a", "1").Add("A", "2").Bytes());
  ASSERT_TRUE(other.Open(path.c_str(), DFILE_READ));
  other.SetThrowMode(true);
  EXPECT_FALSE(m_container.Open(other));
}

TEST_F(DMFileTest, EntriesKeepTheCallersThrowMode) {
  OpenBytes(DmfBuilder().Add("a", "xy").Bytes());
  m_file.SetThrowMode(true);
  ASSERT_TRUE(m_container.Open(m_file));
  DFile entry;
  ASSERT_TRUE(m_container.OpenEntry("a", entry));
  char buffer[4];
  EXPECT_EQ(entry.Read(buffer, 4), 2);
  EXPECT_THROW(entry.Read(buffer, 1), DExceptFile);
}

// A second Open is refused and leaves the open container and its entries as they were.
TEST_F(DMFileTest, OpenOnAnOpenContainerIsRefused) {
  OpenBytes(DmfBuilder().Add("a", "first").Bytes());
  ASSERT_TRUE(m_container.Open(m_file));
  DFile entry;
  ASSERT_TRUE(m_container.OpenEntry("a", entry));
  DFile other;
  const std::string path = m_dir.Write("other.dmf", DmfBuilder().Add("b", "second").Bytes());
  ASSERT_TRUE(other.Open(path.c_str(), DFILE_READ));
  EXPECT_FALSE(m_container.Open(other));
  EXPECT_TRUE(m_container.IsOpen());
  EXPECT_EQ(EntryText(m_container, "a"), "first");
  EXPECT_EQ(EntryText(m_container, "b"), "<missing>");
  EXPECT_EQ(ReadAll(entry), "first");
}

TEST_F(DMFileTest, OpenPathOpensAndRefusesMissingFiles) {
  const std::string path = m_dir.Write("p.dmf", DmfBuilder().Add("e", "by path").Bytes());
  EXPECT_FALSE(m_container.OpenPath(m_dir.Path("missing.dmf").c_str()));
  ASSERT_TRUE(m_container.OpenPath(path.c_str()));
  EXPECT_EQ(EntryText(m_container, "e"), "by path");
}

// Entries of one container share one file; reads from several threads each see their own bytes.
TEST_F(DMFileTest, EntriesCanBeReadFromSeveralThreads) {
  DmfBuilder builder;
  for (char c = 'a'; c <= 'd'; ++c) builder.Add(std::string(1, c), std::string(500, c));
  OpenBytes(builder.Bytes());
  ASSERT_TRUE(m_container.Open(m_file));
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (char c = 'a'; c <= 'd'; ++c) {
    threads.emplace_back([this, c, &wrong] {
      for (int i = 0; i < 50; ++i) {
        const char name[2] = {c, '\0'};
        if (EntryText(m_container, name) != std::string(500, c)) ++wrong;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
}

// The fixture writer makes containers this reader opens, and refuses what it would reject.
TEST_F(DMFileTest, DmfpackWritesReadableContainers) {
  const std::string tool = std::string(TEST_BIN_DIR) + "/dmfpack";
  m_dir.Write("one.bin", {'1', '1'});
  m_dir.Write("two.bin", {'2'});
  const std::string out = m_dir.Path("packed.dmf");
  const std::string command = tool + " " + out + " " + m_dir.Path("one.bin") + " Renamed=" +
                              m_dir.Path("two.bin");
  ASSERT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
  ASSERT_TRUE(m_container.OpenPath(out.c_str()));
  EXPECT_EQ(EntryText(m_container, "one.bin"), "11");
  EXPECT_EQ(EntryText(m_container, "renamed"), "2");

  const std::string duplicate = tool + " " + m_dir.Path("dup.dmf") + " A=" + m_dir.Path("one.bin") +
                                " a=" + m_dir.Path("two.bin") + " 2>/dev/null";
  EXPECT_EQ(WEXITSTATUS(std::system(duplicate.c_str())), 2);
  EXPECT_FALSE(std::filesystem::exists(m_dir.Path("dup.dmf")));
}

// The index parser on its own: what Open treats as a failed read (bytes that end inside the
// index, a name longer than 263 bytes) is told apart from a refusal, and every error says where.
TEST(DMFileParseIndexTest, SaysWhatWentWrongAndWhere) {
  const std::vector<uint8_t> good = DmfBuilder().Add("a", "xyz").Add("Bc", "").Bytes();
  struct Row {
    const char* what;
    std::vector<uint8_t> bytes;
    int64_t containerSize;
    bool ok;
    bool truncated;
    int code;
    size_t offset;
  };
  const std::vector<uint8_t> cut(good.begin(), good.begin() + 14);
  const Row rows[] = {
      {"whole", good, int64_t(good.size()), true, false, 0, 0},
      {"cut inside the first entry", cut, int64_t(good.size()), false, true, 0, 13},
      {"wrong magic", DmfBuilder().Magic("DMF!").Bytes(), 8, false, false, 0, 8},
      {"name of 264 bytes", DmfBuilder().AddRaw("", 0, 0, 264).Bytes(), 100, false, false,
       DMFILE_ERROR_NAME_LENGTH, 12},
      {"entry past the end", DmfBuilder().AddRaw("a", 20, 5, 1).Bytes(), 24, false, false, 0, 21},
  };
  for (const Row& r : rows) {
    const Parsed<DMFileIndex> parsed = DMFileParseIndex(r.bytes, r.containerSize);
    ASSERT_EQ(parsed.ok(), r.ok) << r.what;
    if (r.ok) {
      ASSERT_EQ(parsed.value().entries.size(), 2u);
      EXPECT_EQ(parsed.value().entries[1].name, "Bc");  // stored as written, folded by Open
      EXPECT_EQ(parsed.value().entries[0].offset, parsed.value().end);
      continue;
    }
    EXPECT_EQ(parsed.error().truncated, r.truncated) << r.what;
    EXPECT_EQ(parsed.error().code, r.code) << r.what;
    EXPECT_EQ(parsed.error().offset, r.offset) << r.what;
  }
}

}  // namespace
