#pragma once

#include "script/ScriptObject.h"
#include "squirrel/squirrel.h"

#include <cstdint>

class Engine;
class System;

// The natives every engine shares. Each reaches its engine and the System through the calling
// thread's context.

// The parameters, globalIsDebugBuild, globalGetScreenSize, the session queries,
// globalGetGameVersion and the four engine-queueing natives, in this order.
void registerGlobalApi(const ScriptObject& table);

// Bodies that engines register under their own names (engine..., system..., common...).
void globalRequestExit(HSQUIRRELVM vm);
void globalResetFrameController(HSQUIRRELVM vm);
// The next word of the engine's seeded generator times 2^-32, always below 1.
float globalGetRandomValue(HSQUIRRELVM vm);
bool globalIsTaskEnable(HSQUIRRELVM vm);
// Types 0 to 2 only; any other type changes nothing.
void globalSetAudioVolume(HSQUIRRELVM vm, int32_t type, float volume);
bool globalIsDebugBuild();

// A word of the generator as a float in [0, 1): the words that single precision would round up
// to 1.0 give the largest float below it instead.
float randomUnitFloat(uint32_t word);

// The calling script's engine and System; a machine without them is a level-0 error.
Engine& callerEngine(HSQUIRRELVM vm);
System& callerSystem(HSQUIRRELVM vm);
