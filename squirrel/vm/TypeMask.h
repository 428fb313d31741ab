#pragma once

// Parameter type masks of native closures ("s|n .a" style strings).

#include <cstdint>
#include <vector>

namespace sqvm {

// One mask per argument position (-1 for '.'); false on a bad letter or a dangling '|'.
bool compileTypeMask(const char16_t* mask, std::vector<int32_t>& out);

}  // namespace sqvm
