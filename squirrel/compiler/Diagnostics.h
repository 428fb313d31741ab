#pragma once

// The failure that ends a compilation: the message and the lexer's position when it was raised.

#include <string>

namespace sqcompiler {

struct CompileFailure {
  std::u16string message;
  int line = 0;
  int column = 0;
};

}  // namespace sqcompiler
