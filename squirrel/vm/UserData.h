#pragma once

// User data: a block of host memory owned by the machine, with a delegate and a type tag.

#include "squirrel/vm/Collectable.h"
#include "squirrel/vm/Table.h"

#include <memory>

namespace sqvm {

struct UserData final : Collectable {
  SQUserPointer typeTag = nullptr;
  SQRELEASEHOOK hook = nullptr;
  Table* delegate = nullptr;
  uint32_t size;
  std::unique_ptr<uint64_t[]> memory;  // 8-byte aligned

  UserData(SharedState* s, uint32_t bytes)
      : Collectable(s), size(bytes), memory(new uint64_t[(static_cast<size_t>(bytes) + 7) / 8]()) {}
  ~UserData() override {
    if (hook) hook(memory.get(), static_cast<SQInteger>(size));
    if (delegate) decRef(delegate);
  }
  SQUserPointer data() const { return memory.get(); }
  void finalize() override { setDelegate(nullptr); }
  void markChildren(Marker& m) override { m.mark(delegate); }
  bool setDelegate(Table* d) {
    if (d) addRef(d);
    Table* old = delegate;
    delegate = d;
    if (old) decRef(old);
    return true;
  }
};

inline UserData* asUserData(const SQObject& o) {
  return static_cast<UserData*>(o._unVal.pRefCounted);
}

}  // namespace sqvm
