#pragma once

#include <cstdint>

// The value with its eight bytes reversed (big-endian file values on a little-endian machine).
inline uint64_t ombByteSwap64(uint64_t value) {
  return __builtin_bswap64(value);
}
