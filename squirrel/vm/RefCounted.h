#pragma once

// The header every heap value of the machine starts with: a reference count, and the weak
// reference that watches the object (at most one per object, shared by all who ask).

#include <cstdint>

namespace sqvm {

struct WeakRef;

struct RefCounted {
  uint32_t refCount = 0;
  // Identity for hashing and ordering: given out in creation order by the shared state, so a
  // table keyed by objects iterates the same way on every run (addresses would not).
  uint32_t serial = 0;
  WeakRef* weakRef = nullptr;

  RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;
  // Tells the weak reference (if any) that its target is gone.
  virtual ~RefCounted();
  // Called when the count drops to zero.
  virtual void release() { delete this; }
};

// Frees an object whose count reached zero. Objects freed while another is being freed wait
// in a queue, so dropping a long chain (a linked list of a million tables) does not recurse
// once per link.
void releaseObject(RefCounted* p);

[[gnu::always_inline]] inline void addRef(RefCounted* p) { ++p->refCount; }
[[gnu::always_inline]] inline void decRef(RefCounted* p) {
  if (--p->refCount == 0) releaseObject(p);
}

}  // namespace sqvm
