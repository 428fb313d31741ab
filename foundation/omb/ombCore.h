#pragma once

// Framework core: result codes, the processor information, allocation that reports exhaustion
// and the core module's life. Every framework module has an init that runs once and registers
// its uninit with atexit, and an uninit that runs once and releases in reverse order.
#include "foundation/omb/ombCpu.h"
#include "foundation/omb/ombResult.h"

// Brings the core up: log defaults, processor information, the shared format buffers, the
// process-wide block pools, the file layer's state and the job system. A second call does
// nothing.
void ombCoreInit();
// Registered with atexit by ombCoreInit; the host may also run it itself. A second call does
// nothing.
void ombCoreUninit();

// Returns the pointer; a null one is first reported as the level-0 "Error: Out of memory.".
void* ombCheckAlloc(void* pointer);

template <class T>
T* ombCheckAlloc(T* pointer) {
  return static_cast<T*>(ombCheckAlloc(static_cast<void*>(pointer)));
}

// The level-0 "Error: Can't initialized." of a module that cannot come up.
void ombReportInitFailure();
// Registers a module's uninit with the exit-time list; a failure is reported as above.
void ombRegisterUninit(void (*uninit)());
