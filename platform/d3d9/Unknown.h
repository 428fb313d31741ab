#pragma once

// Reference counting shared by every object of the device stand-in. AddRef and Release keep the
// names and the counting rules of the interface the renderer calls: an object is destroyed when
// its count reaches zero, and Release returns the count left.

#include <atomic>
#include <cstdint>

namespace d3d9 {

class IUnknown {
 public:
  IUnknown(const IUnknown&) = delete;
  IUnknown& operator=(const IUnknown&) = delete;

  virtual uint32_t AddRef() { return ++refs_; }
  virtual uint32_t Release() {
    const uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  // The current count; tests use it to show that an object was really freed or kept.
  uint32_t refCount() const { return refs_.load(); }

 protected:
  IUnknown() = default;
  virtual ~IUnknown() = default;

 private:
  std::atomic<uint32_t> refs_{1};
};

// Drops a reference held in a raw pointer and nulls it.
template <class T>
void safeRelease(T*& p) {
  if (p) {
    p->Release();
    p = nullptr;
  }
}

}  // namespace d3d9
