#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileHandle.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/file/ombFileScramble.h"
#include "platform/CheckedMath.h"

#include <cstring>

namespace {

bool writes(const OMB_FILE* file) {
  return file->handle->access == OMB_FILE_ACCESS_WRITE;
}

bool scrambled(const OMB_FILE* file) {
  return (file->flags & OMB_FILE_FLAG_SCRAMBLED) != 0;
}

void emptyBuffer(OMB_FILE* file) {
  file->bufferedCount = 0;
  file->bufferIndex = 0;
}

// Reads n bytes at the view's position into the destination (descrambled); the bytes read, or -1.
int64_t readAt(OMB_FILE* file, uint8_t* destination, uint32_t n) {
  const uint64_t at = file->windowOffset + file->position;
  if (!_ombFileOsSeek(file->handle->file, at)) {
    return -1;
  }
  const int64_t got = file->handle->file.read(destination, n);
  if (got > 0 && scrambled(file)) {
    ombFileScramble(destination, static_cast<std::size_t>(got), at);
  }
  return got;
}

// The target of a seek, or false when it overflows or falls outside [0, limit].
bool seekTarget(uint64_t from, int64_t offset, uint64_t limit, uint64_t* target) {
  if (from > static_cast<uint64_t>(INT64_MAX)) {
    return false;
  }
  const auto to = platform::checkedAdd<int64_t>(static_cast<int64_t>(from), offset);
  if (!to || *to < 0 || static_cast<uint64_t>(*to) > limit) {
    return false;
  }
  *target = static_cast<uint64_t>(*to);
  return true;
}

int32_t seekRead(OMB_FILE* file, int64_t offset, uint32_t origin) {
  uint64_t from = 0;
  switch (origin) {
    case OMB_FILE_SEEK_BEGIN: from = 0; break;
    case OMB_FILE_SEEK_CURRENT: from = file->position; break;
    case OMB_FILE_SEEK_END: from = file->windowSize; break;
    default: return OMB_ERR_IO;
  }
  uint64_t target = 0;
  if (!seekTarget(from, offset, file->windowSize, &target)) {
    return OMB_ERR_IO;
  }
  // A short move forward stays inside the buffered bytes.
  if (target >= file->position && target - file->position < file->bufferedCount) {
    const auto skip = static_cast<uint32_t>(target - file->position);
    file->bufferIndex += skip;
    file->bufferedCount -= skip;
  } else {
    emptyBuffer(file);
  }
  file->position = target;
  return OMB_OK;
}

int32_t seekWrite(OMB_FILE* file, int64_t offset, uint32_t origin) {
  if (_ombFileFlushBuffer(file) < 0) {
    return OMB_ERR_IO;
  }
  const int64_t length = _ombFileOsGetLength(file->handle->file);
  if (length < 0) {
    return OMB_ERR_IO;
  }
  uint64_t from = 0;
  switch (origin) {
    case OMB_FILE_SEEK_BEGIN: from = 0; break;
    case OMB_FILE_SEEK_CURRENT: from = file->position; break;
    case OMB_FILE_SEEK_END: from = static_cast<uint64_t>(length); break;
    default: return OMB_ERR_IO;
  }
  uint64_t target = 0;
  if (!seekTarget(from, offset, static_cast<uint64_t>(length), &target)) {
    return OMB_ERR_IO;
  }
  file->position = target;
  return OMB_OK;
}

}  // namespace

int32_t _ombFileRead(uint32_t size, OMB_FILE* file, uint32_t* count, void* destination) {
  *count = 0;
  auto* out = static_cast<uint8_t*>(destination);
  const uint64_t left = file->position < file->windowSize ? file->windowSize - file->position : 0;
  uint32_t n = left < size ? static_cast<uint32_t>(left) : size;
  if (n == 0) {
    return OMB_OK;
  }
  if (file->bufferedCount >= n) {
    std::memcpy(out, file->buffer + file->bufferIndex, n);
    file->bufferIndex += n;
    file->bufferedCount -= n;
    file->position += n;
    *count = n;
    return OMB_OK;
  }
  const uint32_t held = file->bufferedCount;
  std::memcpy(out, file->buffer + file->bufferIndex, held);
  file->position += held;
  *count = held;
  out += held;
  n -= held;
  emptyBuffer(file);
  if (n < OMB_FILE_BUFFER_SIZE) {
    const int64_t got = readAt(file, file->buffer, OMB_FILE_BUFFER_SIZE);
    if (got < 0) {
      return OMB_ERR_IO;
    }
    const uint32_t take = static_cast<uint64_t>(got) < n ? static_cast<uint32_t>(got) : n;
    std::memcpy(out, file->buffer, take);
    file->bufferIndex = take;
    file->bufferedCount = static_cast<uint32_t>(got) - take;
    file->position += take;
    *count += take;
    return OMB_OK;
  }
  const int64_t got = readAt(file, out, n);
  if (got < 0) {
    return OMB_ERR_IO;
  }
  file->position += static_cast<uint64_t>(got);
  *count += static_cast<uint32_t>(got);
  return OMB_OK;
}

int32_t ombFileRead(uint32_t* count, void* buffer, uint32_t size, OMB_FILE* file) {
  platform::RecursiveMutexHold hold(ombFileLock());
  return _ombFileRead(size, file, count, buffer);
}

int32_t _ombFileWrite(const void* data, OMB_FILE* file, uint32_t* count, uint32_t n) {
  *count = 0;
  // The buffer of a read view holds read-ahead bytes; writing into it would corrupt them.
  if (!writes(file)) {
    return OMB_ERR_IO;
  }
  const auto* in = static_cast<const uint8_t*>(data);
  for (;;) {
    const uint32_t room = OMB_FILE_BUFFER_SIZE - file->bufferedCount;
    const uint32_t take = n < room ? n : room;
    std::memcpy(file->buffer + file->bufferedCount, in, take);
    file->bufferedCount += take;
    file->bufferIndex = file->bufferedCount;
    *count += take;
    in += take;
    n -= take;
    if (n == 0) {
      return OMB_OK;
    }
    if (_ombFileFlushBuffer(file) < 0) {
      return OMB_ERR_IO;
    }
  }
}

int32_t _ombFileFlushBuffer(OMB_FILE* file) {
  if (!writes(file)) {
    return OMB_ERR_NOT_WRITABLE;
  }
  const uint32_t n = file->bufferedCount;
  if (n == 0) {
    return OMB_OK;
  }
  emptyBuffer(file);
  const uint64_t at = file->windowOffset + file->position;
  if (scrambled(file)) {
    ombFileScramble(file->buffer, n, at);
  }
  if (!_ombFileOsSeek(file->handle->file, at)) {
    return OMB_ERR_IO;
  }
  const int64_t put = file->handle->file.write(file->buffer, n);
  if (put < 0) {
    return OMB_ERR_IO;
  }
  file->position += static_cast<uint64_t>(put);
  return static_cast<uint64_t>(put) == n ? OMB_OK : OMB_ERR_SHORT;
}

int32_t ombFileSeek(OMB_FILE* file, int64_t offset, uint32_t origin) {
  platform::RecursiveMutexHold hold(ombFileLock());
  const int32_t result =
      writes(file) ? seekWrite(file, offset, origin) : seekRead(file, offset, origin);
  if (result < 0) {
    file->position = 0;
    emptyBuffer(file);
  }
  return result;
}

int32_t ombFileTell(uint64_t* out, OMB_FILE* file) {
  platform::RecursiveMutexHold hold(ombFileLock());
  *out = file->position + (writes(file) ? file->bufferedCount : 0);
  return OMB_OK;
}

int32_t ombFileGetSize(uint64_t* out, OMB_FILE* file) {
  platform::RecursiveMutexHold hold(ombFileLock());
  if (!writes(file)) {
    *out = file->windowSize;
    return OMB_OK;
  }
  const int64_t length = _ombFileOsGetLength(file->handle->file);
  if (length < 0) {
    return OMB_ERR_IO;
  }
  *out = static_cast<uint64_t>(length);
  return OMB_OK;
}

int32_t ombFileFlush(OMB_FILE* file) {
  platform::RecursiveMutexHold hold(ombFileLock());
  return _ombFileFlushBuffer(file) < 0 ? OMB_ERR_SHORT : OMB_OK;
}

int32_t ombFileCommit(OMB_FILE* file) {
  platform::RecursiveMutexHold hold(ombFileLock());
  return _ombFileFlushBuffer(file) < 0 || !file->handle->file.flush() ? OMB_ERR_SHORT : OMB_OK;
}

int32_t ombFileTruncate(OMB_FILE* file) {
  platform::RecursiveMutexHold hold(ombFileLock());
  if (_ombFileFlushBuffer(file) < 0 ||
      !_ombFileOsSeek(file->handle->file, file->windowOffset + file->position) ||
      !file->handle->file.truncate()) {
    return OMB_ERR_IO;
  }
  return OMB_OK;
}
