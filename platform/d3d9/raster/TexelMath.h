#pragma once

// Byte arithmetic on A8R8G8B8 words for the sampler and the pixel stages, each operation in a
// scalar form and an SSE2 form that gives the same bits. The SSE2 forms widen the four channels
// to 16-bit lanes (blue, green, red, alpha in lanes 0 to 3): every intermediate value of these
// operations stays below 65536, so 16-bit lanes hold them exactly.

#include "platform/d3d9/raster/Simd.h"

#include <cstdint>

#if D3D9_SSE2
#include <emmintrin.h>
#endif

namespace d3d9 {

// Channel-wise (a x (256 - w) + b x w) / 256, rounded down, for w in 0..256; two channels at
// once in each 16-bit half of a word.
inline uint32_t lerpArgb(uint32_t a, uint32_t b, uint32_t w) {
  const uint32_t iw = 256 - w;
  const uint32_t rb = (((a & 0xFF00FFu) * iw + (b & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  const uint32_t ag = ((((a >> 8) & 0xFF00FFu) * iw + ((b >> 8) & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  return rb | ag << 8;
}

// The filtered colour of four texels: the rows first (top = t00 to t10, bottom = t01 to t11 by
// wx), then between the rows by wy.
inline uint32_t bilerpArgb(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t wx,
                           uint32_t wy) {
  return lerpArgb(lerpArgb(t00, t10, wx), lerpArgb(t01, t11, wx), wy);
}

#if D3D9_SSE2

inline __m128i widenArgb(uint32_t c) {
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(c)), _mm_setzero_si128());
}

inline uint32_t narrowArgb(__m128i x) { return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(x, x))); }

// Lanes 0 to 3 of (lanes 0 to 3 x first weight + lanes 4 to 7 x second weight) / 256: the
// weights as a vector of four copies of each, first in the low half.
inline __m128i weighPairs(__m128i pairs, __m128i weights) {
  const __m128i m = _mm_mullo_epi16(pairs, weights);
  return _mm_srli_epi16(_mm_add_epi16(m, _mm_srli_si128(m, 8)), 8);
}

// Four copies of 256 - w and four of w, for w in 0..256: a table, since building the vector
// from w takes more instructions than the filter step it serves.
struct WeightPairs {
  alignas(16) int16_t lanes[257][8];
  constexpr WeightPairs() : lanes() {
    for (int w = 0; w <= 256; ++w) {
      for (int k = 0; k < 4; ++k) {
        lanes[w][k] = int16_t(256 - w);
        lanes[w][k + 4] = int16_t(w);
      }
    }
  }
};
inline constexpr WeightPairs kWeightPairs{};

inline __m128i weightPair(uint32_t w) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(kWeightPairs.lanes[w]));
}

// lerpArgb on widened colours (lanes 0 to 3 of a and b).
inline __m128i lerpWide(__m128i a, __m128i b, uint32_t w) {
  return weighPairs(_mm_unpacklo_epi64(a, b), weightPair(w));
}

// bilerpArgb with each row's two texels in the low 64 bits of `top` and `bottom` (the left
// texel first, as they lie in memory); the result widened.
inline __m128i bilerpWide(__m128i top, __m128i bottom, uint32_t wx, uint32_t wy) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wxs = weightPair(wx);
  const __m128i t = _mm_mullo_epi16(_mm_unpacklo_epi8(top, zero), wxs);
  const __m128i b = _mm_mullo_epi16(_mm_unpacklo_epi8(bottom, zero), wxs);
  // Left and right products of both rows side by side, summed, then weighed by row.
  const __m128i rows = _mm_srli_epi16(
      _mm_add_epi16(_mm_unpacklo_epi64(t, b), _mm_unpackhi_epi64(t, b)), 8);
  return weighPairs(rows, weightPair(wy));
}

inline __m128i texelPair(uint32_t left, uint32_t right) {
  return _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(left)), _mm_cvtsi32_si128(int(right)));
}

inline __m128i loadTexelPair(const uint32_t* p) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

#endif

}  // namespace d3d9
