#include "squirrel/vm/SmallPool.h"

#include "squirrel/vm/BigBlock.h"
#include "squirrel/vm/RunBudget.h"

#include <cstdlib>
#include <new>

namespace sqvm {

namespace {

// Under the address sanitizer every object comes from malloc, so that overflows, uses after
// release and leaks are caught for each one.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif
#else
constexpr bool kPooled = true;
#endif

}  // namespace

SmallPool::~SmallPool() {
  for (void* b : blocks_) freeBlock(b, kBlockSize);
}

void* SmallPool::allocate(std::size_t bytes) {
  if (!kPooled || bytes > kMaxSize) {
    budget::chargeBytes(bytes);
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) throw std::bad_alloc();
    return p;
  }
  const std::size_t cls = bytes ? (bytes - 1) / kGrain : 0;
  if (FreeSlot* slot = free_[cls]) {
    free_[cls] = slot->next;
    return slot;
  }
  const std::size_t size = (cls + 1) * kGrain;
  if (static_cast<std::size_t>(end_ - cursor_) < size) {
    blocks_.reserve(blocks_.size() + 1);
    char* block = static_cast<char*>(allocateBlock(kBlockSize));
    blocks_.push_back(block);
    cursor_ = block;
    end_ = block + kBlockSize;
  }
  void* p = cursor_;
  cursor_ += size;
  return p;
}

void SmallPool::release(void* p, std::size_t bytes) {
  if (!kPooled || bytes > kMaxSize) {
    std::free(p);
    return;
  }
  auto* slot = static_cast<FreeSlot*>(p);
  const std::size_t cls = bytes ? (bytes - 1) / kGrain : 0;
  slot->next = free_[cls];
  free_[cls] = slot;
}

}  // namespace sqvm
