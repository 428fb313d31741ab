#pragma once

#include "image/YCbCr.h"

#include <cstdint>

// The YCbCr tables rearranged for whole rows: one 64-bit look-up per channel instead of three
// 32-bit ones, each holding four 16-bit lanes that the row code adds lane by lane. Built by
// DimgInitYCbCrTables from the thirteen tables themselves, so every result stays the tables'
// result; the rows use them only when `ready` says the lanes can reproduce the formulas exactly.
//
// Forward (R, G, B -> Y, Cr, Cb): lane 0 sums the Y shares, lane 1 the Cr shares plus 128 x 128,
// lane 2 the Cb shares plus 128 x 128, lane 3 is 0. Each table's lanes are biased to be
// non-negative (the biases of one lane add up to 0 for Y and to 128 x 128 for Cr and Cb), so
// adding the three entries as plain 64-bit integers never carries from one lane into the next.
// A lane's sum shifted right by 7 is then the component itself, already inside 0..255: the
// clamps of the formulas cannot take effect for any R, G, B.
//
// Backward (Y, Cr, Cb -> R, G, B): the Cr entry holds 128 x CrR in lane 0 and CrG in lane 1, the
// Cb entry CbG in lane 1 and 128 x CbB in lane 2, all biased to be non-negative; the sum shifted
// right by 7 and less `decodeBias` (per lane) is R's, G's and B's offset from Y, each lane floored
// exactly as the formula's >> 7. Adding Y and clamping to 0..255 finishes the pixel.
struct DimgYCbCrPacked {
  uint64_t fromR[256], fromG[256], fromB[256];
  uint64_t fromCr[256], fromCb[256];
  uint16_t decodeBias[4];
  bool ready;
};

namespace dimg_detail {
extern DimgYCbCrPacked ycbcrPacked;
}  // namespace dimg_detail

// Fills `packed` from `tables`. `ready` comes out false (and the rows fall back to the table
// formulas pixel by pixel) when some lane could overflow or a clamp of the forward formulas
// could take effect; with the tables that DimgInitYCbCrTables fills it comes out true.
void DimgBuildYCbCrPacked(const DimgYCbCrTableSet& tables, DimgYCbCrPacked& packed);

inline const DimgYCbCrPacked& DimgYCbCrPackedTables() { return dimg_detail::ycbcrPacked; }
