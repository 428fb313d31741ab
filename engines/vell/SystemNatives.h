#pragma once

#include "script/ScriptObject.h"
#include "squirrel/squirrel.h"

#include <cstdint>

// The global table's natives of the field engine that concern the frame statistics, the input
// devices and the base directory's sprite images (the global table is registered in
// Natives.cpp, in its order).
namespace vell {

// [frames updated, frames drawn] in the last whole second of the engine's frame controller.
ScriptObject systemGetFps(HSQUIRRELVM vm);
// Whether the System has a button-state tracker for the device slot (a negative device counts
// as 0; only devices 0 to 3 exist).
bool systemIsInputDeviceExist(HSQUIRRELVM vm, int32_t device);
// Controller `slot` reads the tracker of `device` from now on (negatives count as 0); nothing
// when either is 4 or more or the device has no tracker.
void systemSetControllerInputDevice(HSQUIRRELVM vm, int32_t slot, int32_t device);
// A sprite image of the engine's sprite engine, from a path relative to the base directory.
int32_t spriteImageLoadBase(HSQUIRRELVM vm, const char16_t* path);

}  // namespace vell
