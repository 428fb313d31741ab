#pragma once

// Parses a compiled closure stream into a function prototype.

#include "FunctionData.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace sqformat {

// Delivers up to `size` bytes into `buffer` and returns how many it delivered.
using ReadBytes = std::function<std::size_t(void* buffer, std::size_t size)>;

// Reads one whole stream (stream tag to tail tag). On failure returns null and sets `error` to
// the machine's error text for it ("io error", "invalid stream", ...).
std::unique_ptr<FunctionData> readClosure(const ReadBytes& read, std::u16string& error);

}  // namespace sqformat
