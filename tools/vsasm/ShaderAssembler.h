#pragma once

// A text assembler for vertex shaders 1.1 and 2.0 and pixel shaders 1.1 to 1.4 and 2.0: the
// usual assembly syntax (a version line, then one instruction a line, ';' or '//' comments) to
// the token stream the device takes. The result is checked with the device's own decoder, so
// what assembles is what the device accepts.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vsasm {

struct Assembled {
  bool ok = false;
  std::vector<uint32_t> tokens;
  std::string error;  // "line N: ..." when not ok
};

Assembled assemble(std::string_view source);

}  // namespace vsasm
