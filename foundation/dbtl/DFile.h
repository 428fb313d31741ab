#pragma once

#include "foundation/dbtl/DDataOverride.h"
#include "foundation/dbtl/DSection.h"
#include "foundation/dbtl/rcptr.h"
#include "platform/kernel/NativeFile.h"

#include <cstddef>
#include <cstdint>

namespace dbtl {

// Open flags: access, and how the file is created. Neither DFILE_CREATE nor DFILE_NEW: the file
// must exist. DFILE_NEW alone: a new file, failing when it exists. DFILE_CREATE alone: opened,
// created when missing. Both: created anew, emptied when it exists.
constexpr uint32_t DFILE_READ = 1;
constexpr uint32_t DFILE_WRITE = 2;
constexpr uint32_t DFILE_CREATE = 4;
constexpr uint32_t DFILE_NEW = 8;

// Seek origins of the base library.
constexpr int DSEEK_BEGIN = 1;    // from the window start
constexpr int DSEEK_CURRENT = 2;  // from the current position
constexpr int DSEEK_END = 4;      // from the window end

// The base library's file object: a disk file or a DDataOverride, seen through a window (an
// offset into the source and a length, -1 meaning to the source's end). Every copy and window
// of one open file shares its handle or source and one lock, so windows can be used from
// several threads; each transfer first moves the shared source to the window's own position.
//
// Failures give false or -1; in throw mode they also throw DExceptFile (after the lock is
// left). Close never throws.
class DFile {
 public:
  DFile() = default;
  DFile(const DFile&) = delete;
  DFile& operator=(const DFile&) = delete;
  ~DFile() { Close(); }

  bool Open(const char* path, uint32_t flags);
  // A null name gives the path "(override)".
  bool OpenOverride(const char* name, const rcptr<DDataOverride>& source);
  // Makes this file a window onto the open file other: from offset (a negative offset means
  // other's current position) within other's window, length bytes long but never past the
  // end of other's window (-1: up to that end). Fails when this file is open, other is not,
  // or the offset lies beyond other's window.
  bool OpenRange(DFile& other, int64_t offset, int64_t length);
  // Close, then a window onto the whole of other's window.
  bool Reopen(DFile& other);
  // False when nothing is open. The disk file itself is closed by the last file sharing it.
  bool Close();

  // Bytes transferred, or -1. At or beyond a bounded window's end a transfer fails; a read at
  // the end of an unbounded file gives 0.
  int64_t Read(void* bytes, size_t n);
  int64_t Write(const void* bytes, size_t n);
  // A target outside the window clamps the position to the window (0 or its end) and fails.
  bool Seek(int64_t distance, int mode);
  // The position relative to the window start.
  int64_t Tell();
  // The window's length, or for an unbounded window the source's size minus the offset.
  int64_t GetSize();
  bool Flush();

  // Returns the previous setting.
  bool SetThrowMode(bool on);
  bool GetThrowMode();

  // The name shown for the file (at most 263 bytes).
  void SetPath(const char* text);
  const char* GetPath() const { return m_path; }
  bool IsOpen() const { return m_handle || m_source; }

 private:
  template <class Result, class Operation>
  Result _Locked(Result failure, Operation operation);
  // A refused open: false, or DExceptFile in throw mode.
  bool _Refuse() const;
  bool _SeekLocked(int64_t distance, int mode);
  // Moves the shared source to the window position p; false when p is not reachable.
  bool _MoveSource(int64_t p);
  bool _MoveTo(int64_t p);
  int64_t _WindowEnd();
  int64_t _Transfer(void* bytes, size_t n, bool writing);

  int64_t m_position = 0;
  int64_t m_offset = 0;
  int64_t m_length = -1;
  bool m_throw = false;
  char m_path[264] = {};
  rcptr<platform::NativeFile> m_handle;
  rcptr<DDataOverride> m_source;
  rcptr<DSection> m_lock;
};

}  // namespace dbtl
