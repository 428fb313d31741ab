#pragma once

#include <optional>
#include <type_traits>

namespace acm {

// Sizes computed from format fields and byte counts that came from files: every product and sum
// goes through these, so an overflow is a refusal and never a wrapped, too small size.
template <typename T>
std::optional<T> checkedMul(T a, T b) {
  static_assert(std::is_unsigned_v<T>);
  T r;
  if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
  return r;
}

template <typename T>
std::optional<T> checkedAdd(T a, T b) {
  static_assert(std::is_unsigned_v<T>);
  T r;
  if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
  return r;
}

}  // namespace acm
