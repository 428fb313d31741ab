#pragma once

#include "script/ScriptObject.h"

// The natives every manager puts into its root table before any script runs: sysError, sysRun,
// sysGetRootDir, sysGetDebugTime, strConvert and the math natives (degrees, single precision).
void scriptRegisterBaseNatives(const ScriptObject& table);
// The math part alone (ScriptMathNatives.cpp).
void scriptRegisterMathNatives(const ScriptObject& table);
