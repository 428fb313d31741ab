#pragma once

#include "foundation/dbtl/DRefCount.h"
#include "foundation/dbtl/DSizeMath.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace dbtl::detail {

// Arrays owned by rcptr: [padding][DArrayHeader][element 0][element 1]...
// The header sits right before the first element, so it is found from the element pointer
// alone; the padding keeps over-aligned element types aligned.

template <class T>
constexpr size_t kArrayHeaderSpace =
    alignof(T) > sizeof(DArrayHeader) ? alignof(T) : sizeof(DArrayHeader);

template <class T>
constexpr bool kArrayOverAligned = alignof(T) > __STDCPP_DEFAULT_NEW_ALIGNMENT__;

// Arrays are bounded to what a 32-bit size can hold: a larger request is an allocation failure.
constexpr size_t kArrayMaxBytes = 0xFFFFFFFFu;

template <class T>
void FreeArrayStorage(void* start) {
  if constexpr (kArrayOverAligned<T>) {
    ::operator delete(start, std::align_val_t(alignof(T)));
  } else {
    ::operator delete(start);
  }
}

// Destroys the elements in index order and frees the storage, as the type the array was made
// with: an array of a derived class released through a pointer to its base is destroyed whole.
template <class T>
void DestroyArray(void* first) {
  const size_t count = DArrayHeaderOf(first)->count;
  std::destroy_n(static_cast<T*>(first), count);
  FreeArrayStorage<T>(static_cast<unsigned char*>(first) - kArrayHeaderSpace<T>);
}

// A new array of n elements (n > 0): elements with a constructor are default-constructed in
// index order, plain data is left uninitialised.
template <class T>
T* NewArray(uint32_t n) {
  const size_t bytes = DSizeAdd(DSizeMul(n, sizeof(T)), kArrayHeaderSpace<T>);
  if (bytes > kArrayMaxBytes) DThrowBadAlloc();
  void* start;
  if constexpr (kArrayOverAligned<T>) {
    start = ::operator new(bytes, std::align_val_t(alignof(T)));
  } else {
    start = ::operator new(bytes);
  }
  T* first = reinterpret_cast<T*>(static_cast<unsigned char*>(start) + kArrayHeaderSpace<T>);
  ::new (static_cast<void*>(DArrayHeaderOf(first))) DArrayHeader{n, &DestroyArray<T>};
  try {
    std::uninitialized_default_construct_n(first, n);
  } catch (...) {
    FreeArrayStorage<T>(start);
    throw;
  }
  return first;
}

}  // namespace dbtl::detail
