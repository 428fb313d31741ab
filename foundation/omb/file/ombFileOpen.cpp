#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileArchive.h"
#include "foundation/omb/file/ombFileHandle.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/file/ombFileScramble.h"
#include "foundation/omb/file/ombPath.h"
#include "foundation/omb/file/ombPathState.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/text/ombChar.h"
#include "foundation/omb/text/ombString.h"
#include "platform/text/Utf8.h"

#include <new>
#include <string>

namespace {

const uint8_t kByteOrderMark[3] = {0xEF, 0xBB, 0xBF};

bool isWriteMode(uint32_t mode) {
  return mode == OMB_FILE_MODE_WRITE || mode == OMB_FILE_MODE_WRITE_ALT;
}

// Opens the native file for the access: read-only; write-only on an existing file; or
// write-only, created or truncated.
bool _ombFileOsOpen(platform::NativeFile& file, const char16_t* native, uint32_t access,
                    uint32_t flags) {
  using platform::NativeFile;
  const std::string bytes = platform::utf16ToUtf8(native);
  if (access == OMB_FILE_ACCESS_READ) {
    return file.open(bytes, NativeFile::Access::Read, NativeFile::Creation::OpenExisting);
  }
  return file.open(bytes, NativeFile::Access::Write,
                   (flags & OMB_FILE_OPEN_CREATE) ? NativeFile::Creation::CreateAlways
                                                  : NativeFile::Creation::OpenExisting);
}

// A handle from the free list (the last one freed) or a new one; null when the heap is out.
OMB_FILE_HANDLE* takeHandle() {
  OmbFileState& state = ombFileState();
  if (state.freeHandles.count != 0) {
    auto* handle = static_cast<OMB_FILE_HANDLE*>(
        ombListElement(&state.freeHandles, state.freeHandles.head.prev));
    ombListRemove(&state.freeHandles, &handle->link);
    return handle;
  }
  auto* handle = new (std::nothrow) OMB_FILE_HANDLE;
  if (handle) {
    ombListInit(&handle->records, offsetof(OMB_FILE, link));
  }
  return handle;
}

// Closes the descriptor and moves the handle (with its path storage) to the free list.
void freeHandle(OMB_FILE_HANDLE* handle) {
  OmbFileState& state = ombFileState();
  handle->file.close();
  ombHashRemove(&state.handles, handle->path.c_str());
  ombListRemove(&state.openHandles, &handle->link);
  ombListAppend(&state.freeHandles, &handle->link);
}

// A new handle for the resolved path, open with the access, or null.
OMB_FILE_HANDLE* openHandle(const char16_t* resolved, uint32_t access, uint32_t flags,
                            OmbFileOpenFailure* failure) {
  const char16_t* native = _ombFileNativePath(resolved);
  if (!native) {
    return nullptr;
  }
  platform::NativeFile file;
  if (!_ombFileOsOpen(file, native, access, flags)) {
    return nullptr;
  }
  OmbFileState& state = ombFileState();
  OMB_FILE_HANDLE* handle = takeHandle();
  if (!handle) {
    *failure = OmbFileOpenFailure::OutOfMemory;
    return nullptr;
  }
  handle->file = std::move(file);
  handle->access = access;
  handle->path = resolved;
  ombListAppend(&state.openHandles, &handle->link);
  if (ombHashInsert(&state.handles, handle->path.c_str(), handle) != OMB_OK) {
    freeHandle(handle);
    return nullptr;
  }
  return handle;
}

}  // namespace

const char16_t* _ombFileResolvePath(const char16_t* path) {
  return ombPathBuildInto(ombPathWorkBuffer(0), [path](char16_t* text, uint32_t capacity) {
    return ombPathResolve(text, nullptr, capacity, path);
  });
}

const char16_t* _ombFileNativePath(const char16_t* resolved) {
  return ombPathBuildInto(ombPathWorkBuffer(1), [resolved](char16_t* text, uint32_t capacity) {
    return ombPathToNative(text, capacity, resolved);
  });
}

int64_t _ombFileOsGetLength(const platform::NativeFile& file) {
  return file.size();
}

bool _ombFileOsSeek(platform::NativeFile& file, uint64_t offset) {
  return offset <= static_cast<uint64_t>(INT64_MAX) &&
         file.seek(static_cast<int64_t>(offset), platform::NativeFile::Origin::Begin) >= 0;
}

OMB_FILE* _ombFileOpenView(OMB_FILE_HANDLE* handle, uint64_t offset, uint64_t size,
                           uint32_t flags, OmbFileOpenFailure* failure) {
  auto* file = static_cast<OMB_FILE*>(ombMempoolAllocateBlock(&ombFileState().records));
  if (!file) {
    *failure = OmbFileOpenFailure::PoolExhausted;
    return nullptr;
  }
  file->flags = ((flags & OMB_FILE_OPEN_SCRAMBLED) ? OMB_FILE_FLAG_SCRAMBLED : 0) |
                ((flags & OMB_FILE_OPEN_TEXT) ? OMB_FILE_FLAG_TEXT : 0);
  file->handle = handle;
  file->windowOffset = offset;
  file->windowSize = size;
  file->position = 0;
  file->name = nullptr;
  file->bufferedCount = 0;
  file->bufferIndex = 0;
  if (handle->access == OMB_FILE_ACCESS_READ && (flags & OMB_FILE_OPEN_TEXT) && size >= 3) {
    uint8_t mark[3];
    if (_ombFileOsSeek(handle->file, offset) && handle->file.read(mark, 3) == 3) {
      if (file->flags & OMB_FILE_FLAG_SCRAMBLED) {
        ombFileScramble(mark, 3, offset);
      }
      if (mark[0] == kByteOrderMark[0] && mark[1] == kByteOrderMark[1] &&
          mark[2] == kByteOrderMark[2]) {
        file->flags |= OMB_FILE_FLAG_BOM;
      }
    }
  }
  ombListAppend(&handle->records, &file->link);
  return file;
}

OMB_FILE* _ombFileOpen(uint32_t mode, const char16_t* path, uint32_t flags,
                       OmbFileOpenFailure* failure) {
  if (mode > OMB_FILE_MODE_WRITE_ALT) {
    return nullptr;
  }
  const char16_t* resolved = _ombFileResolvePath(path);
  if (!resolved) {
    return nullptr;
  }
  OmbFileState& state = ombFileState();
  const bool write = isWriteMode(mode);
  auto* handle = static_cast<OMB_FILE_HANDLE*>(ombHashFind(&state.handles, resolved));
  bool fresh = false;
  if (handle) {
    // A file open for writing is open only once, and a file open at all is not opened for
    // writing.
    if (handle->access == OMB_FILE_ACCESS_WRITE || write) {
      return nullptr;
    }
  } else {
    handle = openHandle(resolved, write ? OMB_FILE_ACCESS_WRITE : OMB_FILE_ACCESS_READ, flags,
                        failure);
    if (!handle) {
      return nullptr;
    }
    fresh = true;
  }
  uint64_t size = 0;
  if (!write) {
    const int64_t length = _ombFileOsGetLength(handle->file);
    if (length < 0) {
      if (fresh) {
        freeHandle(handle);
      }
      return nullptr;
    }
    size = static_cast<uint64_t>(length);
  }
  OMB_FILE* file = _ombFileOpenView(handle, 0, size, flags, failure);
  if (!file) {
    if (fresh) {
      freeHandle(handle);
    }
    return nullptr;
  }
  file->name = handle->path.c_str();
  return file;
}

void _ombFileReportOpenFailure(OmbFileOpenFailure failure) {
  if (failure == OmbFileOpenFailure::PoolExhausted) {
    ombMempoolReportExhausted();
  } else if (failure == OmbFileOpenFailure::OutOfMemory) {
    ombCheckAlloc(nullptr);
  }
}

void _ombFileRelease(OMB_FILE* file) {
  OMB_FILE_HANDLE* handle = file->handle;
  ombListRemove(&handle->records, &file->link);
  ombMempoolReleaseBlock(&ombFileState().records, file);
  if (handle->records.count == 0) {
    freeHandle(handle);
  }
}

OMB_FILE* ombFileOpen(uint32_t mode, const char16_t* path, uint32_t flags) {
  OmbFileOpenFailure failure = OmbFileOpenFailure::None;
  OMB_FILE* file = nullptr;
  {
    platform::RecursiveMutexHold hold(ombFileLock());
    if (mode == OMB_FILE_MODE_READ) {
      std::u16string lowered(path);
      ombStrToLower(lowered.data());
      if (!lowered.empty() && lowered.back() == u'/') {
        return nullptr;
      }
      file = _ombFileArchiveOpen(lowered.c_str(), flags, &failure);
    }
    if (!file) {
      file = _ombFileOpen(mode, path, flags, &failure);
    }
  }
  // Reported outside the file lock: the log output takes the log lock and then the file lock.
  _ombFileReportOpenFailure(failure);
  return file;
}

int32_t ombFileClose(OMB_FILE* file) {
  if (!file) {
    return OMB_OK;
  }
  platform::RecursiveMutexHold hold(ombFileLock());
  int32_t result = OMB_OK;
  if (file->handle->access == OMB_FILE_ACCESS_WRITE && _ombFileFlushBuffer(file) < 0) {
    result = OMB_ERR_SHORT;
  }
  _ombFileRelease(file);
  return result;
}

int32_t ombFileIsExist(uint32_t mode, const char16_t* path) {
  platform::RecursiveMutexHold hold(ombFileLock());
  if (mode == OMB_FILE_MODE_READ) {
    const uint32_t length = ombStrLength(path);
    if (length > 0 && ombPathIsSeparator(path[length - 1])) {
      return OMB_ERR_NOT_FOUND;
    }
    std::u16string lowered(path);
    ombStrToLower(lowered.data());
    if (_ombFileArchiveContains(lowered.c_str())) {
      return OMB_OK;
    }
  }
  const char16_t* resolved = _ombFileResolvePath(path);
  const char16_t* native = resolved ? _ombFileNativePath(resolved) : nullptr;
  return native && platform::NativeFile::isRegularFile(platform::utf16ToUtf8(native))
             ? OMB_OK
             : OMB_ERR_NOT_FOUND;
}
