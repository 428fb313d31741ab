#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>

namespace platform {

// Interlocked operations on plain words inside records that the framework zero-initialises and
// copies around as raw memory (spin locks, counters). The words stay ordinary integers so that a
// zeroed record is valid; every concurrent access goes through these functions.
template <class T>
concept AtomicWord = std::is_integral_v<T> && (sizeof(T) == 4 || sizeof(T) == 8);

// Stores `exchange` when the word equals `comparand`; returns the value found before.
template <AtomicWord T>
T atomicCompareExchange(T& target, T exchange, T comparand) {
  std::atomic_ref<T>(target).compare_exchange_strong(comparand, exchange, std::memory_order_acq_rel,
                                                     std::memory_order_acquire);
  return comparand;
}

template <AtomicWord T>
T atomicLoad(T& target) {
  return std::atomic_ref<T>(target).load(std::memory_order_acquire);
}

template <AtomicWord T>
void atomicStore(T& target, T value) {
  std::atomic_ref<T>(target).store(value, std::memory_order_release);
}

// Returns the new value.
template <AtomicWord T>
T atomicIncrement(T& target) {
  return std::atomic_ref<T>(target).fetch_add(1, std::memory_order_acq_rel) + 1;
}

// Returns the new value.
template <AtomicWord T>
T atomicDecrement(T& target) {
  return std::atomic_ref<T>(target).fetch_sub(1, std::memory_order_acq_rel) - 1;
}

}  // namespace platform
