#pragma once

#include "foundation/omb/containers/ombAllocator.h"

#include <cstdint>

// Growable array of fixed-size elements; its storage grows in whole steps and never shrinks.
struct OMB_ARRAY {
  uint32_t elementSize;  // bytes
  uint32_t growStep;     // elements, non-zero
  OMB_ALLOCATOR* allocator;
  uint32_t count;
  void* items;
  uint32_t capacity;  // elements
};

inline void ombArrayInit(OMB_ARRAY* array, uint32_t elementSize, uint32_t growStep,
                         OMB_ALLOCATOR* allocator = nullptr) {
  *array = OMB_ARRAY{elementSize, growStep == 0 ? 1u : growStep, allocator, 0, nullptr, 0};
}

// Sets the count, growing the storage to a multiple of the grow step when needed (in place when
// the allocator can, else by a copy of the current elements). Returns the items. A byte size
// that does not fit, like any exhausted heap, is the level-0 "Error: Out of memory."; when the
// error hook returns, the result is null and the array is unchanged.
void* ombArrayResize(OMB_ARRAY* array, uint32_t count);
// Frees the items and nulls the pointer; count and capacity are left.
void ombArrayUninit(OMB_ARRAY* array);
