#include "foundation/dbtl/DObject.h"

namespace dbtl {

DObject::~DObject() = default;

}  // namespace dbtl
