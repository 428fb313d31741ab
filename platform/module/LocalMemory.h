#pragma once

#include <cstddef>

namespace platform {

// Handles to blocks of local memory, the way a module hands memory it allocated over to its
// caller, who then locks, reads and frees it. A handle is opaque: only these functions look
// inside it.
struct LocalBlock;
using LocalHandle = LocalBlock*;

// A new block of size bytes, zero-filled; null when the memory cannot be had.
LocalHandle localAlloc(size_t size);
// The block's bytes (valid until it is freed), counting one lock; null for a null handle.
void* localLock(LocalHandle handle);
// Takes back one lock. True while the block is still locked afterwards.
bool localUnlock(LocalHandle handle);
// The size asked for when the block was allocated; 0 for a null handle.
size_t localSize(LocalHandle handle);
// Frees the block, locked or not. Returns null, as a freed handle must no longer be used.
LocalHandle localFree(LocalHandle handle);

}  // namespace platform
