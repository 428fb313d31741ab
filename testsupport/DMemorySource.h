#pragma once

#include "foundation/dbtl/DDataOverride.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// A data source over a memory block, standing in for the host's override in tests. It counts
// its calls so a test can see what DFile asked of it.
class DMemorySource : public dbtl::DDataOverride {
 public:
  explicit DMemorySource(std::vector<uint8_t> bytes = {}) : data(std::move(bytes)) {}
  ~DMemorySource() override { ++destroyed; }

  int64_t Write(const void* bytes, size_t n) override {
    if (n == 0) return 0;
    if (position + n > data.size()) data.resize(position + n);
    std::memcpy(data.data() + position, bytes, n);
    position += n;
    return static_cast<int64_t>(n);
  }
  int64_t Read(void* bytes, size_t n) override {
    if (failReads) return -1;
    const size_t available = position < data.size() ? data.size() - position : 0;
    const size_t count = std::min(n, available);
    if (count == 0) return 0;
    std::memcpy(bytes, data.data() + position, count);
    position += count;
    return static_cast<int64_t>(count);
  }
  bool Seek(int64_t to, int mode) override {
    int64_t base = 0;
    if (mode == 2) base = static_cast<int64_t>(position);
    if (mode == 4) base = static_cast<int64_t>(data.size());
    if (mode != 1 && mode != 2 && mode != 4) return false;
    if (base + to < 0) return false;
    position = static_cast<size_t>(base + to);
    return true;
  }
  int64_t Tell() override { return static_cast<int64_t>(position); }
  int64_t GetSize() override { return static_cast<int64_t>(data.size()); }
  bool Truncate() override {
    data.resize(position);
    return true;
  }
  bool Flush() override {
    ++flushes;
    return true;
  }

  std::vector<uint8_t> data;
  size_t position = 0;
  bool failReads = false;
  int flushes = 0;
  static inline int destroyed = 0;
};
