#pragma once

// Memory for the many small objects of one shared state (its strings). A script that builds
// a few hundred thousand strings would otherwise touch that many fresh malloc pages one by
// one; the pool carves them from big blocks (BigBlock.h, so huge pages where available), in
// size classes of 16 bytes with a free list each. Blocks go back only when the pool is
// destroyed, with the state. Sizes above kMaxSize come from malloc.

#include <cstddef>
#include <vector>

namespace sqvm {

class SmallPool {
 public:
  static constexpr std::size_t kMaxSize = 256;

  SmallPool() = default;
  SmallPool(const SmallPool&) = delete;
  SmallPool& operator=(const SmallPool&) = delete;
  ~SmallPool();

  void* allocate(std::size_t bytes);
  // `bytes` must be the size the memory was allocated with.
  void release(void* p, std::size_t bytes);

 private:
  struct FreeSlot {
    FreeSlot* next;
  };
  static constexpr std::size_t kGrain = 16;
  static constexpr std::size_t kBlockSize = std::size_t{2} << 20;

  FreeSlot* free_[kMaxSize / kGrain] = {};
  std::vector<void*> blocks_;
  char* cursor_ = nullptr;
  char* end_ = nullptr;
};

}  // namespace sqvm
