#pragma once

#include "foundation/dbtl/rcptr.h"

namespace dbtl {

// The two words of an rcptr kept without a reference: storing it does not raise the count and
// dropping it does not lower it. Whoever keeps one must drop it before the object dies (the
// texture registry removes its holder in the texture's destructor).
struct rcptr_holder {
  DRefCount* count = nullptr;
  void* object = nullptr;

  rcptr_holder() = default;

  template <class T>
  explicit rcptr_holder(const rcptr<T>& p) noexcept
      : count(p._GetCount()), object(const_cast<std::remove_const_t<T>*>(p.Get())) {}

  // A strong pointer again, with one reference added.
  template <class T>
  rcptr<T> Get() const noexcept {
    return rcptr<T>::_Share(count, static_cast<T*>(object));
  }
};

}  // namespace dbtl
