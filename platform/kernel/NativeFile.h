#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// One open operating-system file (a POSIX descriptor), closed by close() or the destructor.
//
// Game data were written for a file system that ignores case. A lookup for a file that must
// already exist tries the exact path first and then, component by component, a name that
// differs only in the case of ASCII letters (the first such name in byte order when several
// match). Files that are created use the path exactly as given.
class NativeFile {
 public:
  enum class Access { Read, Write, ReadWrite };
  enum class Creation {
    OpenExisting,  // the file must exist
    CreateNew,     // the file must not exist
    OpenAlways,    // opened, created when missing
    CreateAlways,  // created, emptied when it exists
  };
  enum class Origin { Begin, Current, End };

  NativeFile() = default;
  NativeFile(const NativeFile&) = delete;
  NativeFile& operator=(const NativeFile&) = delete;
  NativeFile(NativeFile&& other) noexcept;
  NativeFile& operator=(NativeFile&& other) noexcept;
  ~NativeFile();

  // Fails (false, errno kept) when this file is already open or the path cannot be opened.
  bool open(const std::string& path, Access access, Creation creation);
  bool isOpen() const { return m_fd >= 0; }
  int descriptor() const { return m_fd; }

  // Bytes transferred (fewer only at the end of the file), or -1.
  int64_t read(void* bytes, size_t n);
  int64_t write(const void* bytes, size_t n);
  // The new position from the file's start, or -1 (a position before the start fails).
  int64_t seek(int64_t distance, Origin origin);
  int64_t size() const;
  // Ends the file at the current position.
  bool truncate();
  // Writes the file's data through to the storage device.
  bool flush();
  // False when nothing was open.
  bool close();

  // The existing path that the lookup described above finds, or nothing.
  static std::optional<std::string> findExisting(const std::string& path);
  static bool isRegularFile(const std::string& path);

 private:
  int m_fd = -1;
};

}  // namespace platform
