#pragma once

// UTF-8 text for the terminal from the machine's 16-bit units.

#include <string>
#include <string_view>

namespace sqtool {

// Pairs of surrogates become one character; a lone surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view s);

}  // namespace sqtool
