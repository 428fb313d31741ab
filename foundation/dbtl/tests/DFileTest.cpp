#include "foundation/dbtl/DFile.h"

#include "foundation/dbtl/DExceptFile.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/FileBytes.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace dbtl;

uint8_t byteAt(size_t i) { return static_cast<uint8_t>(i * 131 ^ i >> 8); }

std::vector<uint8_t> pattern(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = byteAt(i);
  return bytes;
}

int descriptorsOpenOn(const std::string& path) {
  const auto target = std::filesystem::canonical(path);
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) == target) ++count;
  }
  return count;
}

enum class Source { Disk, Override };

class DFileTest : public ::testing::TestWithParam<Source> {
 protected:
  void SetUp() override {
    m_dataPath = m_dir.Write("data.bin", pattern(1000));
    DMemorySource::destroyed = 0;
  }

  // Opens file on 1000 pattern bytes, from the disk or from a memory source.
  void OpenData(DFile& file) {
    if (GetParam() == Source::Disk) {
      ASSERT_TRUE(file.Open(m_dataPath.c_str(), DFILE_READ));
    } else {
      rcptr<DDataOverride> source;
      rcptr<DMemorySource> memory;
      memory.Create(1);
      memory->data = pattern(1000);
      source = memory;
      ASSERT_TRUE(file.OpenOverride("memory", source));
    }
  }

  TempDir m_dir{TEST_BINARY_DIR, "dbtl"};
  std::string m_dataPath;
};

TEST_P(DFileTest, TwoWindowsReadAlternately) {
  DFile file;
  OpenData(file);
  DFile first;
  DFile second;
  ASSERT_TRUE(first.OpenRange(file, 100, 50));
  ASSERT_TRUE(second.OpenRange(file, 500, -1));
  for (size_t round = 0; round < 5; ++round) {
    uint8_t a[10];
    uint8_t b[10];
    ASSERT_EQ(first.Read(a, 10), 10);
    ASSERT_EQ(second.Read(b, 10), 10);
    for (size_t i = 0; i < 10; ++i) {
      EXPECT_EQ(a[i], byteAt(100 + round * 10 + i));
      EXPECT_EQ(b[i], byteAt(500 + round * 10 + i));
    }
  }
  EXPECT_EQ(first.Read(nullptr, 10), -1);  // the 50-byte window is used up
}

struct SeekCase {
  int64_t start;
  int64_t distance;
  int mode;
  bool ok;
  int64_t after;
};

TEST_P(DFileTest, SeeksStayInsideTheirWindow) {
  DFile file;
  OpenData(file);
  DFile window;
  ASSERT_TRUE(window.OpenRange(file, 100, 10));
  const SeekCase cases[] = {
      {0, 10, DSEEK_BEGIN, true, 10},    {0, 11, DSEEK_BEGIN, false, 10},
      {5, -1, DSEEK_BEGIN, false, 0},    {5, 3, DSEEK_CURRENT, true, 8},
      {8, 3, DSEEK_CURRENT, false, 10},  {5, -6, DSEEK_CURRENT, false, 0},
      {5, -5, DSEEK_CURRENT, true, 0},   {0, 0, DSEEK_END, true, 10},
      {0, -4, DSEEK_END, true, 6},       {3, -11, DSEEK_END, false, 0},
      {3, 1, DSEEK_END, false, 10},      {3, 2, 3, false, 3},
      {3, 0, 0, false, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " " << c.distance << " mode " << c.mode);
    ASSERT_TRUE(window.Seek(c.start, DSEEK_BEGIN));
    EXPECT_EQ(window.Seek(c.distance, c.mode), c.ok);
    EXPECT_EQ(window.Tell(), c.after);
    uint8_t byte = 0;
    if (c.after < 10) {
      // The byte read is the one at the reported position: the source really went there.
      ASSERT_EQ(window.Read(&byte, 1), 1);
      EXPECT_EQ(byte, byteAt(100 + static_cast<size_t>(c.after)));
    } else {
      EXPECT_EQ(window.Read(&byte, 1), -1);
    }
  }
}

TEST_P(DFileTest, ReadsAreCutAtTheWindowEndAndFailBeyondIt) {
  DFile file;
  OpenData(file);
  DFile window;
  ASSERT_TRUE(window.OpenRange(file, 100, 10));
  uint8_t bytes[16];
  ASSERT_TRUE(window.Seek(6, DSEEK_BEGIN));
  EXPECT_EQ(window.Read(bytes, 16), 4);
  EXPECT_EQ(bytes[3], byteAt(109));
  EXPECT_EQ(window.Read(bytes, 1), -1);

  EXPECT_FALSE(window.SetThrowMode(true));
  EXPECT_THROW(window.Read(bytes, 1), DExceptFile);
  EXPECT_THROW(window.Seek(11, DSEEK_BEGIN), DExceptFile);
  EXPECT_EQ(window.Tell(), 10);
  EXPECT_TRUE(window.SetThrowMode(false));

  // The unbounded file reads 0 at its end.
  ASSERT_TRUE(file.Seek(0, DSEEK_END));
  EXPECT_EQ(file.Read(bytes, 16), 0);
  EXPECT_EQ(file.Tell(), 1000);
}

TEST_P(DFileTest, EndSeekOnAnUnboundedWindowStopsAtTheWindowStart) {
  DFile file;
  OpenData(file);
  DFile window;
  ASSERT_TRUE(window.OpenRange(file, 100, -1));
  EXPECT_EQ(window.GetSize(), 900);

  ASSERT_TRUE(window.Seek(300, DSEEK_BEGIN));
  EXPECT_FALSE(window.Seek(-950, DSEEK_END));  // 50 bytes before the window start
  EXPECT_EQ(window.Tell(), 0);
  uint8_t byte = 0;
  ASSERT_EQ(window.Read(&byte, 1), 1);
  EXPECT_EQ(byte, byteAt(100));

  EXPECT_TRUE(window.Seek(-900, DSEEK_END));
  EXPECT_EQ(window.Tell(), 0);
  EXPECT_TRUE(window.Seek(-10, DSEEK_END));
  EXPECT_EQ(window.Tell(), 890);
  uint8_t tail[16];
  EXPECT_EQ(window.Read(tail, 16), 10);
  EXPECT_EQ(tail[9], byteAt(999));
  EXPECT_FALSE(window.Seek(5, DSEEK_END));
  EXPECT_EQ(window.Tell(), 900);
}

TEST_P(DFileTest, WindowsOfWindows) {
  DFile file;
  OpenData(file);
  ASSERT_TRUE(file.Seek(40, DSEEK_BEGIN));
  DFile window;
  ASSERT_TRUE(window.OpenRange(file, -1, 20));  // starts at the file's current position
  EXPECT_EQ(window.GetSize(), 20);

  struct RangeCase {
    int64_t offset;
    int64_t length;
    bool opens;
    int64_t size;
  };
  const RangeCase cases[] = {
      {5, 100, true, 15},  // never past the parent's end
      {5, -1, true, 15},
      {5, 3, true, 3},
      {20, -1, true, 0},   // empty, right at the parent's end
      {21, 1, false, -1},  // beyond the parent's window
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << " " << c.length);
    DFile inner;
    EXPECT_EQ(inner.OpenRange(window, c.offset, c.length), c.opens);
    EXPECT_EQ(inner.IsOpen(), c.opens);
    EXPECT_EQ(inner.GetSize(), c.size);
    uint8_t byte = 0;
    if (c.size > 0) {
      ASSERT_EQ(inner.Read(&byte, 1), 1);
      EXPECT_EQ(byte, byteAt(40 + static_cast<size_t>(c.offset)));
    }
  }

  DFile copy;
  ASSERT_TRUE(copy.OpenRange(window, 0, -1));
  EXPECT_FALSE(copy.OpenRange(window, 0, -1));  // already open
  ASSERT_TRUE(copy.Seek(7, DSEEK_BEGIN));
  ASSERT_TRUE(copy.Reopen(file));
  EXPECT_EQ(copy.Tell(), 0);
  EXPECT_EQ(copy.GetSize(), 1000);
  EXPECT_STREQ(copy.GetPath(), file.GetPath());

  DFile closed;
  DFile none;
  EXPECT_FALSE(none.OpenRange(closed, 0, -1));
  EXPECT_EQ(closed.Tell(), -1);
  EXPECT_EQ(closed.GetSize(), -1);
  EXPECT_FALSE(closed.Close());
}

TEST_P(DFileTest, OneLockSharedByWindowsOnSeveralThreads) {
  DFile file;
  OpenData(file);
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&file, &mismatches, t] {
      DFile window;
      const int64_t start = t * 200;
      if (!window.OpenRange(file, start, 200)) {
        ++mismatches[t];
        return;
      }
      for (int round = 0; round < 400; ++round) {
        const int64_t at = (round * 37) % 184;
        uint8_t bytes[16];
        if (!window.Seek(at, DSEEK_BEGIN) || window.Read(bytes, 16) != 16) {
          ++mismatches[t];
          continue;
        }
        for (int i = 0; i < 16; ++i) {
          if (bytes[i] != byteAt(static_cast<size_t>(start + at + i))) ++mismatches[t];
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches, (std::vector<int>{0, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Sources, DFileTest, ::testing::Values(Source::Disk, Source::Override),
                         [](const auto& info) {
                           return info.param == Source::Disk ? "Disk" : "Override";
                         });

class DFileDiskTest : public ::testing::Test {
 protected:
  TempDir m_dir{TEST_BINARY_DIR, "dbtl"};
};

TEST_F(DFileDiskTest, OpenFlagsChooseHowTheFileIsCreated) {
  struct OpenCase {
    bool exists;
    uint32_t flags;
    bool opens;
    int64_t sizeAfter;  // -1: no file afterwards
  };
  const OpenCase cases[] = {
      {true, DFILE_READ, true, 3},
      {false, DFILE_READ, false, -1},
      {false, DFILE_WRITE | DFILE_NEW, true, 0},
      {true, DFILE_WRITE | DFILE_NEW, false, 3},
      {false, DFILE_WRITE | DFILE_CREATE, true, 0},
      {true, DFILE_WRITE | DFILE_CREATE, true, 3},
      {true, DFILE_WRITE | DFILE_CREATE | DFILE_NEW, true, 0},
      {false, DFILE_READ | DFILE_WRITE | DFILE_CREATE | DFILE_NEW, true, 0},
      {true, 0, false, 3},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(index);
    const std::string path = m_dir.Path("case" + std::to_string(index++));
    if (c.exists) m_dir.Write(path.substr(path.rfind('/') + 1), {1, 2, 3});
    DFile file;
    EXPECT_EQ(file.Open(path.c_str(), c.flags), c.opens);
    if (c.opens) {
      EXPECT_STREQ(file.GetPath(), path.c_str());
    }
    file.Close();
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    EXPECT_EQ(error ? -1 : static_cast<int64_t>(size), c.sizeAfter);
  }
}

TEST_F(DFileDiskTest, RefusedOpens) {
  const std::string path = m_dir.Write("Data.bin", {9, 8, 7});
  DFile file;
  ASSERT_TRUE(file.Open(m_dir.Path("DATA.BIN").c_str(), DFILE_READ));  // found without case
  uint8_t byte = 0;
  EXPECT_EQ(file.Read(&byte, 1), 1);
  EXPECT_EQ(byte, 9);
  EXPECT_FALSE(file.Open(path.c_str(), DFILE_READ));  // already open
  EXPECT_FALSE(file.OpenOverride(nullptr, rcptr<DDataOverride>()));

  DFile missing;
  EXPECT_FALSE(missing.SetThrowMode(true));
  EXPECT_THROW(missing.Open(m_dir.Path("none").c_str(), DFILE_READ), DExceptFile);
  EXPECT_TRUE(missing.GetThrowMode());
  EXPECT_FALSE(missing.Close());  // never threw from Close, and nothing was open

  DFile empty;
  EXPECT_FALSE(empty.OpenOverride("x", rcptr<DDataOverride>()));
}

TEST_F(DFileDiskTest, DescriptorIsClosedByItsLastSharer) {
  const std::string path = m_dir.Write("shared.bin", pattern(64));
  DFile file;
  ASSERT_TRUE(file.Open(path.c_str(), DFILE_READ));
  DFile window;
  ASSERT_TRUE(window.OpenRange(file, 8, -1));
  EXPECT_EQ(descriptorsOpenOn(path), 1);

  EXPECT_TRUE(file.Close());
  EXPECT_EQ(descriptorsOpenOn(path), 1);
  uint8_t byte = 0;
  ASSERT_EQ(window.Read(&byte, 1), 1);
  EXPECT_EQ(byte, byteAt(8));

  EXPECT_TRUE(window.Close());
  EXPECT_EQ(descriptorsOpenOn(path), 0);
  EXPECT_FALSE(window.Close());
}

TEST_F(DFileDiskTest, WritesThroughAWindowStayInsideIt) {
  const std::string path = m_dir.Path("out.bin");
  DFile file;
  ASSERT_TRUE(file.Open(path.c_str(), DFILE_READ | DFILE_WRITE | DFILE_CREATE | DFILE_NEW));
  const std::vector<uint8_t> zeros(20, 0);
  ASSERT_EQ(file.Write(zeros.data(), zeros.size()), 20);

  DFile window;
  ASSERT_TRUE(window.OpenRange(file, 5, 10));
  const std::vector<uint8_t> marks(20, 0xAB);
  ASSERT_TRUE(window.Seek(5, DSEEK_BEGIN));
  EXPECT_EQ(window.Write(marks.data(), marks.size()), 5);
  EXPECT_EQ(window.Write(marks.data(), 1), -1);

  ASSERT_TRUE(file.Seek(0, DSEEK_END));
  EXPECT_EQ(file.Write(marks.data(), 4), 4);  // an unbounded file grows
  EXPECT_TRUE(file.Flush());
  window.Close();
  file.Close();

  std::vector<uint8_t> expected(24, 0);
  for (size_t i = 10; i < 15; ++i) expected[i] = 0xAB;
  for (size_t i = 20; i < 24; ++i) expected[i] = 0xAB;
  EXPECT_EQ(readFileBytes(path), expected);
}

TEST(DFileOverride, SourceResultsAndLifetime) {
  DMemorySource::destroyed = 0;
  rcptr<DMemorySource> memory;
  memory.Create(1);
  memory->data = {1, 2, 3, 4};
  DMemorySource* source = memory.Get();

  DFile file;
  ASSERT_TRUE(file.OpenOverride(nullptr, rcptr<DDataOverride>(memory)));
  memory.Reset();
  EXPECT_STREQ(file.GetPath(), "(override)");
  DFile window;
  ASSERT_TRUE(window.OpenRange(file, 1, 2));
  EXPECT_STREQ(window.GetPath(), "(override)");

  uint8_t bytes[4];
  source->failReads = true;
  EXPECT_EQ(window.Read(bytes, 2), -1);
  EXPECT_EQ(window.Tell(), 0);
  EXPECT_FALSE(file.SetThrowMode(true));
  EXPECT_THROW(file.Read(bytes, 1), DExceptFile);
  source->failReads = false;

  EXPECT_TRUE(window.Flush());
  EXPECT_EQ(source->flushes, 1);

  file.Close();
  EXPECT_FALSE(file.GetThrowMode());  // Close turns throw mode off
  EXPECT_EQ(DMemorySource::destroyed, 0);
  ASSERT_EQ(window.Read(bytes, 4), 2);
  EXPECT_EQ(bytes[0], 2);
  window.Close();
  EXPECT_EQ(DMemorySource::destroyed, 1);
}

}  // namespace
