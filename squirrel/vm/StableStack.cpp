#include "squirrel/vm/StableStack.h"

#include <sys/mman.h>
#include <unistd.h>

#if defined(SQ_STABLE_STACK_ASAN)
#include <sanitizer/lsan_interface.h>
#endif

namespace sqvm::stablestack {

void* reserve(std::size_t bytes) {
  // Address space only: the range costs no memory (nor commit charge) until commit() makes it
  // readable and writable.
  void* p = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
#if defined(SQ_STABLE_STACK_ASAN)
  // The values held here keep objects alive: the leak checker must see them as roots. It scans
  // only the readable part of the region.
  __lsan_register_root_region(p, bytes);
#endif
  return p;
}

void commit(void* region, std::size_t from, std::size_t to) {
  if (mprotect(static_cast<char*>(region) + from, to - from, PROT_READ | PROT_WRITE) != 0) {
    throw std::bad_alloc();
  }
}

void release(void* region, std::size_t bytes, [[maybe_unused]] std::size_t committed) {
#if defined(SQ_STABLE_STACK_ASAN)
  unpoison(region, committed);
  __lsan_unregister_root_region(region, bytes);
#endif
  munmap(region, bytes);
}

std::size_t pageSize() {
  static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

}  // namespace sqvm::stablestack
