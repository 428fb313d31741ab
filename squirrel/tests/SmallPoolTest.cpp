// The small-object pool: live allocations never overlap, across size classes, reuse of
// released memory and new blocks (the pattern check catches a slot handed out twice).

#include "squirrel/vm/SmallPool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Live {
  unsigned char* p;
  std::size_t size;
  unsigned char mark;
};

TEST(SmallPool, LiveAllocationsKeepTheirBytes) {
  sqvm::SmallPool pool;
  std::vector<Live> live;
  unsigned seed = 1;
  unsigned count = 0;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFF; };
  auto allocate = [&] {
    const std::size_t size = next() % (sqvm::SmallPool::kMaxSize + 64);  // some above the pooled sizes
    auto* p = static_cast<unsigned char*>(pool.allocate(size));
    const auto mark = static_cast<unsigned char>(++count * 7);
    std::memset(p, mark, size);
    live.push_back({p, size, mark});
  };
  // About 6 MiB in all: several blocks, with released slots reused in between.
  for (int round = 0; round < 4; ++round) {
    for (int i = 0; i < 12000; ++i) allocate();
    for (std::size_t i = round % 2; i < live.size(); i += 2) pool.release(live[i].p, live[i].size);
    std::vector<Live> kept;
    for (std::size_t i = 1 - round % 2; i < live.size(); i += 2) kept.push_back(live[i]);
    live.swap(kept);
  }
  for (const Live& l : live) {
    for (std::size_t i = 0; i < l.size; ++i) ASSERT_EQ(l.p[i], l.mark) << "size " << l.size;
    pool.release(l.p, l.size);
  }
}

}  // namespace
