#include "foundation/dbtl/DBlockPool.h"

#include "foundation/dbtl/DRefCount.h"
#include "foundation/dbtl/rcptr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace {

using dbtl::DBlockPool;

TEST(DBlockPool, ZeroBlockSizeGivesNoPool) { EXPECT_EQ(DBlockPool::Create(4, 0), nullptr); }

TEST(DBlockPool, ServesItsBlocksThenTheHeap) {
  DBlockPool* pool = DBlockPool::Create(3, 24);
  ASSERT_NE(pool, nullptr);
  std::vector<void*> blocks;
  for (int i = 0; i < 4; ++i) {
    void* block = pool->Alloc();
    // Payloads hold pointers: they must be aligned, and the whole block must be writable.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t), 0u);
    std::memset(block, 0xA5, 24);
    blocks.push_back(block);
  }
  EXPECT_EQ(std::set<void*>(blocks.begin(), blocks.end()).size(), 4u);
  EXPECT_EQ(pool->GetUsed(), 3u);  // the fourth came from the heap

  pool->Free(blocks[3]);
  EXPECT_EQ(pool->GetUsed(), 3u);
  pool->Free(blocks[1]);
  EXPECT_EQ(pool->GetUsed(), 2u);
  EXPECT_EQ(pool->Alloc(), blocks[1]);  // the free stack hands back the last block returned
  pool->Free(blocks[0]);
  pool->Free(blocks[1]);
  pool->Free(blocks[2]);
  EXPECT_EQ(pool->GetUsed(), 0u);
  pool->Destroy();
}

TEST(DBlockPool, CountBlocksArePooledAndTheNextComesFromTheHeap) {
  DBlockPool& pool = dbtl::DRefCountAllocator::Instance().GetPool();
  EXPECT_EQ(pool.GetBlockSize(), sizeof(dbtl::DRefCount));
  ASSERT_EQ(pool.GetCapacity(), 4096u);

  const uint32_t before = pool.GetUsed();
  std::vector<dbtl::rcptr<int>> live(pool.GetCapacity() - before);
  for (auto& p : live) p.Create(1);
  EXPECT_EQ(pool.GetUsed(), 4096u);

  dbtl::rcptr<int> fromHeap;
  fromHeap.Create(1);
  *fromHeap = 4097;
  EXPECT_EQ(pool.GetUsed(), 4096u);
  fromHeap.Reset();
  EXPECT_EQ(pool.GetUsed(), 4096u);  // a heap block goes back to the heap, not the pool

  live.back().Reset();
  EXPECT_EQ(pool.GetUsed(), 4095u);
  live.clear();
  EXPECT_EQ(pool.GetUsed(), before);
}

TEST(DBlockPool, PointersAreMadeAndDroppedOnSeveralThreads) {
  DBlockPool& pool = dbtl::DRefCountAllocator::Instance().GetPool();
  const uint32_t before = pool.GetUsed();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      std::vector<dbtl::rcptr<int>> mine(1500);
      for (int round = 0; round < 20; ++round) {
        for (auto& p : mine) p.Create(1);
        for (auto& p : mine) p.Reset();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(pool.GetUsed(), before);
}

}  // namespace
