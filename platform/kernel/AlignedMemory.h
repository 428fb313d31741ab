#pragma once

#include <cstddef>

namespace platform {

// Heap block whose address is a multiple of `alignment` (a power of two; smaller values than a
// pointer are raised to a pointer's size). Null when the heap is exhausted or the alignment is
// not a power of two. Release with alignedFree only.
void* alignedAllocate(std::size_t size, std::size_t alignment);

// Releases a block of alignedAllocate; null is ignored.
void alignedFree(void* block);

}  // namespace platform
