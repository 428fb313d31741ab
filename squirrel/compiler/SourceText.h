#pragma once

// Script files are UTF-8; the compiler reads UTF-16 code units. Messages go back to UTF-8.

#include <string>
#include <string_view>

namespace sqcompiler {

// Converts UTF-8 bytes to UTF-16: a leading byte order mark is skipped, characters outside the
// Basic Multilingual Plane become surrogate pairs, and every malformed sequence (bad lead or
// continuation byte, overlong form, surrogate code point, value above U+10FFFF, truncated end)
// becomes one U+FFFD.
std::u16string utf8ToUtf16(std::string_view bytes);

// Converts UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace sqcompiler
