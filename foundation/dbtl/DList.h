#pragma once

#include "foundation/dbtl/DNode.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"

#include <cstdint>

namespace dbtl {

// The element-type independent part of DList: a circular doubly linked list of nodes with a
// sentinel made on first use. Iterators are reference-counted node pointers, so an iterator
// to an erased node stays valid (Next still yields its old successor).
class DListBase : public DObject {
 public:
  using iterator = rcptr<DNode>;

  DListBase() = default;
  DListBase(const DListBase&) = delete;
  DListBase& operator=(const DListBase&) = delete;
  ~DListBase() override;

  // Makes the sentinel when the list has none.
  void _Init();

  iterator Begin();
  iterator End();
  static iterator Next(const iterator& it) { return it->next; }

  // Removes the node and returns the node that followed it. Erasing End, or a node that was
  // already erased, changes nothing (an erased node gives its old successor).
  iterator Erase(iterator position);
  // Erases from the first element to the last.
  void Clear();
  // Clears and drops the sentinel: the list is as if never used.
  void Release();

  uint32_t GetCount() const { return m_count; }

 protected:
  // Links a new node holding the element's words (one reference added) before position.
  // A position that is not in a live list inserts nothing and gives End.
  iterator _InsertWords(iterator position, DRefCount* count, void* object);

 private:
  rcptr<DNode> m_sentinel;
  uint32_t m_count = 0;
};

// A list of rcptr<T> elements. The element is released when its node is erased, and destroyed
// when that was its last reference.
template <class T>
class DList : public DListBase {
 public:
  // A new pointer to the element of a node (one reference added). An erased node holds no
  // element any more and gives an empty pointer.
  static rcptr<T> Get(const iterator& it) {
    return rcptr<T>::_Share(it->elementCount, static_cast<T*>(it->elementObject));
  }

  rcptr<T> Front() { return Get(Begin()); }

  iterator Insert(iterator position, const rcptr<T>& element) {
    return _InsertWords(std::move(position), element._GetCount(),
                        const_cast<std::remove_const_t<T>*>(element.Get()));
  }

  iterator PushBack(const rcptr<T>& element) { return Insert(End(), element); }
};

}  // namespace dbtl
