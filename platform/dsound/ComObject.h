#pragma once

#include "platform/dsound/DsoundInterfaces.h"

#include <atomic>
#include <cstdint>

namespace dsound {

// The reference count and interface queries every object of the device shares. An object starts
// with one reference (its creator's) and destroys itself at its last Release.
template <typename Interface>
class ComObject : public Interface {
 public:
  uint32_t AddRef() override { return ++references_; }

  uint32_t Release() override {
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ComObject() = default;

  // QueryInterface's answer: the object itself for IUnknown and its own interface, `extra` (a
  // further face of the same object, sharing the count) for `extraIid`, else E_NOINTERFACE.
  HRESULT answerQuery(const IID& iid, void** object, const IID& own, const IID& extraIid = GUID_NULL,
                      void* extra = nullptr) {
    if (!object) return DSERR_INVALIDPARAM;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == own) {
      *object = static_cast<Interface*>(this);
    } else if (extra && iid == extraIid) {
      *object = extra;
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return DS_OK;
  }

 private:
  std::atomic<uint32_t> references_{1};
};

}  // namespace dsound
