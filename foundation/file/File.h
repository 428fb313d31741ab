#pragma once

#include "foundation/omb/file/ombFile.h"

#include <cstdint>

// The host's thin wrapper over one framework file (ombFile.h): one line per big-endian value,
// and every failure a level-0 message naming the operation, which ends the game (the host's
// error hook throws). Code after a call may assume it succeeded. Under a hook that returns (as
// in tests), a failed read yields 0 and a failed write or open leaves the object as it was.
class File {
 public:
  File() = default;
  // Closes an open file without reporting: a destructor must not throw. Callers that must know
  // whether the last bytes reached the disk call close() first.
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;

  // Closes an open file, then opens the path (ombFileOpen's mode and flags).
  void create(const char16_t* path, uint32_t mode, uint32_t flags);
  // Closes an open file; a write file whose last bytes could not be flushed is reported
  // ("File::close").
  void close();
  bool isOpen() const { return file_ != nullptr; }
  OMB_FILE* get() const { return file_; }

  // Exactly `size` bytes; fewer is an error.
  void read(void* buffer, uint32_t size);
  // The low 32 bits of the size.
  uint32_t getSize();
  // Bytes between the position and the end (0 without an open file); reports nothing, so a
  // reader can check a stored count against what is there before it allocates.
  uint64_t bytesLeft();
  uint32_t readU32();
  int32_t readI32();
  uint64_t readU64();
  float readF32();
  // Fixed point in units of 1/1024.
  int32_t readFix();
  // `count` big-endian UTF-16 units, no terminator written.
  void readString(char16_t* buffer, uint32_t count);
  // A u32 unit count below the capacity, then the units; the buffer is terminated after them.
  // Returns the count.
  uint32_t readString2(char16_t* buffer, uint32_t capacity);

  void writeU32(uint32_t value);
  void writeI32(int32_t value);
  void writeU64(uint64_t value);
  void writeF32(float value);
  void writeString(const char16_t* text, uint32_t count);

 private:
  OMB_FILE* file_ = nullptr;
};
