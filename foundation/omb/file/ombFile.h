#pragma once

#include "foundation/omb/containers/ombList.h"
#include "foundation/omb/ombResult.h"

#include <cstdint>

// The framework's file layer. Every file the program reads or writes through the framework is an
// OMB_FILE: a buffered view onto an operating-system file, or onto a window of one (an entry of
// a resource archive). All views of one file share one descriptor (one OMB_FILE_HANDLE per
// resolved path); each read seeks the shared descriptor first, so every operation runs under the
// file lock (ombFileLock(), ombFileModule.h), which every public function takes itself.
//
// Paths are framework paths (ombPath.h). Results follow ombResult.h: 1, or a negative code.

struct OMB_FILE_HANDLE;

inline constexpr uint32_t OMB_FILE_BUFFER_SIZE = 1024;

// Record flags.
inline constexpr uint32_t OMB_FILE_FLAG_TEXT = 1;       // opened as text, or written by WriteText
inline constexpr uint32_t OMB_FILE_FLAG_BOM = 2;        // the view begins with EF BB BF
inline constexpr uint32_t OMB_FILE_FLAG_SCRAMBLED = 4;  // position XOR on every byte

// Open modes.
inline constexpr uint32_t OMB_FILE_MODE_READ = 0;       // registered archives first, then disk
inline constexpr uint32_t OMB_FILE_MODE_READ_DISK = 1;  // disk only
inline constexpr uint32_t OMB_FILE_MODE_WRITE = 2;      // modes 2 and 3 behave alike
inline constexpr uint32_t OMB_FILE_MODE_WRITE_ALT = 3;

// Open flags.
inline constexpr uint32_t OMB_FILE_OPEN_CREATE = 1;  // write modes: create or truncate; else the
                                                     // file must exist and is not truncated
inline constexpr uint32_t OMB_FILE_OPEN_TEXT = 2;    // record flag TEXT, and the BOM test on read
inline constexpr uint32_t OMB_FILE_OPEN_SCRAMBLED = 4;

// Seek origins.
inline constexpr uint32_t OMB_FILE_SEEK_BEGIN = 0;
inline constexpr uint32_t OMB_FILE_SEEK_CURRENT = 1;
inline constexpr uint32_t OMB_FILE_SEEK_END = 2;

// One open view. Read views: `position` is the logical position inside the window and the buffer
// holds `bufferedCount` unread bytes from `bufferIndex` on, which lie at `position`. Write views:
// `position` is the offset of the first buffered byte and `bufferIndex` equals `bufferedCount`.
struct OMB_FILE {
  uint32_t flags;
  OMB_FILE_HANDLE* handle;
  uint64_t windowOffset;  // of the view's first byte in the operating-system file
  uint64_t windowSize;    // read views only
  uint64_t position;
  const char16_t* name;   // the archive entry's lower-cased name, or the handle's path
  uint8_t buffer[OMB_FILE_BUFFER_SIZE];
  uint32_t bufferedCount;
  uint32_t bufferIndex;
  OMB_LIST_LINK link;     // in the handle's record list
};

// Null for a missing file, a refused sharing combination (a file open for writing is open only
// once; a file open at all cannot be opened for writing), a failed size query, a path ending in
// "/" in mode 0, or an unknown mode. An exhausted record pool is reported at level 0 after the
// file lock is released.
OMB_FILE* ombFileOpen(uint32_t mode, const char16_t* path, uint32_t flags);
// Flushes a write view, releases the record and, with the last record, the descriptor. Returns
// the flush's result: 1, or OMB_ERR_SHORT when buffered bytes could not all be written. Null is 1.
int32_t ombFileClose(OMB_FILE* file);
// 1 when the path names a regular file (mode 0: also an archive entry), else OMB_ERR_NOT_FOUND.
int32_t ombFileIsExist(uint32_t mode, const char16_t* path);

// The first of the path and the path + ".png" that exists in the mode, opened without flags.
OMB_FILE* ombFileOpenImage(const char16_t* path, uint32_t mode);
int32_t ombFileIsImageExist(const char16_t* path);

// Reads up to `size` bytes; fewer only at the end of the view. 1 or OMB_ERR_IO.
int32_t ombFileRead(uint32_t* count, void* buffer, uint32_t size, OMB_FILE* file);
// The same without taking the lock: the caller holds ombFileLock().
int32_t _ombFileRead(uint32_t size, OMB_FILE* file, uint32_t* count, void* destination);

// Big-endian values. Reads: fewer bytes than the value is a failure (OMB_ERR_IO) and leaves the
// output unchanged; ReadU16Array stores the whole units read before a short one.
int32_t ombFileReadU32(uint32_t* out, OMB_FILE* file);
int32_t ombFileReadU64(uint64_t* out, OMB_FILE* file);
int32_t ombFileReadU16Array(OMB_FILE* file, char16_t* destination, uint32_t count);
int32_t ombFileWriteU32(OMB_FILE* file, uint32_t value);
int32_t ombFileWriteU64(OMB_FILE* file, uint64_t value);
int32_t ombFileWriteF32(OMB_FILE* file, float value);
int32_t ombFileWriteU16Array(OMB_FILE* file, const char16_t* units, uint32_t count);

// UTF-8 text: the byte-order mark when the file position is below 3, every LF, CR, CR LF or
// LF CR as CR LF, a unit 0 ends the text. `count` receives the characters and line ends written.
int32_t ombFileWriteText(OMB_FILE* file, uint32_t* count, const char16_t* text, uint32_t units);

// Origin 0 start, 1 current, 2 end. A target outside [0, size] fails and resets the view to
// position 0. 1 or OMB_ERR_IO.
int32_t ombFileSeek(OMB_FILE* file, int64_t offset, uint32_t origin);
// Write views count the bytes still buffered.
int32_t ombFileTell(uint64_t* out, OMB_FILE* file);
// Read views: the window size; write views: the descriptor's length.
int32_t ombFileGetSize(uint64_t* out, OMB_FILE* file);
// 1, or OMB_ERR_SHORT on any failure (also for a read view).
int32_t ombFileFlush(OMB_FILE* file);
// Flush and write through to the storage device; 1 or OMB_ERR_SHORT.
int32_t ombFileCommit(OMB_FILE* file);
// Flush, then end the file at the current position; 1 or OMB_ERR_IO.
int32_t ombFileTruncate(OMB_FILE* file);

// Registers a resource archive (ombFileArchive.h): 1, OMB_ERR_NOT_FOUND when the file cannot be
// opened from disk, OMB_ERR_IO for a read error or a bad or inconsistent index.
int32_t ombFileRegistPack(const char16_t* path);
