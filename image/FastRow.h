#pragma once

#include <cstdint>

// The equal-size conversion of one row for every (destination kind D, source kind S) pair:
// width pixels of kind S at `src` converted to kind D at `dst`, by DimgConvertPixel<D, S>'s rule
// and with the same bytes as applying it pixel by pixel. With AVX2 sixteen pixels at a time go
// through the planar blocks (PlanarBlocks.h), then eight at a time through SIMD blocks
// (PixelBlock.h); the last width % 8 pixels, and the pairs of kind 7 until DimgYCbCrVectorReady
// (the tables filled and reproduced by the vector rules), go pixel by pixel. Only the row's
// pixels are read and written.
//
// Same-kind pairs 0 to 6 are byte copies; their routine copies the row as one run.
using DimgRowRoutine = void (*)(uint8_t* dst, const uint8_t* src, uint32_t width);

// The instruction sets the rows are built for. SSE2 is the x86-64 baseline and always there;
// SSSE3's byte shuffle moves the 3-byte kinds (1, 3 and 7) in one instruction per four pixels;
// AVX2 adds kind 7's arithmetic on eight pixels at once (sixteen in 16-bit lanes); AVX-512
// (F, BW and VBMI) runs the pairs of kind 7 thirty-two pixels at a time with byte permutes across
// the register. The widest the processor has is used.
enum class DimgRowLevel { Sse2, Ssse3, Avx2, Avx512 };

bool DimgRowLevelSupported(DimgRowLevel level);

// The routine of pair (d, s) at the widest level this processor runs; both kinds below 8.
DimgRowRoutine DimgConvertRowRoutine(uint32_t d, uint32_t s);

// The routine of pair (d, s) at a given level, which the caller has checked is supported (tests
// compare every level with the pixel rule).
DimgRowRoutine DimgConvertRowRoutineAt(DimgRowLevel level, uint32_t d, uint32_t s);
