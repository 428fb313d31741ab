#include "foundation/dbtl/DLockObject.h"

namespace dbtl {

DLockObject::~DLockObject() = default;

}  // namespace dbtl
