#pragma once

// Numbers read from script strings the way the original C library reads them: a text with a
// '.' as a floating-point number, otherwise as a base-10 integer; leading white space and a
// sign are accepted and trailing text is ignored.

#include "squirrel/squirrel.h"

#include <string_view>

namespace sqvm::baselib {

enum class NumberKind { Integer, Float };

// False when the text has no digits where the number should start.
bool parseNumber(std::u16string_view text, NumberKind kind, SQInteger& i, SQFloat& f);

}  // namespace sqvm::baselib
