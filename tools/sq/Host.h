#pragma once

// The conformance runner's host: a machine opened the way the suite's runner opens it, with
// its print hook, compile-error hook and error handler, all writing UTF-8 to one stream.

#include "squirrel/squirrel.h"

#include <cstdio>
#include <string>

namespace sqtool {

// Opens a machine (1024 stack slots, base library) whose hooks write to `out`. The hooks are
// plain functions shared by every machine of the process, so only one stream is current: the
// one given to the last call.
HSQUIRRELVM openMachine(std::FILE* out);

// The machine's last error as UTF-8 text ("unknown" when it is not a string).
std::string lastErrorText(HSQUIRRELVM v);

}  // namespace sqtool
