#pragma once

// A budget for running scripts nobody has checked. The fuzz target that runs scripts builds the
// library with SQUIRREL_RUN_BUDGET and defines the two functions: the machine charges every
// instruction and native call it executes and every block of memory it takes for arrays, tables
// and strings, and the target throws when its budget is spent, which ends the run the way any
// exception from a native does. In every other build the charges are empty and cost nothing.

#include <cstddef>

namespace sqvm::budget {

#if defined(SQUIRREL_RUN_BUDGET)
void chargeStep();
void chargeBytes(std::size_t bytes);
#else
inline void chargeStep() {}
inline void chargeBytes(std::size_t) {}
#endif

}  // namespace sqvm::budget
