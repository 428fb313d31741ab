#pragma once

#include <cstdint>

// The gamma table of the image module: 256 output levels for the 8-bit R, G and B values.
struct OmbImageGammaTable {
  uint8_t level[256];
};

// Fills the table for the gamma g and returns whether it must be applied. Gamma 2.2 (within
// 0.0001) is the identity, which needs no pass; so is a gamma that is not a positive number,
// since the power curve is meaningless there (0 or a NaN) or blows up to infinity (below 0).
// Otherwise level i = 255 × (i / 255) ^ (g / 2.2), halves away from zero.
bool ombImageMakeGammaTable(float gamma, OmbImageGammaTable* table);

// Runs the R, G and B bytes of `count` pixels of bytes R, G, B, A through the table.
void ombImageApplyGamma(const OmbImageGammaTable& table, uint8_t* rgba, uint32_t count);
