#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Code page 932 (Shift-JIS with the Windows extensions) <-> UTF-16, table-driven; the C locale is
// never consulted. Bytes that are not a character of the code page (a lead byte without a valid
// trail byte, 0x80, 0xA0, 0xFD-0xFF, undefined pairs) and units without a code are failures,
// never silently replaced.

// Decodes the character at the start of `bytes` (NUL included). Returns the bytes it takes, 1 or
// 2, or 0 when they do not begin a character; `unit` is set only on success.
std::size_t cp932DecodeChar(std::string_view bytes, char16_t& unit);

// Encodes one unit into `out`. Returns the byte count, 1 or 2, or 0 when the unit has no code.
std::size_t cp932EncodeChar(char16_t unit, char out[2]);

// Whole texts; nullopt when any part does not convert.
std::optional<std::u16string> cp932ToUtf16(std::string_view bytes);
std::optional<std::string> utf16ToCp932(std::u16string_view text);

}  // namespace platform
