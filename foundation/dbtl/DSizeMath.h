#pragma once

#include "foundation/dbtl/DThrowBadAlloc.h"

#include <cstddef>
#include <cstdint>

namespace dbtl {

// Checked size arithmetic of the base library. Every size that is computed (element count times
// element size, a count rounded up to a growth step) goes through these, and an overflow is an
// allocation failure rather than a small wrapped size that would be overrun later.

inline size_t DSizeMul(size_t a, size_t b) {
  size_t r;
  if (__builtin_mul_overflow(a, b, &r)) DThrowBadAlloc();
  return r;
}

inline size_t DSizeAdd(size_t a, size_t b) {
  size_t r;
  if (__builtin_add_overflow(a, b, &r)) DThrowBadAlloc();
  return r;
}

// n rounded up to a multiple of step (step > 0), as a 32-bit count.
inline uint32_t DSizeRoundUp32(uint32_t n, uint32_t step) {
  uint32_t sum;
  if (__builtin_add_overflow(n, step - 1, &sum)) DThrowBadAlloc();
  return sum / step * step;
}

}  // namespace dbtl
