#include "foundation/omb/containers/ombAllocator.h"

#include "foundation/omb/ombCheckedMath.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "platform/kernel/AlignedMemory.h"

#include <cstdlib>
#include <cstring>

void* ombAllocatorMalloc(OMB_ALLOCATOR* allocator, std::size_t size) {
  if (allocator) {
    return allocator->allocate(allocator->user, size);
  }
  return ombCheckAlloc(ombIsAllocatableSize(size) ? std::malloc(size) : nullptr);
}

void ombAllocatorFree(OMB_ALLOCATOR* allocator, void* memory) {
  if (allocator) {
    allocator->free(allocator->user, memory);
  } else {
    std::free(memory);
  }
}

void* ombAllocatorMallocAligned(std::size_t alignment, std::size_t size, OMB_ALLOCATOR* allocator) {
  if (alignment == 0) {
    alignment = 16;
  }
  if (allocator) {
    return allocator->allocateAligned(allocator->user, size, alignment);
  }
  void* memory = ombIsAllocatableSize(size) ? platform::alignedAllocate(size, alignment) : nullptr;
  if (!memory) {
    ombLogPuts(OMB_LOG_ERROR, u"Error: Out of memory.");
  }
  return memory;
}

void ombAllocatorFreeAligned(OMB_ALLOCATOR* allocator, void* memory) {
  if (allocator) {
    allocator->freeAligned(allocator->user, memory);
  } else {
    platform::alignedFree(memory);
  }
}

void ombAllocatorFreeCallback(void* allocator, void* memory) {
  ombAllocatorFree(static_cast<OMB_ALLOCATOR*>(allocator), memory);
}

void* ombAllocatorGrow(OMB_ALLOCATOR* allocator, void* memory, std::size_t keep, std::size_t size) {
  if (!memory) {
    return ombAllocatorMalloc(allocator, size);
  }
  if (allocator) {
    if (allocator->expand && allocator->expand(allocator->user, memory, size)) {
      return memory;
    }
    void* block = allocator->allocate(allocator->user, size);
    if (!block) {
      return nullptr;
    }
    std::memcpy(block, memory, keep);
    allocator->free(allocator->user, memory);
    return block;
  }
  // The heap's resize grows in place when it can and otherwise moves the contents itself.
  return ombCheckAlloc(ombIsAllocatableSize(size) ? std::realloc(memory, size) : nullptr);
}
