#pragma once

#include "foundation/dbtl/DAllocator.h"

#include <cstddef>
#include <cstdint>

namespace dbtl {

// The count block that every rcptr sharing one array points at.
struct DRefCount {
  // Number of rcptr values (and list nodes) that hold the array.
  int32_t count;
  // First element of the owned array; null for an empty array.
  void* array;
};

// The record just before the first element of every array an rcptr owns. It keeps what the
// last release needs: how many elements there are, and how to destroy them and free the
// storage as the type they were created with, whatever pointer type releases them.
struct DArrayHeader {
  size_t count;
  void (*destroy)(void* first);
};

inline DArrayHeader* DArrayHeaderOf(void* first) {
  return static_cast<DArrayHeader*>(first) - 1;
}

// The pool behind every count block: 4096 blocks, then the heap.
using DRefCountAllocator = DAllocator<DRefCount, 4096>;

// A count block from the pool (std::bad_alloc when even the heap fails).
DRefCount* DRefCountAlloc();

inline void DRefCountAddRef(DRefCount* block) {
  if (block != nullptr) ++block->count;
}

// Drops one reference; the last one destroys the array and returns the block to its pool.
void DRefCountRelease(DRefCount* block);

}  // namespace dbtl
