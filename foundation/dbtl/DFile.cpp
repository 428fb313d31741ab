#include "foundation/dbtl/DFile.h"

#include "foundation/dbtl/DCp932Text.h"
#include "foundation/dbtl/DExceptFile.h"
#include "foundation/dbtl/Dpath.h"
#include "platform/CheckedMath.h"

#include <algorithm>
#include <utility>

namespace dbtl {

namespace {

bool failed(bool result) { return !result; }
bool failed(int64_t result) { return result < 0; }

platform::NativeFile::Creation creationOf(uint32_t flags) {
  using Creation = platform::NativeFile::Creation;
  const bool create = (flags & DFILE_CREATE) != 0;
  const bool fresh = (flags & DFILE_NEW) != 0;
  if (create && fresh) return Creation::CreateAlways;
  if (create) return Creation::OpenAlways;
  if (fresh) return Creation::CreateNew;
  return Creation::OpenExisting;
}

}  // namespace

// Runs an operation under the file's lock; a failure throws in throw mode once the lock is
// left. A file that is not open fails without running anything.
template <class Result, class Operation>
Result DFile::_Locked(Result failure, Operation operation) {
  Result result = failure;
  bool throwing = m_throw;
  if (m_lock) {
    DSectionLock guard(*m_lock);
    result = operation();
    throwing = m_throw;
  }
  if (failed(result) && throwing) throw DExceptFile();
  return result;
}

bool DFile::_Refuse() const {
  if (m_throw) throw DExceptFile();
  return false;
}

bool DFile::Open(const char* path, uint32_t flags) {
  if (IsOpen() || path == nullptr) return _Refuse();
  using Access = platform::NativeFile::Access;
  const bool reading = (flags & DFILE_READ) != 0;
  const bool writing = (flags & DFILE_WRITE) != 0;
  if (!reading && !writing) return _Refuse();
  const Access access = reading && writing ? Access::ReadWrite
                        : reading          ? Access::Read
                                           : Access::Write;

  rcptr<platform::NativeFile> handle;
  handle.Create(1);
  if (!handle->open(DNativePathFromCp932(path), access, creationOf(flags))) return _Refuse();
  rcptr<DSection> lock;
  lock.Create(1);
  m_handle = std::move(handle);
  m_lock = std::move(lock);
  m_position = 0;
  m_offset = 0;
  m_length = -1;
  SetPath(path);
  return true;
}

bool DFile::OpenOverride(const char* name, const rcptr<DDataOverride>& source) {
  if (IsOpen() || !source) return _Refuse();
  rcptr<DSection> lock;
  lock.Create(1);
  m_source = source;
  m_lock = std::move(lock);
  m_position = 0;
  m_offset = 0;
  m_length = -1;
  SetPath(name != nullptr ? name : "(override)");
  return true;
}

bool DFile::OpenRange(DFile& other, int64_t offset, int64_t length) {
  if (IsOpen() || !other.m_lock) return _Refuse();
  {
    // The shared handle, source and lock gain their references under the lock they share.
    DSectionLock guard(*other.m_lock);
    const int64_t start = offset < 0 ? other.m_position : offset;
    const bool parentBounded = other.m_length >= 0;
    if (!(parentBounded && start > other.m_length)) {
      int64_t windowLength = length < 0 ? -1 : length;
      if (parentBounded) {
        const int64_t available = other.m_length - start;
        windowLength = length < 0 ? available : std::min(available, length);
      }
      m_handle = other.m_handle;
      m_source = other.m_source;
      m_lock = other.m_lock;
      m_offset = other.m_offset + start;
      m_length = windowLength;
      m_position = 0;
      m_throw = other.m_throw;
      SetPath(other.m_path);
      return true;
    }
  }
  return _Refuse();
}

bool DFile::Reopen(DFile& other) {
  Close();
  return OpenRange(other, 0, -1);
}

bool DFile::Close() {
  if (!IsOpen()) return false;
  DSection* section = m_lock.Get();
  section->Enter();
  m_handle.Reset();
  m_source.Reset();
  m_throw = false;
  // Counts are plain integers, so the shared lock's count changes only while it is held. The
  // last sharer is the only one that can reach the lock: it drops it after leaving.
  if (m_lock.UseCount() > 1) {
    m_lock.Reset();
    section->Leave();
  } else {
    section->Leave();
    m_lock.Reset();
  }
  m_position = 0;
  m_offset = 0;
  m_length = -1;
  return true;
}

bool DFile::_MoveSource(int64_t p) {
  const auto absolute = p < 0 ? std::nullopt : platform::checkedAdd<int64_t>(m_offset, p);
  if (!absolute) return false;
  if (m_source) return m_source->Seek(*absolute, DSEEK_BEGIN);
  return m_handle->seek(*absolute, platform::NativeFile::Origin::Begin) >= 0;
}

bool DFile::_MoveTo(int64_t p) {
  if (_MoveSource(p)) {
    m_position = p;
    return true;
  }
  _MoveSource(m_position);
  return false;
}

// The window's length, or for an unbounded window what the source holds beyond the offset
// (never below 0); -1 when the source cannot tell its size.
int64_t DFile::_WindowEnd() {
  if (m_length >= 0) return m_length;
  const int64_t size = m_source ? m_source->GetSize() : m_handle->size();
  if (size < 0) return -1;
  return std::max<int64_t>(size - m_offset, 0);
}

bool DFile::_SeekLocked(int64_t distance, int mode) {
  const bool bounded = m_length >= 0;
  switch (mode) {
    case DSEEK_BEGIN:
      if (distance < 0) {
        _MoveSource(0);
        m_position = 0;
        return false;
      }
      if (bounded && distance > m_length) {
        m_position = m_length;
        _MoveSource(m_length);
        return false;
      }
      return _MoveTo(distance);
    case DSEEK_CURRENT: {
      if (bounded && distance >= 0 && distance > m_length - m_position) {
        m_position = m_length;
        _MoveSource(m_length);
        return false;
      }
      if (distance < 0 && m_position + distance < 0) {
        _MoveSource(0);
        m_position = 0;
        return false;
      }
      const auto target = platform::checkedAdd<int64_t>(m_position, distance);
      if (!target) return false;
      return _MoveTo(*target);
    }
    case DSEEK_END: {
      // Measured from the window's end for bounded and unbounded windows alike, so a distance
      // larger than the window stops at the window start instead of reaching before it.
      const int64_t end = _WindowEnd();
      if (end < 0) {
        _MoveSource(m_position);
        return false;
      }
      if (distance > 0) {
        m_position = end;
        _MoveSource(end);
        return false;
      }
      if (end + distance < 0) {
        _MoveSource(0);
        m_position = 0;
        return false;
      }
      return _MoveTo(end + distance);
    }
    default:
      return false;
  }
}

int64_t DFile::_Transfer(void* bytes, size_t n, bool writing) {
  if (m_length >= 0) {
    if (m_position >= m_length) return -1;
    n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(std::min<size_t>(n, INT64_MAX)),
                                              m_length - m_position));
  }
  if (!_SeekLocked(0, DSEEK_CURRENT)) return -1;
  int64_t done;
  if (m_source) {
    done = writing ? m_source->Write(bytes, n) : m_source->Read(bytes, n);
  } else {
    done = writing ? m_handle->write(bytes, n) : m_handle->read(bytes, n);
  }
  if (done > 0) m_position += done;
  return done;
}

int64_t DFile::Read(void* bytes, size_t n) {
  return _Locked<int64_t>(-1, [&] { return _Transfer(bytes, n, false); });
}

int64_t DFile::Write(const void* bytes, size_t n) {
  return _Locked<int64_t>(-1, [&] { return _Transfer(const_cast<void*>(bytes), n, true); });
}

bool DFile::Seek(int64_t distance, int mode) {
  return _Locked(false, [&] { return _SeekLocked(distance, mode); });
}

int64_t DFile::Tell() {
  return _Locked<int64_t>(-1, [&] { return m_position; });
}

int64_t DFile::GetSize() {
  return _Locked<int64_t>(-1, [&] { return _WindowEnd(); });
}

bool DFile::Flush() {
  return _Locked(false, [&] { return m_source ? m_source->Flush() : m_handle->flush(); });
}

bool DFile::SetThrowMode(bool on) {
  if (!m_lock) return std::exchange(m_throw, on);
  DSectionLock guard(*m_lock);
  return std::exchange(m_throw, on);
}

bool DFile::GetThrowMode() {
  if (!m_lock) return m_throw;
  DSectionLock guard(*m_lock);
  return m_throw;
}

void DFile::SetPath(const char* text) { detail::DpathCopyBounded(m_path, text, DPATH_MAX_LENGTH); }

}  // namespace dbtl
