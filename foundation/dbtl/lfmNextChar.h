#pragma once

// The character reader of the game library's text parsers: the next character of an 8-bit
// code page 932 text, advancing the cursor past it. A lead byte and its trail byte give
// lead * 256 + trail. NUL, CR and LF give 0 and leave the cursor where it is, so a parser
// stops at the end of a line; so does a lead byte whose trail byte is missing.
unsigned int lfmNextChar(const char** cursor);
