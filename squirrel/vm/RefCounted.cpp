#include "squirrel/vm/RefCounted.h"

#include "squirrel/vm/WeakRef.h"

namespace sqvm {

RefCounted::~RefCounted() {
  if (weakRef) weakRef->targetDied();
}

}  // namespace sqvm
