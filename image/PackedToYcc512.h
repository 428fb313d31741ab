#pragma once

// Kind 7 from a 16-bit kind, thirty-two pixels at a time with AVX-512 (FastRowAvx512.cpp). Like
// PlanarBlocks512.h, everything here is local to the including unit.

#include "image/PixelKind.h"
#include "image/PlanarBlocks512.h"
#include "image/YCbCr.h"

#include <immintrin.h>

#include <cstdint>

namespace {

// A 16-bit kind's channels take at most 32 values (the field's bits at the top of the byte), so
// each of the nine shares is the table entry itself, looked up by vpermw in a register of 32
// words: no multiply and no rounding rule, and the sums are the tables' sums.
// vpermw reads only the low five bits of an index, so a field shifted down to bit 0 is its own
// index whatever lies above it; a 4-bit field's table holds its 16 entries twice.
struct PackedShares {
  // y, cr and cb: R's, G's and B's share; cr[0] and cb[0] include the centre, 128 x 128.
  alignas(64) int16_t y[3][32];
  alignas(64) int16_t cr[3][32];
  alignas(64) int16_t cb[3][32];
};

template <class Kind>
PackedShares MakePackedShares(const DimgYCbCrTableSet& t) {
  PackedShares s{};
  auto channel = [](auto field, int k) {
    using F = decltype(field);
    return ((k % (1 << F::kWidth)) << (8 - F::kWidth)) & 0xFF;
  };
  for (int k = 0; k < 32; ++k) {
    const int r = channel(typename Kind::RedField{}, k);
    const int g = channel(typename Kind::GreenField{}, k);
    const int b = channel(typename Kind::BlueField{}, k);
    // Every sum of three entries lies in 16 bits (see PlanarBlocks.h's YCrCb16), and so does
    // each entry with the centre.
    s.y[0][k] = static_cast<int16_t>(t.RY[r]);
    s.y[1][k] = static_cast<int16_t>(t.GY[g]);
    s.y[2][k] = static_cast<int16_t>(t.BY[b]);
    s.cr[0][k] = static_cast<int16_t>(t.RCr[r] + dimg_ycc::kCentre);
    s.cr[1][k] = static_cast<int16_t>(t.GCr[g]);
    s.cr[2][k] = static_cast<int16_t>(t.BCr[b]);
    s.cb[0][k] = static_cast<int16_t>(t.RCb[r] + dimg_ycc::kCentre);
    s.cb[1][k] = static_cast<int16_t>(t.GCb[g]);
    s.cb[2][k] = static_cast<int16_t>(t.BCb[b]);
  }
  return s;
}

template <class Kind>
struct PackedToYCrCb32 {
  template <class F>
  DIMG_ROW_INLINE static __m512i Index(__m512i w) {
    if constexpr (F::kShift == 0) {
      return w;
    } else {
      return _mm512_srli_epi16(w, F::kShift);
    }
  }

  DIMG_ROW_INLINE static __m512i Sum(const int16_t (&table)[3][32], __m512i r, __m512i g,
                                     __m512i b) {
    return _mm512_add_epi16(
        _mm512_add_epi16(_mm512_permutexvar_epi16(r, _mm512_load_si512(table[0])),
                         _mm512_permutexvar_epi16(g, _mm512_load_si512(table[1]))),
        _mm512_permutexvar_epi16(b, _mm512_load_si512(table[2])));
  }

  DIMG_ROW_INLINE static void Convert(const PackedShares& t, uint8_t* dst, const uint8_t* src,
                                      uint32_t n) {
    const __m512i w = LoadFirst(src, 2 * n);
    const __m512i r = Index<typename Kind::RedField>(w);
    const __m512i g = Index<typename Kind::GreenField>(w);
    const __m512i b = Index<typename Kind::BlueField>(w);
    YCrCb32::StoreSums(Sum(t.y, r, g, b), Sum(t.cr, r, g, b), Sum(t.cb, r, g, b), dst, n);
  }
};

}  // namespace
