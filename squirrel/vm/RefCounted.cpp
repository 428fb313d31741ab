#include "squirrel/vm/RefCounted.h"

#include "squirrel/vm/WeakRef.h"

#include <vector>

namespace sqvm {

RefCounted::~RefCounted() {
  if (weakRef) weakRef->targetDied();
}

void releaseObject(RefCounted* p) {
  // Only trivially destructible thread-locals: objects are also freed while the thread ends (a
  // machine closed by a static object's destructor runs after the thread-locals with
  // destructors are gone). The queue exists only while a release that found more is running.
  thread_local bool releasing = false;
  thread_local std::vector<RefCounted*>* pending = nullptr;
  if (releasing) {
    // Dead from now on: a weak reference must not hand it out while it waits.
    if (p->weakRef) {
      p->weakRef->targetDied();
      p->weakRef = nullptr;
    }
    if (!pending) pending = new std::vector<RefCounted*>();
    pending->push_back(p);
    return;
  }
  releasing = true;
  p->release();
  if (pending) {
    while (!pending->empty()) {
      RefCounted* next = pending->back();
      pending->pop_back();
      next->release();
    }
    delete pending;
    pending = nullptr;
  }
  releasing = false;
}

}  // namespace sqvm
