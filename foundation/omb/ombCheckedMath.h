#pragma once

#include "platform/CheckedMath.h"

#include <cstddef>
#include <cstdint>
#include <limits>

// Checked arithmetic for every size computed from counts: a result that does not fit is a
// failure, never a wrapped small number that would allocate a short block.

// a * b into out; false when the product does not fit in a size_t.
inline bool ombCheckedMul(std::size_t a, std::size_t b, std::size_t* out) {
  const auto product = platform::checkedMul(a, b);
  if (product) *out = *product;
  return product.has_value();
}

// a + b into out; false when the sum does not fit in a size_t.
inline bool ombCheckedAdd(std::size_t a, std::size_t b, std::size_t* out) {
  const auto sum = platform::checkedAdd(a, b);
  if (sum) *out = *sum;
  return sum.has_value();
}

// value rounded up to a multiple of step (step > 0); false when that does not fit.
inline bool ombCheckedRoundUp(std::size_t value, std::size_t step, std::size_t* out) {
  const auto rounded = platform::checkedRoundUp(value, step);
  if (rounded) *out = *rounded;
  return rounded.has_value();
}

// True when a byte size may be handed to the heap: at most the largest object size.
inline bool ombIsAllocatableSize(std::size_t bytes) {
  return bytes <= static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max());
}
