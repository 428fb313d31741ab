#pragma once

#include <cstdint>

// Scanning of 8-bit code page 932 text, one line at a time. A lead byte and its trail byte are
// one character; blanks are TAB, space and the full-width space (0x8140); a line ends at NUL, CR
// or LF, and the line-end character is never consumed as part of a word, key or value. Every
// function advances a cursor (a pointer into the text) that it takes by reference.

// Skips blanks; stops at the first other character or at a line end.
void l3dTextSkipBlank(const char*& cursor);

// Skips to the end of the line, then over every following CR and LF (a NUL stays).
void l3dTextSkipLine(const char*& cursor);

// Skips blanks, then copies the word (up to a blank or a line end) into buffer, NUL-terminated.
// Characters that do not fit into size - 1 bytes are passed over; a double-byte character is
// stored only whole. The blank that ends the word is left at the cursor. Returns the word's
// start in the text.
const char* l3dTextReadWord(const char*& cursor, char* buffer, uint32_t size);

// Parses one pair "key [blanks] = [blanks] value" of the rest of the line and reports where key
// and value begin and how many bytes they span (the value's count includes its quotes and
// backslashes; an absent key or value has length 0). Nothing happens when endOfLine is already
// set. endOfLine is set when the line ends before a key, after a key without "=", inside quotes,
// after a backslash or at the end of a value; a value ended by a blank leaves it clear with the
// cursor on that blank. A key followed by something other than "=" comes back without a value.
void l3dTextParseKeyValue(const char*& cursor, const char*& keyStart, uint32_t& keyLength,
                          const char*& valueStart, uint32_t& valueLength, bool& endOfLine);

inline constexpr uint32_t kL3dTextPairBytes = 1024;

// l3dTextParseKeyValue, then copies the key and the raw value (each cut to 1023 bytes, never
// inside a character, NUL-terminated; an absent one as "") into two buffers of
// kL3dTextPairBytes bytes.
void l3dTextReadKeyValue(bool& endOfLine, char* key, char* value, const char*& cursor);

// Copies text up to a line end into buffer, removing double quotes (what they enclose is copied
// as it is, blanks included) and escaping backslashes (the next character is copied as it is).
// At most size - 1 bytes are stored, a double-byte character only whole; the result is
// NUL-terminated. Returns the character that ended the text (NUL, CR or LF). buffer may be text
// itself: the output never overtakes the input, which is how a value is unquoted in place.
char l3dTextReadToken(char* buffer, uint32_t size, const char* text);

// Copies a name of length bytes (not terminated; a cut never splits a double-byte character)
// into buffer, at most size - 1 bytes and a terminator, then unquotes it in place with
// l3dTextReadToken. A null or empty name gives "".
void l3dTextCopyToken(char* buffer, uint32_t size, const char* text, uint32_t length);
