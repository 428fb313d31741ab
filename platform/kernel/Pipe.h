#pragma once

#include <cstdint>

namespace platform {

// Reading fixed-size records from a pipe handed over by another program as an inherited file
// descriptor number (the lounge's pipes).
enum class PipeRead { Whole, NotYet, Failed };

// Reads exactly `size` bytes when at least that many are waiting (Whole); leaves the pipe
// untouched when fewer are (NotYet). Failed: the number is not an open descriptor, the query or
// the read fails, or the read comes back short.
PipeRead pipeReadWhole(uint64_t descriptor, void* buffer, uint32_t size);

// Writes all `size` bytes, retrying after interruptions. False when the number is not an open
// descriptor or the write fails; a reader that has gone away is such a failure, never a signal
// that ends the process.
bool pipeWriteWhole(uint64_t descriptor, const void* buffer, uint32_t size);

}  // namespace platform
