#include "squirrel/vm/WeakRef.h"

namespace sqvm {

Value makeWeakRef(const SQObject& o) {
  if (!ISREFCOUNTED(o._type)) return Value(o);
  RefCounted* p = o._unVal.pRefCounted;
  if (!p->weakRef) {
    p->weakRef = new WeakRef(o);
    p->weakRef->serial = p->serial;
  }
  return Value(OT_WEAKREF, p->weakRef);
}

}  // namespace sqvm
