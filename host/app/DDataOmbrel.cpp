#include "host/app/DDataOmbrel.h"

#include "foundation/omb/file/ombFileHandle.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombResult.h"
#include "platform/kernel/RecursiveMutex.h"

#include <limits>

namespace {

// Transfers are counted in 32 bits by the framework; larger requests go in pieces.
constexpr size_t kPiece = std::numeric_limits<uint32_t>::max() / 2;

}  // namespace

DDataOmbrel::~DDataOmbrel() {
  if (m_file) ombFileClose(m_file);
}

int64_t DDataOmbrel::Write(const void* bytes, size_t n) {
  if (!m_file) return -1;
  const auto* p = static_cast<const uint8_t*>(bytes);
  size_t done = 0;
  platform::RecursiveMutexHold hold(ombFileLock());
  while (done < n) {
    const size_t piece = n - done < kPiece ? n - done : kPiece;
    uint32_t count = 0;
    if (_ombFileWrite(p + done, m_file, &count, static_cast<uint32_t>(piece)) < 0) return -1;
    done += piece;
  }
  return static_cast<int64_t>(done);
}

int64_t DDataOmbrel::Read(void* bytes, size_t n) {
  if (!m_file) return -1;
  auto* p = static_cast<uint8_t*>(bytes);
  size_t done = 0;
  platform::RecursiveMutexHold hold(ombFileLock());
  while (done < n) {
    const size_t piece = n - done < kPiece ? n - done : kPiece;
    uint32_t count = 0;
    if (_ombFileRead(static_cast<uint32_t>(piece), m_file, &count, p + done) < 0) return -1;
    done += count;
    if (count < piece) break;
  }
  return static_cast<int64_t>(done);
}

bool DDataOmbrel::Seek(int64_t position, int mode) {
  if (!m_file) return false;
  const uint32_t origin = mode == 1   ? OMB_FILE_SEEK_BEGIN
                          : mode == 4 ? OMB_FILE_SEEK_END
                                      : OMB_FILE_SEEK_CURRENT;
  return ombFileSeek(m_file, position, origin) == OMB_OK;
}

int64_t DDataOmbrel::Tell() {
  if (!m_file) return -1;
  uint64_t position = 0;
  if (ombFileTell(&position, m_file) != OMB_OK) return -1;
  return static_cast<int64_t>(position);
}

int64_t DDataOmbrel::GetSize() {
  if (!m_file) return -1;
  uint64_t size = 0;
  if (ombFileGetSize(&size, m_file) != OMB_OK) return -1;
  return static_cast<int64_t>(size);
}

bool DDataOmbrel::Truncate() { return m_file && ombFileTruncate(m_file) == OMB_OK; }

bool DDataOmbrel::Flush() { return m_file && ombFileCommit(m_file) == OMB_OK; }
