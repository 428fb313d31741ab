#pragma once

#include "foundation/dbtl/DBlockPool.h"

#include <cstdint>

namespace dbtl {

// Owner of one block pool of N blocks sized for T.
template <class T, uint32_t N>
class DAllocator {
 public:
  DAllocator() : m_pool(DBlockPool::Create(N, sizeof(T))) {}
  DAllocator(const DAllocator&) = delete;
  DAllocator& operator=(const DAllocator&) = delete;
  virtual ~DAllocator() {
    if (m_pool != nullptr) m_pool->Destroy();
  }

  T* Alloc() { return static_cast<T*>(m_pool->Alloc()); }
  void Free(T* block) { m_pool->Free(block); }
  DBlockPool& GetPool() { return *m_pool; }

  // The process's one instance. It is made on first use, so a static object of any
  // translation unit can hold pointers, and it is never destroyed: a pointer released by an
  // exit routine still finds its pool alive.
  static DAllocator& Instance() {
    static DAllocator* const instance = new DAllocator();
    return *instance;
  }

 private:
  DBlockPool* m_pool;
};

}  // namespace dbtl
