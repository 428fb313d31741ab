#pragma once

#include <cstdint>

// Morton (Z-order) codes: the bits of the coordinates interleaved, the first coordinate in the
// lowest bit of each group. Two cells share their first n levels exactly when the codes of any
// two points in them agree above the lowest (depth - n) groups.

// Bits 0..15 of v moved to the even bits 0, 2, ..., 30.
inline uint32_t ombMortonSpread2(uint32_t v) {
  v &= 0xFFFFu;
  v = (v | (v << 8)) & 0x00FF00FFu;
  v = (v | (v << 4)) & 0x0F0F0F0Fu;
  v = (v | (v << 2)) & 0x33333333u;
  v = (v | (v << 1)) & 0x55555555u;
  return v;
}

// Bits 0..9 of v moved to the bits 0, 3, ..., 27.
inline uint32_t ombMortonSpread3(uint32_t v) {
  v &= 0x3FFu;
  v = (v | (v << 16)) & 0x030000FFu;
  v = (v | (v << 8)) & 0x0300F00Fu;
  v = (v | (v << 4)) & 0x030C30C3u;
  v = (v | (v << 2)) & 0x09249249u;
  return v;
}

// Bit k of x goes to bit 2k, bit k of y to bit 2k + 1 (16 bits of each).
inline uint32_t ombMortonEncode2(uint32_t x, uint32_t y) {
  return ombMortonSpread2(x) | (ombMortonSpread2(y) << 1);
}

// Bit k of x, y and z goes to bits 3k, 3k + 1 and 3k + 2 (10 bits of each).
inline uint32_t ombMortonEncode3(uint32_t x, uint32_t y, uint32_t z) {
  return ombMortonSpread3(x) | (ombMortonSpread3(y) << 1) | (ombMortonSpread3(z) << 2);
}
