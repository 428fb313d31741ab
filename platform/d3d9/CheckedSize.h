#pragma once

// Size arithmetic for resource dimensions that come from callers: every product and sum that
// sizes an allocation goes through these, so an overflow is a refused call, not a short buffer.

#include <cstddef>
#include <optional>

namespace d3d9 {

inline std::optional<size_t> checkedMul(size_t a, size_t b) {
  size_t r = 0;
  if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
  return r;
}

inline std::optional<size_t> checkedAdd(size_t a, size_t b) {
  size_t r = 0;
  if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
  return r;
}

// The largest single resource the stand-in allocates; larger requests answer out of memory.
constexpr size_t kMaxResourceBytes = size_t(512) << 20;

}  // namespace d3d9
