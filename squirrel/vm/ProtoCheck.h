#pragma once

// Checks a function prototype tree before the machine builds anything from it: every register,
// literal, nested function, outer value and jump operand must lie inside its function, so that
// a malformed stream is refused instead of executed.

#include "squirrel/format/FunctionData.h"

#include <string>

namespace sqvm {

// Largest frame a prototype may ask for (operands are bytes, so real frames are far smaller).
inline constexpr int32_t kMaxStackSize = 1024;

// `parent` is the enclosing prototype (null for the main function).
bool checkFunctionData(const sqformat::FunctionData& d, const sqformat::FunctionData* parent,
                       std::u16string& error);

}  // namespace sqvm
