#include "foundation/file/File.h"

#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombLog.h"

#include <cstring>
#include <utility>

namespace {

void ioError(const char* tag) {
  ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] ファイル操作でエラーが発生しました。", tag);
}

// Runs a framework call on the file; a failure, or no open file, is the I/O error of the tag.
template <class Call>
bool checked(OMB_FILE* file, const char* tag, Call call) {
  if (file && call(file) >= 0) {
    return true;
  }
  ioError(tag);
  return false;
}

uint32_t readWord(OMB_FILE* file, const char* tag) {
  uint32_t value = 0;
  checked(file, tag, [&value](OMB_FILE* f) { return ombFileReadU32(&value, f); });
  return value;
}

}  // namespace

File::~File() {
  ombFileClose(std::exchange(file_, nullptr));
}

File::File(File&& other) noexcept : file_(std::exchange(other.file_, nullptr)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    ombFileClose(std::exchange(file_, std::exchange(other.file_, nullptr)));
  }
  return *this;
}

void File::create(const char16_t* path, uint32_t mode, uint32_t flags) {
  close();
  file_ = ombFileOpen(mode, path, flags);
  if (!file_) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] \"%ls\"を開けません。", "File::create", path);
  }
}

void File::close() {
  if (file_ && ombFileClose(std::exchange(file_, nullptr)) < 0) {
    ioError("File::close");
  }
}

void File::read(void* buffer, uint32_t size) {
  checked(file_, "File::read", [buffer, size](OMB_FILE* f) {
    platform::RecursiveMutexHold hold(ombFileLock());
    uint32_t count = 0;
    const int32_t result = _ombFileRead(size, f, &count, buffer);
    return result >= 0 && count == size ? result : OMB_ERR_IO;
  });
}

uint32_t File::getSize() {
  uint64_t size = 0;
  if (!file_ || ombFileGetSize(&size, file_) < 0) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] ファイルサイズを取得できません。", "File::getSize");
    return 0;
  }
  return static_cast<uint32_t>(size);
}

uint64_t File::bytesLeft() {
  uint64_t size = 0;
  uint64_t position = 0;
  if (!file_ || ombFileGetSize(&size, file_) < 0 || ombFileTell(&position, file_) < 0) {
    return 0;
  }
  return position < size ? size - position : 0;
}

uint32_t File::readU32() {
  return readWord(file_, "File::readU32");
}

int32_t File::readI32() {
  return static_cast<int32_t>(readWord(file_, "File::readI32"));
}

uint64_t File::readU64() {
  uint64_t value = 0;
  checked(file_, "File::readU64", [&value](OMB_FILE* f) { return ombFileReadU64(&value, f); });
  return value;
}

float File::readF32() {
  const uint32_t bits = readWord(file_, "File::readF32");
  float value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

int32_t File::readFix() {
  return static_cast<int32_t>(readWord(file_, "File::readFix"));
}

void File::readString(char16_t* buffer, uint32_t count) {
  checked(file_, "File::readString",
          [buffer, count](OMB_FILE* f) { return ombFileReadU16Array(f, buffer, count); });
}

uint32_t File::readString2(char16_t* buffer, uint32_t capacity) {
  const uint32_t count = readU32();
  if (count >= capacity) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] 文字列が長すぎます。", "File::readString2");
    // Under a returning hook the buffer still holds a terminated string when it has room.
    if (capacity > 0) {
      buffer[0] = 0;
    }
    return 0;
  }
  if (count > 0 &&
      !checked(file_, "File::readString2",
               [buffer, count](OMB_FILE* f) { return ombFileReadU16Array(f, buffer, count); })) {
    buffer[0] = 0;
    return 0;
  }
  buffer[count] = 0;
  return count;
}

void File::writeU32(uint32_t value) {
  checked(file_, "File::writeU32", [value](OMB_FILE* f) { return ombFileWriteU32(f, value); });
}

void File::writeI32(int32_t value) {
  checked(file_, "File::writeI32", [value](OMB_FILE* f) {
    return ombFileWriteU32(f, static_cast<uint32_t>(value));
  });
}

void File::writeU64(uint64_t value) {
  checked(file_, "File::writeU64", [value](OMB_FILE* f) { return ombFileWriteU64(f, value); });
}

void File::writeF32(float value) {
  checked(file_, "File::writeF32", [value](OMB_FILE* f) { return ombFileWriteF32(f, value); });
}

void File::writeString(const char16_t* text, uint32_t count) {
  checked(file_, "File::writeString",
          [text, count](OMB_FILE* f) { return ombFileWriteU16Array(f, text, count); });
}
