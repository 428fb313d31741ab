#include "render/L3DInstanceRegistry.h"

void L3DInstanceRegistry::Add(L3DObjectInstance* instance) {
  m_instances.PushBack(dbtl::rcptr<L3DObjectInstance>::Borrow(instance));
}

void L3DInstanceRegistry::_RemoveObjectInstance(L3DObjectInstance* instance) {
  for (auto it = m_instances.Begin(); it != m_instances.End(); it = dbtl::DListBase::Next(it)) {
    if (it->elementObject == instance) {
      m_instances.Erase(it);
      return;
    }
  }
}

void L3DInstanceRegistry::ReleaseAll(const std::function<void(L3DObjectInstance*)>& release) {
  while (m_instances.GetCount() != 0) {
    auto first = m_instances.Begin();
    auto* instance = static_cast<L3DObjectInstance*>(first->elementObject);
    release(instance);
    if (m_instances.GetCount() != 0 && m_instances.Begin() == first) m_instances.Erase(first);
  }
}

bool L3DInstanceRegistry::Contains(const L3DObjectInstance* instance) const {
  // The list's iteration is not const; looking does not change it.
  auto& list = const_cast<dbtl::DList<L3DObjectInstance>&>(m_instances);
  for (auto it = list.Begin(); it != list.End(); it = dbtl::DListBase::Next(it)) {
    if (it->elementObject == instance) return true;
  }
  return false;
}
