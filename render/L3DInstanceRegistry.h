#pragma once

// The renderer's list of every live object instance built on it, so that releasing the
// renderer can release them all. The list holds no reference: each instance is owned by its
// loaded object and takes itself out of the list when it is released.

#include "foundation/dbtl/DList.h"

#include <cstdint>
#include <functional>

class L3DObjectInstance;

class L3DInstanceRegistry {
 public:
  ~L3DInstanceRegistry() { m_instances.Release(); }

  void Add(L3DObjectInstance* instance);
  // Erases the first entry of the instance; nothing when it is not listed.
  void _RemoveObjectInstance(L3DObjectInstance* instance);
  // Calls release on each listed instance (which is expected to remove itself) until the list
  // is empty; an instance that stays listed is taken out here.
  void ReleaseAll(const std::function<void(L3DObjectInstance*)>& release);
  bool Contains(const L3DObjectInstance* instance) const;
  uint32_t GetCount() const { return m_instances.GetCount(); }

 private:
  dbtl::DList<L3DObjectInstance> m_instances;
};
