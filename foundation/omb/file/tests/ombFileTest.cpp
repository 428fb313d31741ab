#include "foundation/omb/file/ombFile.h"

#include "foundation/omb/file/ombFileHandle.h"
#include "foundation/omb/ombLog.h"
#include "testsupport/FileLayerTest.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <numeric>
#include <thread>
#include <vector>

namespace {

using namespace ombfiletest;

class ombFile : public FileLayerTest {};

Bytes counting(std::size_t n) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) {
    bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  }
  return bytes;
}

TEST_F(ombFile, ReadViewsOfOneFileShareADescriptorAndKeepTheirOwnPositions) {
  const Bytes data = counting(3000);
  const std::u16string name = write("shared.bin", data);
  OMB_FILE* a = ombFileOpen(OMB_FILE_MODE_READ_DISK, name.c_str(), 0);
  OMB_FILE* b = ombFileOpen(OMB_FILE_MODE_READ, name.c_str(), 0);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->handle, b->handle);
  EXPECT_EQ(a->handle->records.count, 2u);
  EXPECT_EQ(std::u16string(a->name), name);

  // Interleaved reads: each view reads from its own position although the descriptor is shared.
  uint8_t chunk[10];
  uint32_t count = 0;
  ASSERT_EQ(ombFileRead(&count, chunk, 10, a), OMB_OK);
  ASSERT_EQ(ombFileSeek(b, 2000, OMB_FILE_SEEK_BEGIN), OMB_OK);
  ASSERT_EQ(ombFileRead(&count, chunk, 10, b), OMB_OK);
  EXPECT_EQ(0, std::memcmp(chunk, data.data() + 2000, 10));
  ASSERT_EQ(ombFileRead(&count, chunk, 10, a), OMB_OK);
  EXPECT_EQ(0, std::memcmp(chunk, data.data() + 10, 10));

  // Closing one view keeps the other usable.
  EXPECT_EQ(ombFileClose(a), OMB_OK);
  EXPECT_EQ(readRest(b), Bytes(data.begin() + 2010, data.end()));
  EXPECT_EQ(ombFileClose(b), OMB_OK);
  // With the last view gone the file is free for writing.
  EXPECT_TRUE(isUnheld(name));
}

TEST_F(ombFile, AFileOpenForWritingIsOpenOnlyOnceAndNeverBesideAReader) {
  struct Case {
    uint32_t first;
    uint32_t second;
    bool secondOpens;
  };
  const Case cases[] = {
      {OMB_FILE_MODE_READ_DISK, OMB_FILE_MODE_READ, true},
      {OMB_FILE_MODE_READ, OMB_FILE_MODE_WRITE, false},
      {OMB_FILE_MODE_READ_DISK, OMB_FILE_MODE_WRITE_ALT, false},
      {OMB_FILE_MODE_WRITE, OMB_FILE_MODE_READ_DISK, false},
      {OMB_FILE_MODE_WRITE_ALT, OMB_FILE_MODE_READ, false},
      {OMB_FILE_MODE_WRITE, OMB_FILE_MODE_WRITE_ALT, false},
  };
  const std::u16string name = write("exclusive.bin", bytesOf("data"));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << " then " << c.second);
    OMB_FILE* first = ombFileOpen(c.first, name.c_str(), 0);
    ASSERT_NE(first, nullptr);
    OMB_FILE* second = ombFileOpen(c.second, name.c_str(), 0);
    EXPECT_EQ(second != nullptr, c.secondOpens);
    ombFileClose(second);
    ombFileClose(first);
  }
}

// Linux paths are case-sensitive: two spellings are two files with two descriptors, and a reader
// of one does not lock the other.
TEST_F(ombFile, DescriptorsAreSharedPerExactPath) {
  const std::u16string lower = write("case.txt", bytesOf("lower"));
  const std::u16string upper = write("CASE.txt", bytesOf("upper"));
  OMB_FILE* reader = ombFileOpen(OMB_FILE_MODE_READ_DISK, lower.c_str(), 0);
  ASSERT_NE(reader, nullptr);
  OMB_FILE* writer = ombFileOpen(OMB_FILE_MODE_WRITE, upper.c_str(), OMB_FILE_OPEN_CREATE);
  ASSERT_NE(writer, nullptr);
  EXPECT_NE(reader->handle, writer->handle);
  EXPECT_EQ(ombFileWriteU32(writer, 0x41424344), OMB_OK);
  EXPECT_EQ(ombFileClose(writer), OMB_OK);
  EXPECT_EQ(readRest(reader), bytesOf("lower"));
  ombFileClose(reader);
  EXPECT_EQ(readAll(native("CASE.txt")), bytesOf("ABCD"));
}

TEST_F(ombFile, OpenFailures) {
  write("present.bin", bytesOf("x"));
  fs::create_directories(native("folder"));
  EXPECT_EQ(ombFileOpen(OMB_FILE_MODE_READ, path("missing.bin").c_str(), 0), nullptr);
  EXPECT_EQ(ombFileOpen(OMB_FILE_MODE_READ_DISK, path("folder").c_str(), 0), nullptr);
  // Without the create flag a write needs an existing file.
  EXPECT_EQ(ombFileOpen(OMB_FILE_MODE_WRITE, path("missing.bin").c_str(), 0), nullptr);
  EXPECT_FALSE(fs::exists(native("missing.bin")));
  // A path ending in "/" opens nothing in mode 0, not even a folder.
  EXPECT_EQ(ombFileOpen(OMB_FILE_MODE_READ, (path("folder") + u"/").c_str(), 0), nullptr);
  EXPECT_EQ(ombFileOpen(4, path("present.bin").c_str(), 0), nullptr);
}

TEST_F(ombFile, WriteWithoutTheCreateFlagOverwritesInPlace) {
  const std::u16string name = write("keep.bin", bytesOf("0123456789"));
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_WRITE, name.c_str(), 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ombFileWriteU16Array(file, u"AB", 2), OMB_OK);
  ombFileClose(file);
  EXPECT_EQ(readAll(native("keep.bin")), bytesOf(std::string("\0A\0B456789", 10)));

  file = ombFileOpen(OMB_FILE_MODE_WRITE_ALT, name.c_str(), OMB_FILE_OPEN_CREATE);
  ASSERT_NE(file, nullptr);
  ombFileClose(file);
  EXPECT_EQ(readAll(native("keep.bin")), Bytes());
}

TEST_F(ombFile, AReadPastTheEndDeliversWhatIsLeft) {
  const std::u16string name = write("short.bin", counting(20));
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ_DISK, name.c_str(), 0);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(ombFileSeek(file, -5, OMB_FILE_SEEK_END), OMB_OK);
  uint8_t bytes[10] = {};
  uint32_t count = 99;
  EXPECT_EQ(ombFileRead(&count, bytes, 10, file), OMB_OK);
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(0, std::memcmp(bytes, counting(20).data() + 15, 5));
  EXPECT_EQ(ombFileRead(&count, bytes, 10, file), OMB_OK);
  EXPECT_EQ(count, 0u);
  ombFileClose(file);
}

// Stored bytes equal to their offsets mod 256 are zeros once descrambled, whichever path a read
// takes: served from the buffer, refilling it, or straight into the destination.
TEST_F(ombFile, ScrambledReadsDescrambleByAbsoluteOffset) {
  Bytes stored(3000);
  std::iota(stored.begin(), stored.end(), uint8_t{0});
  const std::u16string name = write("scrambled.bin", stored);
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ_DISK, name.c_str(), OMB_FILE_OPEN_SCRAMBLED);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->flags & OMB_FILE_FLAG_SCRAMBLED, OMB_FILE_FLAG_SCRAMBLED);
  uint32_t total = 0;
  for (const uint32_t size : {10u, 1500u, 7u, 1024u, 1000u}) {
    Bytes chunk(size, 0xAA);
    uint32_t count = 0;
    ASSERT_EQ(ombFileRead(&count, chunk.data(), size, file), OMB_OK);
    chunk.resize(count);
    EXPECT_EQ(chunk, Bytes(count, 0)) << "read of " << size << " at " << total;
    total += count;
  }
  EXPECT_EQ(total, 3000u);
  ombFileClose(file);
}

TEST_F(ombFile, ScrambledWritesStoreEachByteXorItsOffset) {
  const std::u16string name = path("out.bin");
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_WRITE, name.c_str(),
                               OMB_FILE_OPEN_CREATE | OMB_FILE_OPEN_SCRAMBLED);
  ASSERT_NE(file, nullptr);
  const std::u16string zeros(700, u'\0');  // 1400 zero bytes: one full buffer and a rest
  ASSERT_EQ(ombFileWriteU16Array(file, zeros.c_str(), 700), OMB_OK);
  ASSERT_EQ(ombFileClose(file), OMB_OK);
  Bytes expected(1400);
  std::iota(expected.begin(), expected.end(), uint8_t{0});
  EXPECT_EQ(readAll(native("out.bin")), expected);
}

TEST_F(ombFile, SeekMovesWithinTheViewAndAFailureResetsItToTheStart) {
  const Bytes data = counting(100);
  const std::u16string name = write("seek.bin", data);
  struct Case {
    int64_t offset;
    uint32_t origin;
    int32_t result;
    uint64_t position;
  };
  const Case cases[] = {
      {100, OMB_FILE_SEEK_BEGIN, OMB_OK, 100},    {101, OMB_FILE_SEEK_BEGIN, OMB_ERR_IO, 0},
      {-1, OMB_FILE_SEEK_BEGIN, OMB_ERR_IO, 0},   {10, OMB_FILE_SEEK_CURRENT, OMB_OK, 50},
      {-40, OMB_FILE_SEEK_CURRENT, OMB_OK, 0},    {-41, OMB_FILE_SEEK_CURRENT, OMB_ERR_IO, 0},
      {-1, OMB_FILE_SEEK_END, OMB_OK, 99},        {1, OMB_FILE_SEEK_END, OMB_ERR_IO, 0},
      {INT64_MAX, OMB_FILE_SEEK_CURRENT, OMB_ERR_IO, 0}, {0, 3, OMB_ERR_IO, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << " from " << c.origin);
    OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ_DISK, name.c_str(), 0);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(ombFileSeek(file, 40, OMB_FILE_SEEK_BEGIN), OMB_OK);
    EXPECT_EQ(ombFileSeek(file, c.offset, c.origin), c.result);
    uint64_t position = 99;
    EXPECT_EQ(ombFileTell(&position, file), OMB_OK);
    EXPECT_EQ(position, c.position);
    // The next byte is the one at the new position, buffered or not.
    uint8_t next = 0;
    uint32_t count = 0;
    ASSERT_EQ(ombFileRead(&count, &next, 1, file), OMB_OK);
    if (c.position < data.size()) {
      EXPECT_EQ(next, data[c.position]);
    }
    ombFileClose(file);
  }
}

// Moves inside the buffered bytes keep the buffer; any other move refills it from the right place.
TEST_F(ombFile, SeeksAroundTheBufferReadTheRightBytes) {
  const Bytes data = counting(3000);
  const std::u16string name = write("buffer.bin", data);
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ_DISK, name.c_str(), 0);
  ASSERT_NE(file, nullptr);
  const std::pair<int64_t, uint32_t> moves[] = {
      {5, OMB_FILE_SEEK_CURRENT},    {1000, OMB_FILE_SEEK_CURRENT}, {2, OMB_FILE_SEEK_BEGIN},
      {1022, OMB_FILE_SEEK_CURRENT}, {-3, OMB_FILE_SEEK_END},       {1, OMB_FILE_SEEK_BEGIN},
  };
  for (const auto& [offset, origin] : moves) {
    ASSERT_EQ(ombFileSeek(file, offset, origin), OMB_OK);
    uint64_t at = 0;
    ombFileTell(&at, file);
    uint8_t pair[2] = {};
    uint32_t count = 0;
    ASSERT_EQ(ombFileRead(&count, pair, 2, file), OMB_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(pair[0], data[at]) << "at " << at;
    EXPECT_EQ(pair[1], data[at + 1]) << "at " << at;
  }
  ombFileClose(file);
}

TEST_F(ombFile, WriteViewsTellTheBufferedBytesAndSeekOnlyWithinTheFile) {
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_WRITE, path("w.bin").c_str(), OMB_FILE_OPEN_CREATE);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(ombFileWriteU64(file, 0x0102030405060708ull), OMB_OK);
  uint64_t value = 0;
  EXPECT_EQ(ombFileTell(&value, file), OMB_OK);
  EXPECT_EQ(value, 8u);
  EXPECT_EQ(ombFileGetSize(&value, file), OMB_OK);
  EXPECT_EQ(value, 0u);  // the descriptor's length: nothing is flushed yet

  EXPECT_EQ(ombFileSeek(file, 9, OMB_FILE_SEEK_BEGIN), OMB_ERR_IO);  // flushed, then refused
  EXPECT_EQ(ombFileTell(&value, file), OMB_OK);
  EXPECT_EQ(value, 0u);
  ASSERT_EQ(ombFileSeek(file, -2, OMB_FILE_SEEK_END), OMB_OK);
  ASSERT_EQ(ombFileWriteF32(file, 1.0f), OMB_OK);  // 3F 80 00 00 over the last two bytes
  ASSERT_EQ(ombFileSeek(file, 4, OMB_FILE_SEEK_BEGIN), OMB_OK);
  ASSERT_EQ(ombFileTruncate(file), OMB_OK);
  EXPECT_EQ(ombFileGetSize(&value, file), OMB_OK);
  EXPECT_EQ(value, 4u);
  ASSERT_EQ(ombFileWriteU32(file, 0xA0B0C0D0u), OMB_OK);
  EXPECT_EQ(ombFileCommit(file), OMB_OK);
  EXPECT_EQ(ombFileClose(file), OMB_OK);
  EXPECT_EQ(readAll(native("w.bin")), (Bytes{1, 2, 3, 4, 0xA0, 0xB0, 0xC0, 0xD0}));
}

TEST_F(ombFile, TypedValuesAreBigEndian) {
  const std::u16string name = write("typed.bin", {0x12, 0x34, 0x56, 0x78, 1, 2, 3, 4, 5, 6, 7,
                                                 8, 0x30, 0x42, 0x00, 0x41, 0xFF});
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ_DISK, name.c_str(), 0);
  ASSERT_NE(file, nullptr);
  uint32_t u32 = 0;
  uint64_t u64 = 0;
  char16_t units[3] = {u'x', u'x', u'x'};
  EXPECT_EQ(ombFileReadU32(&u32, file), OMB_OK);
  EXPECT_EQ(u32, 0x12345678u);
  EXPECT_EQ(ombFileReadU64(&u64, file), OMB_OK);
  EXPECT_EQ(u64, 0x0102030405060708ull);
  // Three units wanted, two and a half there: the whole ones are stored.
  EXPECT_EQ(ombFileReadU16Array(file, units, 3), OMB_ERR_IO);
  EXPECT_EQ(units[0], u'\u3042');
  EXPECT_EQ(units[1], u'A');
  ASSERT_EQ(ombFileSeek(file, -3, OMB_FILE_SEEK_END), OMB_OK);
  u32 = 7;
  EXPECT_EQ(ombFileReadU32(&u32, file), OMB_ERR_IO);
  EXPECT_EQ(u32, 7u);
  ombFileClose(file);
}

TEST_F(ombFile, ReadViewsRefuseWritesAndFlushes) {
  const Bytes data = counting(40);
  const std::u16string name = write("ro.bin", data);
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ_DISK, name.c_str(), 0);
  ASSERT_NE(file, nullptr);
  uint8_t first[4];
  uint32_t count = 0;
  ASSERT_EQ(ombFileRead(&count, first, 4, file), OMB_OK);
  EXPECT_EQ(ombFileWriteU32(file, 0), OMB_ERR_IO);
  EXPECT_EQ(ombFileWriteText(file, &count, u"x", 1), OMB_ERR_IO);
  EXPECT_EQ(ombFileFlush(file), OMB_ERR_SHORT);
  EXPECT_EQ(ombFileCommit(file), OMB_ERR_SHORT);
  EXPECT_EQ(ombFileTruncate(file), OMB_ERR_IO);
  // The read-ahead is intact.
  EXPECT_EQ(readRest(file), Bytes(data.begin() + 4, data.end()));
  EXPECT_EQ(ombFileClose(file), OMB_OK);
  EXPECT_EQ(readAll(native("ro.bin")), data);
}

// /dev/full takes the open and refuses every write: the buffered bytes are lost at close, and
// close says so.
TEST_F(ombFile, CloseReturnsTheResultOfItsFinalFlush) {
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_WRITE, u"/dev/full", 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ombFileWriteU32(file, 1), OMB_OK);  // buffered
  EXPECT_EQ(ombFileClose(file), OMB_ERR_SHORT);
  file = ombFileOpen(OMB_FILE_MODE_WRITE, u"/dev/full", 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ombFileFlush(file), OMB_OK);  // nothing buffered
  EXPECT_EQ(ombFileClose(file), OMB_OK);
}

TEST_F(ombFile, ExistenceMeansARegularFile) {
  write("here.bin", bytesOf("x"));
  fs::create_directories(native("dir"));
  struct Case {
    uint32_t mode;
    std::u16string path;
    int32_t result;
  };
  const Case cases[] = {
      {OMB_FILE_MODE_READ, path("here.bin"), OMB_OK},
      {OMB_FILE_MODE_WRITE, path("here.bin"), OMB_OK},
      {OMB_FILE_MODE_READ_DISK, relative("here.bin"), OMB_OK},
      {OMB_FILE_MODE_READ, path("dir"), OMB_ERR_NOT_FOUND},
      {OMB_FILE_MODE_READ, path("dir") + u"/", OMB_ERR_NOT_FOUND},
      {OMB_FILE_MODE_READ_DISK, path("nothing"), OMB_ERR_NOT_FOUND},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ombFileIsExist(c.mode, c.path.c_str()), c.result) << platform::utf16ToUtf8(c.path);
  }
}

// The output records whether another thread could take the file lock while the message was
// being written: the log output takes the log lock and then the file lock, so a report made
// inside the file lock could deadlock against it.
std::atomic<int> reports{0};
std::atomic<bool> fileLockWasFree{false};

void lockProbingOutput(int32_t, const char16_t* text) {
  ++reports;
  EXPECT_EQ(std::u16string(text), u"Error: [ombMempoolAllocateBlock] メモリプールの空きが無くなった");
  std::thread probe([] {
    if (ombFileLock().tryLock()) {
      ombFileLock().unlock();
      fileLockWasFree = true;
    }
  });
  probe.join();
}

void returningHook(int32_t) {}

TEST_F(ombFile, AnExhaustedRecordPoolIsReportedOutsideTheFileLock) {
  const std::u16string name = write("many.bin", bytesOf("x"));
  const std::u16string other = write("other.bin", bytesOf("y"));
  _ombFileSetRecordPoolGrowth(false);
  std::vector<OMB_FILE*> open;
  for (int i = 0; i < 16; ++i) {
    open.push_back(ombFileOpen(OMB_FILE_MODE_READ_DISK, name.c_str(), 0));
    ASSERT_NE(open.back(), nullptr);
  }
  ombLogSetOutput(lockProbingOutput);
  ombLogSetErrorHook(returningHook);
  EXPECT_EQ(ombFileOpen(OMB_FILE_MODE_READ_DISK, other.c_str(), 0), nullptr);
  ombLogSetOutput(nullptr);
  ombLogSetErrorHook(nullptr);
  EXPECT_EQ(reports, 1);
  EXPECT_TRUE(fileLockWasFree);
  for (OMB_FILE* file : open) {
    ombFileClose(file);
  }
  _ombFileSetRecordPoolGrowth(true);
  // The handle made for the failed open was released with it.
  EXPECT_TRUE(isUnheld(other));
}

// A handle freed by its last close is reused for the next file, with a path of its own.
TEST_F(ombFile, FreedHandlesAreReusedForOtherFiles) {
  const std::u16string first = write("first.bin", bytesOf("1"));
  const std::u16string second = write("second.bin", bytesOf("2"));
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ_DISK, first.c_str(), 0);
  ASSERT_NE(file, nullptr);
  OMB_FILE_HANDLE* handle = file->handle;
  ombFileClose(file);
  file = ombFileOpen(OMB_FILE_MODE_READ_DISK, second.c_str(), 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->handle, handle);
  EXPECT_EQ(std::u16string(file->name), second);
  EXPECT_EQ(readRest(file), bytesOf("2"));
  // The first path is no longer bound to the reused handle.
  EXPECT_TRUE(isUnheld(first));
  ombFileClose(file);
}

}  // namespace
