#include "foundation/omb/containers/ombMempool.h"

#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

class Pool {
 public:
  Pool(uint32_t blocks, uint32_t size, uint32_t flags) { ombMempoolInit(&pool, blocks, size, flags); }
  ~Pool() { ombMempoolUninit(&pool); }
  OMB_MEMPOOL pool;
};

TEST(ombMempool, StrideAndChunkLayout) {
  struct Case {
    uint32_t blocks, size, flags;
    uint32_t stride, dataOffset, chunkSize;
  };
  const Case cases[] = {
      {4, 1, 0, 16, 0, 80},
      {4, 16, 0, 16, 0, 80},
      {4, 17, 0, 32, 0, 144},
      {3, 24, OMB_MEMPOOL_LISTABLE, 48, 16, 160},
      {128, 0, OMB_MEMPOOL_GROW, 16, 0, 2064},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.blocks << " x " << c.size << " flags " << c.flags);
    Pool p(c.blocks, c.size, c.flags);
    EXPECT_EQ(p.pool.blockStride, c.stride);
    EXPECT_EQ(p.pool.dataOffset, c.dataOffset);
    EXPECT_EQ(p.pool.chunkSize, c.chunkSize);
    // Blocks lie one stride apart from 16 bytes into the chunk, each 16-byte aligned.
    auto* first = static_cast<char*>(ombMempoolAllocateBlock(&p.pool));
    auto* second = static_cast<char*>(ombMempoolAllocateBlock(&p.pool));
    EXPECT_EQ(second - first, static_cast<std::ptrdiff_t>(c.stride));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % 16, 0u);
    auto* chunk = reinterpret_cast<char*>(p.pool.chunks.head.next);
    EXPECT_EQ(first - chunk, static_cast<std::ptrdiff_t>(16 + c.dataOffset));
  }
}

TEST(ombMempool, FixedPoolRunsOutAndReusesTheLastReleasedBlockFirst) {
  Pool p(3, 8, 0);
  void* a = ombMempoolAllocateBlock(&p.pool);
  void* b = ombMempoolAllocateBlock(&p.pool);
  void* c = ombMempoolAllocateBlock(&p.pool);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(ombMempoolAllocateBlock(&p.pool), nullptr);
  ombMempoolReleaseBlock(&p.pool, a);
  ombMempoolReleaseBlock(&p.pool, c);
  EXPECT_EQ(ombMempoolAllocateBlock(&p.pool), c);
  EXPECT_EQ(ombMempoolAllocateBlock(&p.pool), a);
  EXPECT_EQ(ombMempoolAllocateBlock(&p.pool), nullptr);
  EXPECT_NE(b, nullptr);
}

TEST(ombMempool, GrowingPoolAddsChunks) {
  Pool p(2, 40, OMB_MEMPOOL_GROW);
  std::vector<void*> blocks;
  for (int i = 0; i < 5; ++i) {
    blocks.push_back(ombMempoolAllocateBlock(&p.pool));
    ASSERT_NE(blocks.back(), nullptr);
  }
  EXPECT_EQ(p.pool.chunks.count, 3u);
  EXPECT_EQ(p.pool.freeBlocks.count, 1u);
}

TEST(ombMempool, ListablePoolKeepsLiveBlocksInAllocationOrder) {
  Pool p(2, 24, OMB_MEMPOOL_LISTABLE | OMB_MEMPOOL_GROW);
  void* blocks[4];
  for (auto& block : blocks) {
    block = ombMempoolAllocateBlock(&p.pool);
  }
  ombMempoolReleaseBlock(&p.pool, blocks[1]);
  std::vector<void*> live;
  for (OMB_LIST_LINK* link = ombMempoolGetListBegin(&p.pool); link != ombMempoolGetListEnd(&p.pool);
       link = link->next) {
    live.push_back(reinterpret_cast<char*>(link) + 16);
  }
  EXPECT_EQ(live, (std::vector<void*>{blocks[0], blocks[2], blocks[3]}));
  EXPECT_EQ(ombMempoolGetListCount(&p.pool), 3u);
}

TEST(ombMempool, ListQueriesOnAnOrdinaryPoolAreErrors) {
  LogCapture capture;
  Pool p(2, 8, 0);
  EXPECT_EQ(ombMempoolGetListCount(&p.pool), 0u);
  OMB_LIST_LINK* begin = ombMempoolGetListBegin(&p.pool);
  EXPECT_EQ(begin, ombMempoolGetListEnd(&p.pool));
  const std::vector<LogCapture::Message> expected = {
      {0, u"Error: [ombMempoolGetListCount] リスト化可能なメモリプールではない"},
      {0, u"Error: [ombMempoolGetListBegin] リスト化可能なメモリプールではない"},
      {0, u"Error: [ombMempoolGetListEnd] リスト化可能なメモリプールではない"},
  };
  EXPECT_EQ(LogCapture::messages(), expected);
}

}  // namespace
