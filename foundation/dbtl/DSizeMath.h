#pragma once

#include "foundation/dbtl/DThrowBadAlloc.h"
#include "platform/CheckedMath.h"

#include <cstddef>
#include <cstdint>

namespace dbtl {

// Checked size arithmetic of the base library. Every size that is computed (element count times
// element size, a count rounded up to a growth step) goes through these, and an overflow is an
// allocation failure rather than a small wrapped size that would be overrun later.

inline size_t DSizeMul(size_t a, size_t b) {
  const auto product = platform::checkedMul(a, b);
  if (!product) DThrowBadAlloc();
  return *product;
}

inline size_t DSizeAdd(size_t a, size_t b) {
  const auto sum = platform::checkedAdd(a, b);
  if (!sum) DThrowBadAlloc();
  return *sum;
}

// n rounded up to a multiple of step (step > 0), as a 32-bit count.
inline uint32_t DSizeRoundUp32(uint32_t n, uint32_t step) {
  const auto rounded = platform::checkedRoundUp<uint32_t>(n, step);
  if (!rounded) DThrowBadAlloc();
  return *rounded;
}

}  // namespace dbtl
