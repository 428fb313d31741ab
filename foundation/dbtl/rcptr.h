#pragma once

#include "foundation/dbtl/DArrayAlloc.h"
#include "foundation/dbtl/DRefCount.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace dbtl {

// The reference-counted pointer of the whole runtime: a count block and an object pointer.
//
// The owned storage is always an array made by Create (one element for a single object); the
// last release destroys every element and frees it, whichever copy goes last. A pointer with a
// null count block and a non-null object borrows the object (a text literal, a stack buffer, a
// buffer of another object): copying and dropping it never touch the object.
//
// Counts are plain integers: one pointer and all its copies are used by one thread at a time.
// Only the count-block pool is locked.
template <class T>
class rcptr {
 public:
  using element_type = T;

  rcptr() noexcept = default;

  rcptr(const rcptr& other) noexcept : m_count(other.m_count), m_object(other.m_object) {
    DRefCountAddRef(m_count);
  }

  rcptr(rcptr&& other) noexcept : m_count(other.m_count), m_object(other.m_object) {
    other.m_count = nullptr;
    other.m_object = nullptr;
  }

  // A pointer to a derived class converts to a pointer to its base. Release works from the
  // count block's array, so the base pointer still destroys the derived array whole.
  template <class U>
    requires std::is_convertible_v<U*, T*>
  rcptr(const rcptr<U>& other) noexcept : m_count(other.m_count), m_object(other.m_object) {
    DRefCountAddRef(m_count);
  }

  template <class U>
    requires std::is_convertible_v<U*, T*>
  rcptr(rcptr<U>&& other) noexcept : m_count(other.m_count), m_object(other.m_object) {
    other.m_count = nullptr;
    other.m_object = nullptr;
  }

  ~rcptr() { Reset(); }

  // The reference to other is added before the held one is dropped, so assigning a pointer to
  // itself (or to a copy of itself) keeps the object alive.
  rcptr& operator=(const rcptr& other) noexcept {
    DRefCountAddRef(other.m_count);
    DRefCount* old = m_count;
    m_count = other.m_count;
    m_object = other.m_object;
    DRefCountRelease(old);
    return *this;
  }

  rcptr& operator=(rcptr&& other) noexcept {
    if (this != &other) _Assign(std::move(other));
    return *this;
  }

  static rcptr Borrow(T* object) noexcept {
    rcptr p;
    p.m_object = object;
    return p;
  }

  // A strong pointer made from the words of another one, with one reference added. Lists and
  // holders keep elements as bare words and hand them out through this.
  static rcptr _Share(DRefCount* count, T* object) noexcept {
    rcptr p;
    p.m_count = count;
    p.m_object = object;
    DRefCountAddRef(count);
    return p;
  }

  // Drops the held reference and leaves the pointer empty.
  void Reset() noexcept {
    DRefCount* old = m_count;
    m_count = nullptr;
    m_object = nullptr;
    DRefCountRelease(old);
  }

  // Takes over other's reference without adding one; other is left empty.
  void _Assign(rcptr&& other) noexcept {
    DRefCount* old = m_count;
    m_count = other.m_count;
    m_object = other.m_object;
    other.m_count = nullptr;
    other.m_object = nullptr;
    DRefCountRelease(old);
  }

  // Replaces the held array by a new one of n elements with a fresh count block; n = 0 leaves
  // the pointer empty. The old array is released and the pointer emptied before allocating,
  // so when the allocation throws the pointer refers to nothing rather than to freed storage.
  void Create(uint32_t n) {
    Reset();
    if (n == 0) return;
    T* first = detail::NewArray<T>(n);
    DRefCount* block;
    try {
      block = DRefCountAlloc();
    } catch (...) {
      DArrayHeaderOf(first)->destroy(first);
      throw;
    }
    block->count = 1;
    block->array = first;
    m_count = block;
    m_object = first;
  }

  // A pointer into the same array, n bytes further, sharing its count block: the whole array
  // lives as long as any of the pointers. Plain-data arrays only.
  rcptr Offset(ptrdiff_t bytes) const noexcept
    requires std::is_trivially_destructible_v<T>
  {
    if (m_object == nullptr) return rcptr();
    auto* moved = reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(m_object) + bytes);
    return _Share(m_count, moved);
  }

  T* Get() const noexcept { return m_object; }
  T& operator*() const noexcept { return *m_object; }
  T* operator->() const noexcept { return m_object; }
  T& operator[](size_t i) const noexcept { return m_object[i]; }
  explicit operator bool() const noexcept { return m_object != nullptr; }

  DRefCount* _GetCount() const noexcept { return m_count; }
  // References to the array; 0 for an empty or a borrowing pointer.
  int32_t UseCount() const noexcept { return m_count != nullptr ? m_count->count : 0; }

  // Identity is the object pointer.
  friend bool operator==(const rcptr& a, const rcptr& b) noexcept {
    return a.m_object == b.m_object;
  }

 private:
  template <class U>
  friend class rcptr;

  DRefCount* m_count = nullptr;
  T* m_object = nullptr;
};

}  // namespace dbtl
