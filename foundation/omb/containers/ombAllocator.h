#pragma once

#include <cstddef>

// Optional allocator of the containers; a null allocator means the process heap, whose
// exhaustion is the level-0 "Error: Out of memory.".
struct OMB_ALLOCATOR {
  void* (*allocate)(void* user, std::size_t size);
  void (*free)(void* user, void* memory);
  void* reserved1;  // not called
  // True when the block now has the new size.
  bool (*expand)(void* user, void* memory, std::size_t size);
  void* (*allocateAligned)(void* user, std::size_t size, std::size_t alignment);
  void (*freeAligned)(void* user, void* memory);
  void* reserved2;  // not called
  void* user;
};

void* ombAllocatorMalloc(OMB_ALLOCATOR* allocator, std::size_t size);
void ombAllocatorFree(OMB_ALLOCATOR* allocator, void* memory);
// An alignment of 0 means 16.
void* ombAllocatorMallocAligned(std::size_t alignment, std::size_t size, OMB_ALLOCATOR* allocator);
void ombAllocatorFreeAligned(OMB_ALLOCATOR* allocator, void* memory);
// The shape of a hash release callback: the user data is the allocator (null: the heap).
void ombAllocatorFreeCallback(void* allocator, void* memory);

// Tries to resize a block of ombAllocatorMalloc to `size` bytes keeping its first `keep` bytes:
// in place through the allocator's expand entry, else by a new block, a copy and a release.
// Null, with the old block untouched, when no block could be had.
void* ombAllocatorGrow(OMB_ALLOCATOR* allocator, void* memory, std::size_t keep, std::size_t size);
