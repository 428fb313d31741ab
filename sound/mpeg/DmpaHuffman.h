#pragma once

#include "sound/mpeg/Dmpa.h"

// Huffman decoding of one granule's spectral values (big values and count-one region).
struct DmpaHuffmanRegions {
  int end[3];         // line where each big-values region ends
  int table[3];       // table select per region
  int bigEnd;         // end of the big values (<= Huffman limit)
  int limit;          // Huffman limit: no line at or above it is decoded
  int count1Table;    // 0 = table A, 1 = table B
};

// Room for the values of a granule: 576 lines, and the last count-one quadruple may begin at
// line 574 and reach 3 past the end.
inline constexpr int kDmpaHuffmanValues = 576 + 4;

// Decodes into `values` (kDmpaHuffmanValues integers; lines 0 to 575 always written) from the reader, which must not pass bit
// `partEnd`. Returns the non-zero count (lines from it on are zero), or -1 when the data ran
// past the part's end (a damaged granule, to be silenced).
int DmpaHuffmanDecode(_DMPABITS* bits, long partEnd, const DmpaHuffmanRegions& regions, int* values);
