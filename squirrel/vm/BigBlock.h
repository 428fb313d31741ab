#pragma once

// Memory for the machine's big arrays (table nodes, array elements). Filling a fresh block costs
// one page fault per 4 KiB page, and on virtual machines a fault costs far more than the work
// the script does with the page: growing a table of a million entries spent most of its time
// there. Blocks from 1 MiB up are therefore mapped on their own, in whole 2 MiB pages aligned
// to 2 MiB and marked for transparent huge pages, so that a few faults fill them; smaller
// blocks come from malloc.

#include <cstddef>
#include <new>

namespace sqvm {

void* allocateBlock(std::size_t bytes);
void freeBlock(void* p, std::size_t bytes);

// A standard allocator over the blocks above, for vectors that can grow big.
template <typename T>
struct BigBlockAllocator {
  using value_type = T;
  BigBlockAllocator() = default;
  template <typename U>
  BigBlockAllocator(const BigBlockAllocator<U>&) {}
  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(allocateBlock(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) { freeBlock(p, n * sizeof(T)); }
  template <typename U>
  bool operator==(const BigBlockAllocator<U>&) const {
    return true;
  }
};

}  // namespace sqvm
