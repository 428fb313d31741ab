#pragma once

#include <cstdint>

// UTF-8 encoder of the text writer and decoder of the lounge's player names.

// Encodes the terminated UTF-16 source. A surrogate pair becomes one 4-byte sequence and a lone
// surrogate U+FFFD. A character is written only when its bytes and the terminator fit; one that
// does not fit is skipped and later smaller ones may still be written. The terminator is always
// written when the capacity is non-zero. unitsOut (may be null) counts the source units written;
// the result is the byte count of the whole source, terminator excluded.
uint32_t ombStrUtf16ToUtf8(char* destination, uint32_t capacity, uint32_t* unitsOut,
                           const char16_t* source);

// Decodes the terminated UTF-8 source. A 4-byte sequence yields "?"; 3- and 2-byte sequences
// need non-zero continuation bytes (a zero one ends the decoding there); any other byte is one
// unit of its own value. A unit is stored while more than one unit of capacity remains, and the
// destination is always terminated when the capacity is non-zero. bytesOut (may be null) counts
// the bytes of the stored units; the result counts every character decoded.
uint32_t ombStrUtf8ToUtf16(char16_t* destination, uint32_t capacity, uint32_t* bytesOut,
                           const char* source);
