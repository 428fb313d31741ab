#pragma once

// Serialises a function prototype as a compiled closure stream.

#include "FunctionData.h"

#include <cstddef>
#include <functional>
#include <string>

namespace sqformat {

// Takes `size` bytes from `buffer` and returns how many it took; anything other than `size`
// is a write failure. It is also called with size 0 for empty sections and must return 0.
using WriteBytes = std::function<std::size_t(const void* buffer, std::size_t size)>;

// Writes the whole stream (stream tag to tail tag). On failure returns false and sets `error`
// to the machine's error text for it.
bool writeClosure(const FunctionData& function, const WriteBytes& write, std::u16string& error);

}  // namespace sqformat
