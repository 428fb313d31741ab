#include "foundation/dbtl/DList.h"

#include <utility>

namespace dbtl {

DListBase::~DListBase() { Release(); }

void DListBase::_Init() {
  if (m_sentinel) return;
  m_sentinel.Create(1);
  m_sentinel->next = m_sentinel;
  m_sentinel->prev = m_sentinel;
  m_sentinel->linked = true;
}

DListBase::iterator DListBase::Begin() {
  _Init();
  return m_sentinel->next;
}

DListBase::iterator DListBase::End() {
  _Init();
  return m_sentinel;
}

DListBase::iterator DListBase::_InsertWords(iterator position, DRefCount* count, void* object) {
  _Init();
  if (!position || !position->linked) return m_sentinel;
  rcptr<DNode> node;
  node.Create(1);
  node->next = position;
  node->prev = position->prev;
  node->elementCount = count;
  node->elementObject = object;
  node->linked = true;
  DRefCountAddRef(count);
  node->prev->next = node;
  position->prev = node;
  ++m_count;
  return node;
}

DListBase::iterator DListBase::Erase(iterator position) {
  _Init();
  if (!position || position == m_sentinel) return m_sentinel;
  if (!position->linked) return position->next;
  iterator following = position->next;
  position->prev->next = position->next;
  position->next->prev = position->prev;
  --m_count;
  position->linked = false;
  // The element words are cleared before the element is released, so its destructor (which may
  // walk this list) and any later Get through a stale iterator see no element.
  DRefCount* count = std::exchange(position->elementCount, nullptr);
  position->elementObject = nullptr;
  DRefCountRelease(count);
  return following;
}

void DListBase::Clear() {
  while (m_count != 0) Erase(Begin());
}

void DListBase::Release() {
  if (!m_sentinel) return;
  Clear();
  // An iterator may still hold the old sentinel; it must not take insertions any more.
  m_sentinel->linked = false;
  m_sentinel->next.Reset();
  m_sentinel->prev.Reset();
  m_sentinel.Reset();
}

}  // namespace dbtl
