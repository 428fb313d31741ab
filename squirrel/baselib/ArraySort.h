#pragma once

// The in-place heap sort of array.sort, with the exact comparison sequence of the original
// (scripts observe it through their comparators and through the order of equal elements).

#include "squirrel/vm/Array.h"
#include "squirrel/vm/VM.h"

namespace sqvm::baselib {

// `cmp` is null (the three-way compare) or a function f(a, b) returning an integer.
bool heapSort(VM* v, Array* a, const Value& cmp);

}  // namespace sqvm::baselib
