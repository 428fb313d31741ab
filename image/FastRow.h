#pragma once

#include <cstdint>

// The equal-size conversion of one row for every (destination kind D, source kind S) pair:
// width pixels of kind S at `src` converted to kind D at `dst`, by DimgConvertPixel<D, S>'s rule
// and with the same bytes as applying it pixel by pixel. Eight pixels at a time go through SSE2
// blocks (PixelBlock.h); the last width % 8 pixels, and the pairs of kind 7 while the YCbCr tables
// are not filled, go pixel by pixel. Only the row's pixels are read and written.
//
// Same-kind pairs 0 to 6 are byte copies; their routine copies the row as one run.
using DimgRowRoutine = void (*)(uint8_t* dst, const uint8_t* src, uint32_t width);

// The routine of pair (d, s); both kinds must be below 8.
DimgRowRoutine DimgConvertRowRoutine(uint32_t d, uint32_t s);
