#pragma once

#include "squirrel/squirrel.h"

// The hooks through which a manager's machine reports, all as level-4 (debug) messages: the
// print function of the shared state (what the script's `print` calls), its compile-error
// handler, and the run-time error handler (a native closure installed with sq_seterrorhandler,
// called with the error value in slot 2), which logs the error, the call stack and the locals.

// "[] " and the format with every bare "%s" widened to "%ls" (the machine's strings are UTF-16);
// "%%" stays a literal percent and a conversion with flags or a width is left as it is.
void scriptPrintHandler(HSQUIRRELVM vm, const SQChar* format, ...);
void scriptCompileErrorHandler(HSQUIRRELVM vm, const SQChar* description, const SQChar* source,
                               SQInteger line, SQInteger column);
SQInteger scriptRuntimeErrorHandler(HSQUIRRELVM vm);
