#include "platform/module/LocalMemory.h"

#include <cstdlib>
#include <new>

namespace platform {

// The bytes follow the header in the same allocation.
struct LocalBlock {
  size_t size;
  unsigned locks;
};

namespace {

unsigned char* bytesOf(LocalHandle handle) { return reinterpret_cast<unsigned char*>(handle + 1); }

}  // namespace

LocalHandle localAlloc(size_t size) {
  if (size > static_cast<size_t>(-1) - sizeof(LocalBlock)) return nullptr;
  void* memory = std::calloc(1, sizeof(LocalBlock) + size);
  if (memory == nullptr) return nullptr;
  return new (memory) LocalBlock{size, 0};
}

void* localLock(LocalHandle handle) {
  if (handle == nullptr) return nullptr;
  ++handle->locks;
  return bytesOf(handle);
}

bool localUnlock(LocalHandle handle) {
  if (handle == nullptr || handle->locks == 0) return false;
  return --handle->locks != 0;
}

size_t localSize(LocalHandle handle) { return handle != nullptr ? handle->size : 0; }

LocalHandle localFree(LocalHandle handle) {
  std::free(handle);
  return nullptr;
}

}  // namespace platform
