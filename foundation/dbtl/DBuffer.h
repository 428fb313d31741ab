#pragma once

#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/DSizeMath.h"
#include "foundation/dbtl/rcptr.h"

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

namespace dbtl {

namespace detail {

// Copies the first count elements of from into to: plain data byte for byte, other types by
// element assignment.
template <class T>
void CopyElements(T* to, const T* from, uint32_t count) {
  if (count == 0) return;
  if constexpr (std::is_trivially_copyable_v<T>) {
    std::memcpy(static_cast<void*>(to), static_cast<const void*>(from), sizeof(T) * count);
  } else {
    for (uint32_t i = 0; i < count; ++i) to[i] = from[i];
  }
}

// Replaces storage by a new array of capacity elements whose first keep elements are copied
// from the old one. The old array stays untouched when anything throws.
template <class T>
void GrowStorage(rcptr<T>& storage, uint32_t capacity, uint32_t keep) {
  rcptr<T> grown;
  grown.Create(capacity);
  CopyElements(grown.Get(), storage.Get(), keep);
  storage = std::move(grown);
}

}  // namespace detail

// A growable array that knows only its capacity: the owner keeps its own count and indexes the
// storage directly. The capacity grows in steps of N elements and never shrinks.
template <class T, uint32_t N>
class DBuffer : public DObject {
  static_assert(N > 0, "the growth step must be positive");

 public:
  DBuffer() = default;
  DBuffer(const DBuffer&) = delete;
  DBuffer& operator=(const DBuffer&) = delete;
  ~DBuffer() override {
    m_capacity = 0;
    m_storage.Reset();
  }

  // Makes the capacity at least n, rounded up to a multiple of N; the elements that were there
  // keep their places. Nothing is reallocated when the capacity already suffices.
  void Reserve(uint32_t n) {
    if (m_capacity >= n) return;
    const uint32_t capacity = DSizeRoundUp32(n, N);
    detail::GrowStorage(m_storage, capacity, m_capacity);
    m_capacity = capacity;
  }

  // Drops the storage: the capacity becomes 0, and the elements are destroyed with the last
  // reference to it.
  void Release() {
    m_capacity = 0;
    m_storage.Reset();
  }

  const rcptr<T>& GetStorage() const { return m_storage; }
  T* GetData() const { return m_storage.Get(); }
  uint32_t GetCapacity() const { return m_capacity; }

 private:
  rcptr<T> m_storage;
  uint32_t m_capacity = 0;
};

}  // namespace dbtl
