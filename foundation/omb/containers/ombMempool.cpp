#include "foundation/omb/containers/ombMempool.h"

#include "foundation/omb/ombCheckedMath.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"

#include <limits>

namespace {

constexpr uint32_t kHeader = 16;
constexpr uint32_t kAlignment = 16;
static_assert(sizeof(OMB_LIST_LINK) <= kHeader, "a chunk or block link must fit in its header");

bool listable(const OMB_MEMPOOL* pool) {
  return (pool->flags & OMB_MEMPOOL_LISTABLE) != 0;
}

bool checkListable(OMB_MEMPOOL* pool, const char* name) {
  if (listable(pool)) {
    return true;
  }
  ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] リスト化可能なメモリプールではない", name);
  return false;
}

// Carves one more chunk into the free list, in address order.
bool addChunk(OMB_MEMPOOL* pool) {
  auto* chunk =
      static_cast<char*>(ombAllocatorMallocAligned(pool->alignment, pool->chunkSize, pool->allocator));
  if (!chunk) {
    return false;
  }
  ombListAppend(&pool->chunks, reinterpret_cast<OMB_LIST_LINK*>(chunk));
  char* block = chunk + pool->chunkHeader;
  for (uint32_t i = 0; i < pool->blocksPerChunk; ++i, block += pool->blockStride) {
    ombListAppend(&pool->freeBlocks, reinterpret_cast<OMB_LIST_LINK*>(block));
  }
  return true;
}

}  // namespace

void ombMempoolInit(OMB_MEMPOOL* pool, uint32_t blocksPerChunk, uint32_t blockSize, uint32_t flags) {
  const bool isListable = (flags & OMB_MEMPOOL_LISTABLE) != 0;
  std::size_t stride = 0;
  std::size_t chunk = 0;
  bool fits = ombCheckedRoundUp(std::size_t{blockSize} + (isListable ? kHeader : 0), kAlignment,
                                &stride);
  if (fits && stride < kHeader) {
    stride = kHeader;  // a free block holds its link
  }
  fits = fits && ombCheckedMul(stride, blocksPerChunk, &chunk) &&
         ombCheckedAdd(chunk, kHeader, &chunk) && ombCheckedRoundUp(chunk, kAlignment, &chunk) &&
         chunk <= std::numeric_limits<uint32_t>::max();
  if (!fits) {
    ombCheckAlloc(nullptr);
    stride = kHeader;
    blocksPerChunk = 0;
    chunk = kHeader;
  }
  pool->chunkSize = static_cast<uint32_t>(chunk);
  pool->chunkHeader = kHeader;
  pool->blockStride = static_cast<uint32_t>(stride);
  pool->dataOffset = isListable ? kHeader : 0;
  pool->alignment = kAlignment;
  pool->blocksPerChunk = blocksPerChunk;
  pool->allocator = nullptr;
  pool->flags = flags;
  ombListInit(&pool->chunks);
  ombListInit(&pool->freeBlocks);
  ombListInit(&pool->liveBlocks);
}

void ombMempoolUninit(OMB_MEMPOOL* pool) {
  ombListInit(&pool->liveBlocks);
  ombListInit(&pool->freeBlocks);
  OMB_LIST_LINK* link = pool->chunks.head.next;
  while (link != &pool->chunks.head) {
    OMB_LIST_LINK* next = link->next;
    ombAllocatorFreeAligned(pool->allocator, link);
    link = next;
  }
  ombListInit(&pool->chunks);
}

void* ombMempoolAllocateBlock(OMB_MEMPOOL* pool) {
  if (pool->freeBlocks.count == 0) {
    const bool mayGrow = (pool->flags & OMB_MEMPOOL_GROW) != 0;
    if (pool->blocksPerChunk == 0 || (pool->chunks.count != 0 && !mayGrow) || !addChunk(pool)) {
      return nullptr;
    }
  }
  OMB_LIST_LINK* node = pool->freeBlocks.head.next;
  ombListRemove(&pool->freeBlocks, node);
  if (listable(pool)) {
    ombListAppend(&pool->liveBlocks, node);
  }
  return reinterpret_cast<char*>(node) + pool->dataOffset;
}

void ombMempoolReleaseBlock(OMB_MEMPOOL* pool, void* block) {
  auto* node = reinterpret_cast<OMB_LIST_LINK*>(static_cast<char*>(block) - pool->dataOffset);
  if (listable(pool)) {
    ombListRemove(&pool->liveBlocks, node);
  }
  ombListPrepend(&pool->freeBlocks, node);
}

uint32_t ombMempoolGetListCount(OMB_MEMPOOL* pool) {
  if (!checkListable(pool, "ombMempoolGetListCount")) {
    return 0;
  }
  return pool->liveBlocks.count;
}

OMB_LIST_LINK* ombMempoolGetListBegin(OMB_MEMPOOL* pool) {
  if (!checkListable(pool, "ombMempoolGetListBegin")) {
    return ombListSentinel(&pool->liveBlocks);
  }
  return pool->liveBlocks.head.next;
}

OMB_LIST_LINK* ombMempoolGetListEnd(OMB_MEMPOOL* pool) {
  checkListable(pool, "ombMempoolGetListEnd");
  return ombListSentinel(&pool->liveBlocks);
}

void ombMempoolReportExhausted() {
  ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] メモリプールの空きが無くなった",
               "ombMempoolAllocateBlock");
}
