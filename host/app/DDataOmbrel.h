#pragma once

#include "foundation/dbtl/DDataOverride.h"
#include "foundation/omb/file/ombFile.h"

#include <cstddef>
#include <cstdint>

// One open framework file as the data source of a base-library file object, so that pack files
// opened through the pack registry are read through the framework's file layer (the registered
// archives first, then the disk). Owns the framework file and closes it when destroyed.
class DDataOmbrel : public dbtl::DDataOverride {
 public:
  DDataOmbrel() = default;
  explicit DDataOmbrel(OMB_FILE* file) : m_file(file) {}
  ~DDataOmbrel() override;

  void Attach(OMB_FILE* file) { m_file = file; }

  int64_t Write(const void* bytes, size_t n) override;
  int64_t Read(void* bytes, size_t n) override;
  // Base-library origins: 1 from the start, 4 from the end, anything else from the current
  // position.
  bool Seek(int64_t position, int mode) override;
  int64_t Tell() override;
  int64_t GetSize() override;
  bool Truncate() override;
  bool Flush() override;

 private:
  OMB_FILE* m_file = nullptr;
};
