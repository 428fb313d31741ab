#pragma once

// Character classes of framework strings (UTF-16 units).

// U+0030-0039 and the full-width U+FF10-FF19.
bool ombCharIsDigit(char16_t unit);
// Tab, space and the ideographic space U+3000.
bool ombCharIsBlank(char16_t unit);
// Control characters other than tab, LF and CR, U+007F-00A0, the soft hyphen and the invisible
// spaces and marks of U+2000-206F.
bool ombCharIsInvisible(char16_t unit);
// Folds A-Z and the full-width U+FF21-FF3A to the unit 32 above; everything else is unchanged.
char16_t ombCharToLower(char16_t unit);
// A backslash or "/".
bool ombPathIsSeparator(char16_t unit);
