#pragma once

#include "foundation/omb/containers/ombAllocator.h"

#include <cstdint>

// Ring buffer of fixed-size elements. Empty when read == write, full when the next write index
// would reach read: one slot always stays empty, so a ring of capacity n holds n - 1 elements.
struct OMB_RING {
  uint32_t elementSize;  // bytes
  uint32_t growStep;     // elements added when full; 0 = never grow
  OMB_ALLOCATOR* allocator;
  void* buffer;
  uint32_t capacity;  // elements, at least 1
  uint32_t read;
  uint32_t write;
};

// Allocates the buffer of `capacity` elements (at least 1) through the allocator. False when no
// buffer could be had (the ring then holds nothing and refuses writes).
bool ombRingInit(OMB_RING* ring, uint32_t elementSize, uint32_t capacity, uint32_t growStep,
                 OMB_ALLOCATOR* allocator = nullptr);
// Frees the buffer through the allocator.
void ombRingUninit(OMB_RING* ring);

// Appends up to n elements, growing by the step when full; returns the number written.
uint32_t ombRingWrite(OMB_RING* ring, const void* elements, uint32_t n);
// Takes up to n elements; returns the number taken.
uint32_t ombRingRead(OMB_RING* ring, void* destination, uint32_t n);
// Discards up to n elements; returns the number discarded.
uint32_t ombRingSkip(uint32_t n, OMB_RING* ring);
// Copies up to n elements starting `offset` elements after the read index without taking them;
// 0 when fewer than offset elements are stored.
uint32_t ombRingPeek(OMB_RING* ring, void* destination, uint32_t n, uint32_t offset);
uint32_t ombRingGetCount(const OMB_RING* ring);
// Capacity minus count; one less than this fits without growing.
uint32_t ombRingGetSpace(const OMB_RING* ring);
