#pragma once

// Checked arithmetic for every size computed from input (counts, dimensions, offsets read from
// files, scripts or callers): a result that does not fit is a refusal, never a wrapped small
// number that would size a short buffer. Callers choose what a refusal means (a result code, an
// allocation failure, a fatal message). The type is size_t unless named: checkedMul<uint64_t>.

#include <cstddef>
#include <optional>
#include <type_traits>

namespace platform {

template <typename T = std::size_t>
std::optional<T> checkedMul(std::type_identity_t<T> a, std::type_identity_t<T> b) {
  T result;
  if (__builtin_mul_overflow(a, b, &result)) return std::nullopt;
  return result;
}

template <typename T = std::size_t>
std::optional<T> checkedAdd(std::type_identity_t<T> a, std::type_identity_t<T> b) {
  T result;
  if (__builtin_add_overflow(a, b, &result)) return std::nullopt;
  return result;
}

// value rounded up to a multiple of step (step > 0).
template <typename T = std::size_t>
std::optional<T> checkedRoundUp(std::type_identity_t<T> value, std::type_identity_t<T> step) {
  const T rest = value % step;
  if (rest == 0) return value;
  return checkedAdd<T>(value, step - rest);
}

}  // namespace platform
