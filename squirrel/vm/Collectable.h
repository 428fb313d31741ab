#pragma once

// Objects that can hold references to other objects, and so can form cycles. Every one is
// linked into its shared state's chain, so the collector and the closing machine can reach
// all of them, including those that only a cycle keeps alive.

#include "squirrel/vm/Value.h"

#include <vector>

namespace sqvm {

struct SharedState;
class Marker;

struct Collectable : RefCounted {
  SharedState* ss;
  Collectable* gcPrev = nullptr;
  Collectable* gcNext = nullptr;
  bool marked = false;

  explicit Collectable(SharedState* state);
  ~Collectable() override;
  // Drops every reference this object holds (the collector's way of breaking a cycle).
  virtual void finalize() = 0;
  // Reports what this object references.
  virtual void markChildren(Marker& m) = 0;
};

inline bool isCollectableType(SQObjectType t) {
  switch (t) {
    case OT_TABLE:
    case OT_ARRAY:
    case OT_USERDATA:
    case OT_CLOSURE:
    case OT_NATIVECLOSURE:
    case OT_GENERATOR:
    case OT_THREAD:
    case OT_CLASS:
    case OT_INSTANCE: return true;
    default: return false;
  }
}

// Marks reachable objects with an explicit work list (deep structures must not recurse).
class Marker {
 public:
  void mark(const SQObject& o) {
    if (isCollectableType(o._type)) mark(static_cast<Collectable*>(o._unVal.pRefCounted));
  }
  void mark(Collectable* c) {
    if (c && !c->marked) {
      c->marked = true;
      work_.push_back(c);
    }
  }
  void drain() {
    while (!work_.empty()) {
      Collectable* c = work_.back();
      work_.pop_back();
      c->markChildren(*this);
    }
  }

 private:
  std::vector<Collectable*> work_;
};

}  // namespace sqvm
