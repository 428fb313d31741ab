#pragma once

#include "foundation/dbtl/DBuffer.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/DSizeMath.h"
#include "foundation/dbtl/rcptr.h"

#include <cstdint>

namespace dbtl {

// A growable array with a size. The capacity grows in steps of N elements and never shrinks;
// shrinking only lowers the size, and the elements beyond it stay as they were.
template <class T, uint32_t N>
class DArray : public DObject {
  static_assert(N > 0, "the growth step must be positive");

 public:
  DArray() = default;
  DArray(const DArray&) = delete;
  DArray& operator=(const DArray&) = delete;
  ~DArray() override {
    m_capacity = 0;
    m_size = 0;
    m_storage.Reset();
  }

  void Resize(uint32_t n) {
    if (m_capacity < n) {
      const uint32_t capacity = DSizeRoundUp32(n, N);
      detail::GrowStorage(m_storage, capacity, m_size);
      m_capacity = capacity;
    }
    m_size = n;
  }

  const rcptr<T>& GetStorage() const { return m_storage; }
  T* GetData() const { return m_storage.Get(); }
  uint32_t GetSize() const { return m_size; }
  uint32_t GetCapacity() const { return m_capacity; }

 private:
  rcptr<T> m_storage;
  uint32_t m_size = 0;
  uint32_t m_capacity = 0;
};

}  // namespace dbtl
