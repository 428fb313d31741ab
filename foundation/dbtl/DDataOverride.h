#pragma once

#include "foundation/dbtl/DObject.h"

#include <cstddef>
#include <cstdint>

namespace dbtl {

// A data source behind a DFile in place of a disk file (the host reads packs through the
// framework's file layer this way). The source keeps its own position; DFile positions it
// with Seek before every transfer, so any number of windows can share one source.
//
// Seek modes are the base library's: 1 from the start, 2 from the current position, 4 from
// the end.
class DDataOverride : public DObject {
 public:
  // Bytes written, or -1.
  virtual int64_t Write(const void* bytes, size_t n) = 0;
  // Bytes read, or -1.
  virtual int64_t Read(void* bytes, size_t n) = 0;
  virtual bool Seek(int64_t position, int mode) = 0;
  // Current position, negative on failure.
  virtual int64_t Tell() = 0;
  // Size in bytes, or -1.
  virtual int64_t GetSize() = 0;
  // Ends the data at the current position.
  virtual bool Truncate() = 0;
  virtual bool Flush() = 0;
};

}  // namespace dbtl
