#pragma once

// Character classes of the lexer over UTF-16 code units. Identifiers may use any letter of the
// Basic Multilingual Plane (as the wide-character classification of the original platform
// does); digits, hexadecimal digits and number syntax are ASCII only.

namespace sqcompiler {

bool isLetter(char16_t c);
bool isDigit(char16_t c);
bool isHexDigit(char16_t c);
bool isControl(char16_t c);

}  // namespace sqcompiler
