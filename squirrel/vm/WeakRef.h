#pragma once

// A weak reference: watches one object without keeping it alive. There is at most one per
// object; when the object dies the reference reads as null.

#include "squirrel/vm/Value.h"

namespace sqvm {

struct WeakRef final : RefCounted {
  SQObject target;  // not counted

  explicit WeakRef(const SQObject& o) : target(o) {}
  ~WeakRef() override {
    if (ISREFCOUNTED(target._type)) target._unVal.pRefCounted->weakRef = nullptr;
  }
  void targetDied() {
    target._type = OT_NULL;
    target._unVal.raw = 0;
  }
  Value get() const { return Value(target); }
};

inline WeakRef* asWeakRef(const SQObject& o) { return static_cast<WeakRef*>(o._unVal.pRefCounted); }

// The weak reference of a value: the shared one for counted objects, the value itself otherwise.
Value makeWeakRef(const SQObject& o);

// A stored weak reference reads as its target.
inline Value derefWeak(const Value& v) {
  if (v._type == OT_WEAKREF) return asWeakRef(v)->get();
  return v;
}

}  // namespace sqvm
