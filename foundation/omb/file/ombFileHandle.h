#pragma once

#include "foundation/omb/containers/ombHash.h"
#include "foundation/omb/containers/ombList.h"
#include "foundation/omb/containers/ombMempool.h"
#include "foundation/omb/file/ombFile.h"
#include "platform/kernel/NativeFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The file layer's own records and module state; used only by the ombFile*.cpp files, always
// under the file lock.

inline constexpr uint32_t OMB_FILE_ACCESS_READ = 1;
inline constexpr uint32_t OMB_FILE_ACCESS_WRITE = 2;

// One per distinct open file. Handles whose last record closed stay on the free list and are
// reused (last in, first out) with their path storage.
// The list link comes first: the handle lists use node offset 0 (the record is not standard
// layout, so offsetof cannot be taken).
struct OMB_FILE_HANDLE {
  OMB_LIST_LINK link{};  // in the open-handle or the free-handle list
  platform::NativeFile file;
  uint32_t access = 0;
  OMB_LIST records{};    // OMB_FILE records open on it
  // The resolved framework path with its case kept: the key in the handle table. Linux paths are
  // case-sensitive, so two spellings are two files here.
  std::u16string path;
};

struct OmbFileState {
  OMB_HASH handles{};     // 256 buckets, keyed by OMB_FILE_HANDLE::path
  OMB_LIST openHandles{};
  OMB_LIST freeHandles{};
  OMB_MEMPOOL records{};  // 16 OMB_FILE per chunk
  OMB_LIST archives{};    // registration order (ombFileArchive.cpp)
};

// The one state, valid between ombFileInit and ombFileUninit.
OmbFileState& ombFileState();

// Why an open made no record; reported by the public function after the lock is released (the
// log lock must never be taken inside the file lock).
enum class OmbFileOpenFailure { None, PoolExhausted, OutOfMemory };

// Opens a view on an existing handle: window offset and size, open flags. Null when no record
// could be had (failure set).
OMB_FILE* _ombFileOpenView(OMB_FILE_HANDLE* handle, uint64_t offset, uint64_t size,
                           uint32_t flags, OmbFileOpenFailure* failure);
// Opens a disk file by framework path in the mode (0 and 1 read, 2 and 3 write).
OMB_FILE* _ombFileOpen(uint32_t mode, const char16_t* path, uint32_t flags,
                       OmbFileOpenFailure* failure);
void _ombFileReportOpenFailure(OmbFileOpenFailure failure);

// Releases a record, and its handle with the last record, without flushing.
void _ombFileRelease(OMB_FILE* file);

// Writes n bytes through the buffer: 1, or OMB_ERR_IO (also on a view that cannot write).
int32_t _ombFileWrite(const void* data, OMB_FILE* file, uint32_t* count, uint32_t n);
// 1, OMB_ERR_NOT_WRITABLE without write access, OMB_ERR_SHORT for a short write, OMB_ERR_IO when
// the seek or the write failed; the buffer is empty afterwards in every case.
int32_t _ombFileFlushBuffer(OMB_FILE* file);

// The resolved (work buffer 0) and the native (work buffer 1) path, or null when the buffers
// could not grow.
const char16_t* _ombFileResolvePath(const char16_t* path);
const char16_t* _ombFileNativePath(const char16_t* resolved);

// Operating-system calls over the platform's file: the 64-bit length (-1 on failure) and a seek
// from the start.
int64_t _ombFileOsGetLength(const platform::NativeFile& file);
bool _ombFileOsSeek(platform::NativeFile& file, uint64_t offset);

// Candidate `index` of the image-name probing: the path itself, then the path + "." + each image
// extension ("png"); nothing past the last.
std::optional<std::u16string> _ombFileNextImageName(const char16_t* path, std::size_t index);
