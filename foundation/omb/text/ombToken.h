#pragma once

#include <cstdint>

// The tokenizer of the command line, the update checker and the engines' text parsers. A token
// ends at a blank or invisible unit, a delimiter or (when asked) "=" / U+FF1D, and always at NUL,
// LF or CR. Quotes (U+0022, U+201D) group units and are dropped; an escape (U+005C, U+FFE5) makes
// the next unit literal and is dropped.

// The first unit that is neither blank nor invisible (the terminator stops the walk).
const char16_t* ombStrSkipBlank(const char16_t* position);
// Parses one token after leading blanks into the destination (either may be null / 0; copying
// stops silently at capacity - 1 units) and returns the unit that ended it, not consumed.
const char16_t* ombStrParseToken(const char16_t* position, const char16_t* delimiters,
                                 char16_t* destination, uint32_t capacity, bool stopAtEquals);
// Skips a token with its optional "= value" part and the blanks after it.
const char16_t* ombStrSkipToken(const char16_t* position, const char16_t* delimiters);
// Parses a token into the destination and skips its optional "= value" part; returns the end of
// the value, or the end of the token (blanks after it not skipped) when there is none.
const char16_t* ombStrGetToken(uint32_t capacity, char16_t* destination, const char16_t* position,
                               const char16_t* delimiters);
