#pragma once

#include <cstdint>

// The decoder's constant tables. They depend on nothing but the standard, so one read-only
// copy is built once per process (on first use, thread-safe) and every context points at it.
struct DmpaTables {
  // Layers I and II.
  float layer1Base[16];      // 2 / (2^(a+1) - 1) for allocation a (0 for a = 0 and 15)
  float layer2Base[18];      // 2 / L for quantisation class q (levels L)
  float scaleFactor[64];     // 65536 * 2^(-k/3)
  int8_t ungroup3[32][3];    // base-3 digits minus 1, lowest first
  int8_t ungroup5[128][3];   // base-5 digits minus 2
  int16_t ungroup9[1024][3]; // base-9 digits minus 4
  // Layer III.
  float gain[262];           // 2^((i - 156) / 4), read at global gain + 6
  float sfMult[2][4][32];    // 2^(-(p + s) * m / 2) for m = scalefac_scale + 1
  float pow43Abs[8207];      // |x|^(4/3) for every magnitude a Huffman value can have
  float subblockGain[8];     // 2^(-2j)
  float cs[8], ca[8];        // alias-reduction butterflies
  float isRatio1[16][2];     // MPEG-1 intensity kL, kR for is_pos 0-15 (7 and 9 unused)
  float isRatio2[2][32][2];  // MPEG-2 intensity kL, kR by intensity_scale and is_pos
  // Hybrid filter bank: the 18-point DCT-IV part of the long IMDCT as 18 unique outputs per
  // input line (column-major, padded to 20), the windows of block types 0, 1 and 3 (index 2
  // unused), and the 12-point transform and window of short blocks.
  float imdctLong[18][20];
  float windowLong[4][36];
  float imdctShort[6][12];
  float windowShort[12];
  // Synthesis: matrixing coefficients 0.5 / cos((2k+1) pi / 4N) for N = 16, 8, 4, 2, 1, and the
  // window per rate shift (see DmpaSynth.cpp for the layout).
  float dctCoef[31];
  float dct32Rows[16][32];   // [k][j]: cos(pi (16 + j)(2k + 1) / 64), then with 16 - j
  float synthW1[3][16][16];
  float synthW2[3][16][16];
  float synthCentre[3][8];
};

const DmpaTables* DmpaGetTables();
// The standard's synthesis window D[i], i = 0 ... 511.
double DmpaSynthesisWindow(int i);
