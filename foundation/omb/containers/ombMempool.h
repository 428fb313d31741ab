#pragma once

#include "foundation/omb/containers/ombAllocator.h"
#include "foundation/omb/containers/ombList.h"

#include <cstdint>

// Fixed-size blocks carved from 16-byte aligned chunks and recycled last in, first out; chunks
// are freed only by ombMempoolUninit.
inline constexpr uint32_t OMB_MEMPOOL_GROW = 1;      // may allocate further chunks
inline constexpr uint32_t OMB_MEMPOOL_LISTABLE = 2;  // live blocks are kept in allocation order

struct OMB_MEMPOOL {
  uint32_t chunkSize;    // bytes
  uint32_t chunkHeader;  // 16: the chunk's own link
  uint32_t blockStride;  // bytes
  uint32_t dataOffset;   // 16 for a listable pool (the block's link), else 0
  uint32_t alignment;    // 16
  uint32_t blocksPerChunk;
  OMB_ALLOCATOR* allocator;
  uint32_t flags;
  OMB_LIST chunks;
  OMB_LIST freeBlocks;
  OMB_LIST liveBlocks;  // listable pools only
};

// No chunk is allocated yet. The record must not move afterwards (its lists point at it).
void ombMempoolInit(OMB_MEMPOOL* pool, uint32_t blocksPerChunk, uint32_t blockSize, uint32_t flags);
// Frees every chunk; blocks still in use become invalid.
void ombMempoolUninit(OMB_MEMPOOL* pool);
// A 16-byte aligned block, or null when the first chunk is used up and the pool may not grow.
// Callers report a null result with ombMempoolReportExhausted.
void* ombMempoolAllocateBlock(OMB_MEMPOOL* pool);
void ombMempoolReleaseBlock(OMB_MEMPOOL* pool, void* block);

// Listable pools: the live blocks' headers in allocation order, from Begin to the sentinel End;
// a block's successor is its header's next link and its data lies 16 bytes after the header.
uint32_t ombMempoolGetListCount(OMB_MEMPOOL* pool);
OMB_LIST_LINK* ombMempoolGetListBegin(OMB_MEMPOOL* pool);
OMB_LIST_LINK* ombMempoolGetListEnd(OMB_MEMPOOL* pool);

// The level-0 "Error: [ombMempoolAllocateBlock] メモリプールの空きが無くなった".
void ombMempoolReportExhausted();
