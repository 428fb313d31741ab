#pragma once

// The base library: the global functions and the default delegates of the built-in types.

#include "squirrel/vm/VM.h"

namespace sqvm::baselib {

// Fills the shared state's default delegate tables (once per state).
void createDefaultDelegates(SharedState& ss);
// Registers the global functions and values into the machine's root table.
void registerBaseLib(VM* v);

}  // namespace sqvm::baselib
