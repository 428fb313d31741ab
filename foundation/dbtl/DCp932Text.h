#pragma once

#include <string>
#include <string_view>

namespace dbtl {

// Base-library text (code page 932 bytes) made from the platform's Unicode texts: fixed
// messages written as UTF-16 literals, and UTF-8 from the system (program arguments, the
// executable's path). These never fail: a character without a code page 932 code, and a
// malformed UTF-8 sequence, become '?', as the original system's best-fit conversion does.
std::string DCp932FromUtf16(std::u16string_view text);
std::string DCp932FromUtf8(std::string_view text);

}  // namespace dbtl
