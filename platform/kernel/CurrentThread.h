#pragma once

#include <cstdint>

namespace platform {

// Kernel id of the calling thread; never 0, so a zeroed owner field names no thread.
uint32_t currentThreadId();

// Gives up the rest of the calling thread's time slice (the effect of a zero-length sleep).
void yieldThread();

// Binds the calling thread to the processors whose bits are set; bit i is the i-th processor the
// process may use (bit 0 the first). Best effort: false when the system refuses or no named
// processor exists; nothing else happens.
bool setCurrentThreadAffinity(uint64_t mask);

}  // namespace platform
