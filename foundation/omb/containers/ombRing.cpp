#include "foundation/omb/containers/ombRing.h"

#include "foundation/omb/ombCheckedMath.h"
#include "foundation/omb/ombCore.h"

#include <cstring>
#include <limits>

namespace {

char* slot(const OMB_RING* ring, uint32_t index) {
  return static_cast<char*>(ring->buffer) + std::size_t{index} * ring->elementSize;
}

bool full(const OMB_RING* ring) {
  return (ring->write + 1) % ring->capacity == ring->read;
}

bool bufferBytes(uint32_t capacity, uint32_t elementSize, std::size_t* bytes) {
  return ombCheckedMul(capacity, elementSize, bytes) && ombIsAllocatableSize(*bytes);
}

// Moves the stored elements, in order, to the start of a buffer larger by the grow step.
bool grow(OMB_RING* ring) {
  std::size_t capacity = 0;
  std::size_t bytes = 0;
  if (!ombCheckedAdd(ring->capacity, ring->growStep, &capacity) ||
      capacity > std::numeric_limits<uint32_t>::max() ||
      !bufferBytes(static_cast<uint32_t>(capacity), ring->elementSize, &bytes)) {
    ombCheckAlloc(nullptr);
    return false;
  }
  auto* buffer = static_cast<char*>(ombAllocatorMalloc(ring->allocator, bytes));
  if (!buffer) {
    return false;
  }
  const uint32_t count = ombRingGetCount(ring);
  const std::size_t size = ring->elementSize;
  if (ring->write >= ring->read) {
    std::memcpy(buffer, slot(ring, ring->read), count * size);
  } else {
    const std::size_t tail = ring->capacity - ring->read;
    std::memcpy(buffer, slot(ring, ring->read), tail * size);
    std::memcpy(buffer + tail * size, ring->buffer, std::size_t{ring->write} * size);
  }
  ombAllocatorFree(ring->allocator, ring->buffer);
  ring->buffer = buffer;
  ring->read = 0;
  ring->write = count;
  ring->capacity = static_cast<uint32_t>(capacity);
  return true;
}

}  // namespace

bool ombRingInit(OMB_RING* ring, uint32_t elementSize, uint32_t capacity, uint32_t growStep,
                 OMB_ALLOCATOR* allocator) {
  *ring = OMB_RING{elementSize, growStep, allocator, nullptr, capacity == 0 ? 1u : capacity, 0, 0};
  std::size_t bytes = 0;
  if (!bufferBytes(ring->capacity, elementSize, &bytes)) {
    ombCheckAlloc(nullptr);
  } else {
    ring->buffer = ombAllocatorMalloc(allocator, bytes);
  }
  if (!ring->buffer) {
    ring->capacity = 1;
    ring->growStep = 0;
    return false;
  }
  return true;
}

void ombRingUninit(OMB_RING* ring) {
  ombAllocatorFree(ring->allocator, ring->buffer);
  ring->buffer = nullptr;
}

uint32_t ombRingWrite(OMB_RING* ring, const void* elements, uint32_t n) {
  const auto* source = static_cast<const char*>(elements);
  uint32_t written = 0;
  for (; written < n; ++written) {
    if (full(ring) && (ring->growStep == 0 || !grow(ring))) {
      break;
    }
    std::memcpy(slot(ring, ring->write), source + std::size_t{written} * ring->elementSize,
                ring->elementSize);
    ring->write = (ring->write + 1) % ring->capacity;
  }
  return written;
}

uint32_t ombRingRead(OMB_RING* ring, void* destination, uint32_t n) {
  auto* target = static_cast<char*>(destination);
  uint32_t taken = 0;
  for (; taken < n && ring->read != ring->write; ++taken) {
    std::memcpy(target + std::size_t{taken} * ring->elementSize, slot(ring, ring->read),
                ring->elementSize);
    ring->read = (ring->read + 1) % ring->capacity;
  }
  return taken;
}

uint32_t ombRingSkip(uint32_t n, OMB_RING* ring) {
  const uint32_t count = ombRingGetCount(ring);
  const uint32_t taken = n < count ? n : count;
  ring->read = static_cast<uint32_t>((std::size_t{ring->read} + taken) % ring->capacity);
  return taken;
}

uint32_t ombRingPeek(OMB_RING* ring, void* destination, uint32_t n, uint32_t offset) {
  const uint32_t read = ring->read;
  uint32_t copied = 0;
  if (offset == 0 || ombRingSkip(offset, ring) == offset) {
    copied = ombRingRead(ring, destination, n);
  }
  ring->read = read;
  return copied;
}

uint32_t ombRingGetCount(const OMB_RING* ring) {
  return ring->write >= ring->read ? ring->write - ring->read
                                   : ring->write + ring->capacity - ring->read;
}

uint32_t ombRingGetSpace(const OMB_RING* ring) {
  return ring->capacity - ombRingGetCount(ring);
}
