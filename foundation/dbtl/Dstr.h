#pragma once

#include <cstdint>

namespace dbtl {

// The base library's free functions over 8-bit code page 932 texts. A null text reads as an
// empty one. The comparisons are equality tests: 0 means equal, 1 means different.

// Copies src with its terminator; when size bytes are reached first, dst[size - 1] becomes the
// terminator. size 0 writes nothing.
void DstrCopyN(char* dst, const char* src, uint32_t size);
void DstrCopy(char* dst, const char* src);
// Appends src after dst's terminator.
void DstrCat(char* dst, const char* src);

// 0 when the first n bytes are equal or both texts end at the same place before n.
int DstrCompareN(const char* a, const char* b, uint32_t n);
// 1 when the lengths differ, else DstrCompareN over the length.
int DstrCompare(const char* a, const char* b);
// As DstrCompareN, with 'A' to 'Z' equal to 'a' to 'z'. A two-byte character must meet a
// two-byte character with both bytes equal; a lead byte never meets a single-byte character.
int DstrCompareNoCaseN(const char* a, const char* b, uint32_t n);
int DstrCompareNoCase(const char* a, const char* b);

// Converts characters to codes (a single byte as itself, a two-byte character as lead * 256 +
// trail) while the source has bytes and fewer than n were taken, then writes a 0 code. A
// character begun before n is taken whole. Returns the number of codes; dst needs room for
// n + 1 codes.
uint32_t DstrToCodeArrayN(uint16_t* dst, const char* src, uint32_t n);
uint32_t DstrToCodeArray(const char* src, uint16_t* dst);
// Writes at most n codes up to the first 0, a code of 256 or more as two bytes (high, low),
// then a terminator. Returns the bytes written including the terminator.
uint32_t DstrFromCodeArrayN(char* dst, const uint16_t* codes, uint32_t n);
uint32_t DstrFromCodeArray(char* dst, const uint16_t* codes);

}  // namespace dbtl
