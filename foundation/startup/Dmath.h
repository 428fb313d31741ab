#pragma once

#include <cstdint>

// Lookup tables of the base library's fast math, filled once by the program entry before
// anything else reads them (DmathInitTables) and read-only afterwards.

// sin(i * 2pi / 4096) for i from 0 to 5119: angles are in 4096ths of a turn, and the table
// runs a quarter turn further so that the cosine of angle i is entry i + 1024.
inline constexpr uint32_t DMATH_SIN_TABLE_SIZE = 5120;
extern float DmathSinTable[DMATH_SIN_TABLE_SIZE];

// Square-root mantissas. The two halves lie back to back and form one table of 65536 entries,
// indexed by the lowest bit of a positive float's biased exponent (index bit 15) and the top 15
// bits of its mantissa (bits 14 to 0):
//   [0][i]: the 23 mantissa bits of the float nearest to sqrt(2 * (1 + i / 32768)), for an even
//           biased exponent (odd true exponent);
//   [1][i]: the same for sqrt(1 + i / 32768), for an odd biased exponent.
// The user supplies the result's exponent: half the input's true exponent, rounded down.
inline constexpr uint32_t DMATH_SQRT_HALF_SIZE = 32768;
extern uint32_t DmathSqrtTable[2][DMATH_SQRT_HALF_SIZE];

// The index into DmathSqrtTable (seen as one array of 65536) for the bits of a float.
constexpr uint32_t DmathSqrtIndex(uint32_t floatBits) { return (floatBits >> 8) & 0xFFFF; }

// Fills the sine table, then the square-root tables.
void DmathInitTables();
void DmathInitSqrtTables();
