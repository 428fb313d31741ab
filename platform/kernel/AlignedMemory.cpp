#include "platform/kernel/AlignedMemory.h"

#include <cstdlib>

namespace platform {

void* alignedAllocate(std::size_t size, std::size_t alignment) {
  if (alignment == 0 || (alignment & (alignment - 1)) != 0) {
    return nullptr;
  }
  if (alignment < sizeof(void*)) {
    alignment = sizeof(void*);
  }
  void* block = nullptr;
  // posix_memalign may return a null block for size 0; ask for one byte so a success is a block.
  if (posix_memalign(&block, alignment, size == 0 ? 1 : size) != 0) {
    return nullptr;
  }
  return block;
}

void alignedFree(void* block) {
  std::free(block);
}

}  // namespace platform
