#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// UTF-8 for the platform's own text: native paths, lines on standard error. A surrogate pair is
// one 4-byte sequence; a lone surrogate, and any byte that does not form a well-formed sequence,
// becomes U+FFFD.

// Writes the code point (at most U+10FFFF, not a surrogate) and returns its byte count (1 to 4).
std::size_t encodeUtf8(char32_t codePoint, char out[4]);

std::string utf16ToUtf8(std::u16string_view text);
std::u16string utf8ToUtf16(std::string_view bytes);

}  // namespace platform
