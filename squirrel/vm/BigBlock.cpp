#include "squirrel/vm/BigBlock.h"

#include "squirrel/vm/RunBudget.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace sqvm {

namespace {

// Under the address sanitizer every block comes from malloc, so that overflows and leaks of
// big blocks are caught like those of any other.
#if defined(__SANITIZE_ADDRESS__)
#define SQ_BIG_BLOCKS_FROM_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SQ_BIG_BLOCKS_FROM_MALLOC 1
#endif
#endif

#if defined(SQ_BIG_BLOCKS_FROM_MALLOC)
constexpr bool kMapBigBlocks = false;
#else
constexpr bool kMapBigBlocks = true;
#endif

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// From here on a block is mapped: at most half of its huge pages is left unused.
constexpr std::size_t kMapFrom = kHugePage / 2;

bool mapped(std::size_t bytes) { return kMapBigBlocks && bytes >= kMapFrom; }

std::size_t mappedSize(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

// Maps `size` bytes (a multiple of the huge page) at a huge-page boundary: one extra huge page
// is mapped and the parts before and after the aligned range are given back.
void* mapAligned(std::size_t size) {
  void* raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) munmap(raw, aligned - start);
  const std::size_t tail = start + kHugePage - aligned;
  if (tail) munmap(reinterpret_cast<void*>(aligned + size), tail);
  void* p = reinterpret_cast<void*>(aligned);
#if defined(MADV_HUGEPAGE)
  madvise(p, size, MADV_HUGEPAGE);  // only a hint: without huge pages the block works the same
#endif
  return p;
}

}  // namespace

void* allocateBlock(std::size_t bytes) {
  budget::chargeBytes(bytes);
  void* p = nullptr;
  if (!mapped(bytes)) {
    p = std::malloc(bytes ? bytes : 1);
  } else if (bytes <= static_cast<std::size_t>(-1) - 2 * kHugePage) {
    p = mapAligned(mappedSize(bytes));
  }
  if (!p) throw std::bad_alloc();
  return p;
}

void freeBlock(void* p, std::size_t bytes) {
  if (!p) return;
  if (mapped(bytes)) {
    munmap(p, mappedSize(bytes));
  } else {
    std::free(p);
  }
}

}  // namespace sqvm
