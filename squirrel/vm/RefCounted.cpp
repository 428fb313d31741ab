#include "squirrel/vm/RefCounted.h"

#include <vector>

#include "squirrel/vm/WeakRef.h"

namespace sqvm {

RefCounted::~RefCounted() {
  if (weakRef) weakRef->targetDied();
}

void releaseObject(RefCounted* p) {
  thread_local bool releasing = false;
  thread_local std::vector<RefCounted*> pending;
  if (releasing) {
    // Dead from now on: a weak reference must not hand it out while it waits.
    if (p->weakRef) {
      p->weakRef->targetDied();
      p->weakRef = nullptr;
    }
    pending.push_back(p);
    return;
  }
  releasing = true;
  p->release();
  while (!pending.empty()) {
    RefCounted* next = pending.back();
    pending.pop_back();
    next->release();
  }
  releasing = false;
}

}  // namespace sqvm
