#pragma once

// Script files are UTF-8; the compiler reads UTF-16 code units.

#include <string>
#include <string_view>

namespace sqcompiler {

// Converts UTF-8 bytes to UTF-16: a leading byte order mark is skipped, characters outside the
// Basic Multilingual Plane become surrogate pairs, and every malformed sequence (bad lead or
// continuation byte, overlong form, surrogate code point, value above U+10FFFF, truncated end)
// becomes one U+FFFD.
std::u16string utf8ToUtf16(std::string_view bytes);

}  // namespace sqcompiler
