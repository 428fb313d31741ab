#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/rcptr.h"

#include <cstdint>

// A handle to element i of an array, sharing the array's count block: the whole array lives
// as long as any element handle does.
template <class T>
dbtl::rcptr<T> l3dElement(const dbtl::rcptr<T>& array, uint32_t i) {
  return dbtl::rcptr<T>::_Share(array._GetCount(), array.Get() + i);
}

// One new object behind its own handle.
template <class T>
dbtl::rcptr<T> l3dNewObject() {
  dbtl::rcptr<T> p;
  p.Create(1);
  return p;
}

// The n-th element of a list (1-based), or an empty handle when the list is shorter.
template <class T>
dbtl::rcptr<T> l3dListNth(dbtl::DList<T>& list, uint32_t n) {
  auto it = list.Begin();
  const auto end = list.End();
  for (uint32_t i = 1; i < n && it != end; ++i) it = dbtl::DListBase::Next(it);
  if (n == 0 || it == end) return {};
  return dbtl::DList<T>::Get(it);
}

// The listed element that is the same object as target, or an empty handle.
template <class T>
dbtl::rcptr<T> l3dListFind(dbtl::DList<T>& list, const T* target) {
  for (auto it = list.Begin(), end = list.End(); it != end; it = dbtl::DListBase::Next(it)) {
    if (it->elementObject == target) return dbtl::DList<T>::Get(it);
  }
  return {};
}

// Calls visit(handle) for each element in order until it returns true; returns that element.
template <class T, class Visit>
dbtl::rcptr<T> l3dListFirst(dbtl::DList<T>& list, Visit visit) {
  for (auto it = list.Begin(), end = list.End(); it != end; it = dbtl::DListBase::Next(it)) {
    if (visit(*static_cast<const T*>(it->elementObject))) return dbtl::DList<T>::Get(it);
  }
  return {};
}
