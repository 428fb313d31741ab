#pragma once

#include "foundation/dbtl/DSection.h"

#include <cstddef>
#include <cstdint>

namespace dbtl {

// A fixed-block pool: a stack of free blocks carved from one allocation, so taking and
// returning a block costs a lock and a stack step. When every block is in use, further blocks
// come from the heap and go back to it; exhaustion is never an error.
//
// Each block is preceded by a header that tells a pooled block (1) from a heap block (0). The
// header slot is as wide as the strictest fundamental alignment, so payloads are aligned for
// any plain record (the count blocks hold a pointer).
class DBlockPool {
 public:
  static constexpr size_t kHeaderSize = alignof(std::max_align_t);

  // A new pool of capacity blocks of blockSize bytes, or null when blockSize is 0.
  static DBlockPool* Create(uint32_t capacity, uint32_t blockSize);

  DBlockPool(const DBlockPool&) = delete;
  DBlockPool& operator=(const DBlockPool&) = delete;

  // Address of a block's payload; never null (a heap failure throws std::bad_alloc).
  void* Alloc();
  // Returns a payload that Alloc of this pool handed out.
  void Free(void* payload);
  // Frees the block storage and the pool itself. Blocks still out must not be freed afterwards.
  void Destroy();

  uint32_t GetBlockSize() const { return m_blockSize; }
  uint32_t GetCapacity() const { return m_capacity; }
  uint32_t GetUsed() const;

 private:
  DBlockPool() = default;
  ~DBlockPool();

  mutable DSection m_lock;
  unsigned char* m_blocks = nullptr;
  unsigned char** m_freeStack = nullptr;
  uint32_t m_blockSize = 0;
  uint32_t m_capacity = 0;
  // Stack entries from m_used to m_capacity - 1 are the free blocks.
  uint32_t m_used = 0;
};

}  // namespace dbtl
