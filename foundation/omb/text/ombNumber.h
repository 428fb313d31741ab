#pragma once

// Numbers in framework strings, as the engines' text parsers read them: the leading blanks of
// the C library's conversions are skipped, then the longest prefix that forms a number is read
// in the C locale. Only ASCII forms count (full-width digits end the number, as they do for the
// C library). `end` (may be null) receives the first unit after the number, or the start of the
// text when none was read.

// A decimal or hexadecimal floating-point number, "inf" or "nan"; 0 when none.
double ombStrToDouble(const char16_t* text, const char16_t** end);
// An integer whose base comes from its prefix (0x hexadecimal, 0 octal, else decimal); values
// beyond the range of a long saturate; 0 when none.
long ombStrToLong(const char16_t* text, const char16_t** end);
