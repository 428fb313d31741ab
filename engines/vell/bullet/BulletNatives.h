#pragma once

#include "script/ScriptObject.h"

#include <cstdint>

// The bullet natives that other tables hold: the global table registers the first, the object
// table the other two (the root table's own bullet natives come from registerBulletNatives).
namespace vell {

void systemClearRuntimeResources(HSQUIRRELVM vm);
void objectSetAttackDynamic(HSQUIRRELVM vm, int32_t id, int32_t on);
void objectClearAttackDynamic(HSQUIRRELVM vm);

}  // namespace vell
