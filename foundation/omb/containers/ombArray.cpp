#include "foundation/omb/containers/ombArray.h"

#include "foundation/omb/ombCheckedMath.h"
#include "foundation/omb/ombCore.h"

#include <limits>

void* ombArrayResize(OMB_ARRAY* array, uint32_t count) {
  if (count <= array->capacity) {
    array->count = count;
    return array->items;
  }
  std::size_t capacity = 0;
  std::size_t bytes = 0;
  const std::size_t step = array->growStep ? array->growStep : 1;
  const bool fits = ombCheckedRoundUp(count, step, &capacity) &&
                    capacity <= std::numeric_limits<uint32_t>::max() &&
                    ombCheckedMul(capacity, array->elementSize, &bytes) &&
                    ombIsAllocatableSize(bytes);
  if (!fits) {
    ombCheckAlloc(nullptr);
    return nullptr;
  }
  void* items = ombAllocatorGrow(array->allocator, array->items,
                                 std::size_t{array->count} * array->elementSize, bytes);
  if (!items) {
    return nullptr;
  }
  array->items = items;
  array->capacity = static_cast<uint32_t>(capacity);
  array->count = count;
  return items;
}

void ombArrayUninit(OMB_ARRAY* array) {
  ombAllocatorFree(array->allocator, array->items);
  array->items = nullptr;
}
