#include "foundation/dbtl/DRefCount.h"

namespace dbtl {

DRefCount* DRefCountAlloc() { return DRefCountAllocator::Instance().Alloc(); }

void DRefCountRelease(DRefCount* block) {
  if (block == nullptr) return;
  if (--block->count > 0) return;
  void* array = block->array;
  block->array = nullptr;
  if (array != nullptr) DArrayHeaderOf(array)->destroy(array);
  DRefCountAllocator::Instance().Free(block);
}

}  // namespace dbtl
