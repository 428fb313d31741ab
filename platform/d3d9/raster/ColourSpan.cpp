#include "platform/d3d9/raster/ColourSpan.h"

#include "platform/d3d9/raster/PixelColour.h"

#if D3D9_SSE2
#include <emmintrin.h>
#endif

namespace d3d9 {
namespace {

inline float at(const ChannelRow& row, uint32_t i) { return row.values[row.flat ? 0 : i]; }

inline uint32_t modulateWord(uint32_t a, uint32_t b) {
  // White is the identity of modulation, and the most common argument.
  if (a == 0xFFFFFFFFu) return b;
  if (b == 0xFFFFFFFFu) return a;
  return mul255(a >> 24, b >> 24) << 24 | mul255(a >> 16 & 255, b >> 16 & 255) << 16 |
         mul255(a >> 8 & 255, b >> 8 & 255) << 8 | mul255(a & 255, b & 255);
}

inline uint32_t addWord(uint32_t a, uint32_t b) {
  const uint32_t rb = (a & 0xFF00FFu) + (b & 0xFF00FFu);
  const uint32_t ag = ((a >> 8) & 0xFF00FFu) + ((b >> 8) & 0xFF00FFu);
  const uint32_t rbSat = (rb | (((rb & 0x01000100u) >> 8) * 255)) & 0xFF00FFu;
  const uint32_t agSat = (ag | (((ag & 0x01000100u) >> 8) * 255)) & 0xFF00FFu;
  return rbSat | agSat << 8;
}

#if D3D9_SSE2

// The SSE2 loops take four pixels at a time and leave the last n % 4 to the scalar ones.
constexpr uint32_t kGroup = 4;

inline __m128 load(const ChannelRow& row, uint32_t i) {
  return row.flat ? _mm_set1_ps(row.values[0]) : _mm_loadu_ps(row.values + i);
}

// toByte of four values: max and min return their second operand for NaN, which makes NaN 0.
inline __m128i toBytes(__m128 v) {
  const __m128 clamped = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(1.0f));
  return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(clamped, _mm_set1_ps(255.0f)),
                                     _mm_set1_ps(0.5f)));
}

// mul255 on 16-bit lanes: x * y + 128 stays below 65536 for bytes.
inline __m128i mul255Lanes(__m128i x, __m128i y) {
  const __m128i t = _mm_add_epi16(_mm_mullo_epi16(x, y), _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

inline __m128i loadWords(const uint32_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void storeWords(uint32_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

#endif

}  // namespace

void packColours(SimdLevel simd, const ChannelRow (&rgba)[4], uint32_t n, uint32_t* argb) {
  uint32_t i = 0;
#if D3D9_SSE2
  if (simd == SimdLevel::Sse2) {
    for (; i + kGroup <= n; i += kGroup) {
      const __m128i r = toBytes(load(rgba[0], i)), g = toBytes(load(rgba[1], i));
      const __m128i b = toBytes(load(rgba[2], i)), a = toBytes(load(rgba[3], i));
      storeWords(argb + i, _mm_or_si128(_mm_or_si128(_mm_slli_epi32(a, 24), _mm_slli_epi32(r, 16)),
                                        _mm_or_si128(_mm_slli_epi32(g, 8), b)));
    }
  }
#endif
  (void)simd;
  for (; i < n; ++i) {
    argb[i] = toByte(at(rgba[3], i)) << 24 | toByte(at(rgba[0], i)) << 16 |
              toByte(at(rgba[1], i)) << 8 | toByte(at(rgba[2], i));
  }
}

void unpackColours(SimdLevel simd, const uint32_t* argb, uint32_t n, float* const (&rgba)[4]) {
  uint32_t i = 0;
#if D3D9_SSE2
  if (simd == SimdLevel::Sse2) {
    const __m128i byte = _mm_set1_epi32(255);
    const __m128 scale = _mm_set1_ps(255.0f);
    for (; i + kGroup <= n; i += kGroup) {
      const __m128i c = loadWords(argb + i);
      _mm_storeu_ps(rgba[0] + i, _mm_div_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(c, 16), byte)), scale));
      _mm_storeu_ps(rgba[1] + i, _mm_div_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(c, 8), byte)), scale));
      _mm_storeu_ps(rgba[2] + i, _mm_div_ps(_mm_cvtepi32_ps(_mm_and_si128(c, byte)), scale));
      _mm_storeu_ps(rgba[3] + i, _mm_div_ps(_mm_cvtepi32_ps(_mm_srli_epi32(c, 24)), scale));
    }
  }
#endif
  (void)simd;
  for (; i < n; ++i) {
    const uint32_t c = argb[i];
    rgba[0][i] = float((c >> 16) & 255) / 255.0f;
    rgba[1][i] = float((c >> 8) & 255) / 255.0f;
    rgba[2][i] = float(c & 255) / 255.0f;
    rgba[3][i] = float(c >> 24) / 255.0f;
  }
}

void modulateColours(SimdLevel simd, const uint32_t* a, const uint32_t* b, uint32_t n,
                     uint32_t* out) {
  uint32_t i = 0;
#if D3D9_SSE2
  if (simd == SimdLevel::Sse2) {
    const __m128i zero = _mm_setzero_si128();
    for (; i + kGroup <= n; i += kGroup) {
      const __m128i x = loadWords(a + i), y = loadWords(b + i);
      const __m128i lo = mul255Lanes(_mm_unpacklo_epi8(x, zero), _mm_unpacklo_epi8(y, zero));
      const __m128i hi = mul255Lanes(_mm_unpackhi_epi8(x, zero), _mm_unpackhi_epi8(y, zero));
      storeWords(out + i, _mm_packus_epi16(lo, hi));
    }
  }
#endif
  (void)simd;
  for (; i < n; ++i) out[i] = modulateWord(a[i], b[i]);
}

void addColours(SimdLevel simd, const uint32_t* a, const uint32_t* b, uint32_t n, uint32_t* out) {
  uint32_t i = 0;
#if D3D9_SSE2
  if (simd == SimdLevel::Sse2) {
    for (; i + kGroup <= n; i += kGroup) {
      storeWords(out + i, _mm_adds_epu8(loadWords(a + i), loadWords(b + i)));
    }
  }
#endif
  (void)simd;
  for (; i < n; ++i) out[i] = addWord(a[i], b[i]);
}

void fogColours(SimdLevel simd, const ChannelRow& fog, uint32_t fogColour, uint32_t n,
                uint32_t* argb) {
  uint32_t i = 0;
#if D3D9_SSE2
  if (simd == SimdLevel::Sse2) {
    const __m128i zero = _mm_setzero_si128(), bytes = _mm_set1_epi16(255);
    const __m128i fogLanes = _mm_unpacklo_epi8(_mm_set1_epi32(int(fogColour)), zero);
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    for (; i + kGroup <= n; i += kGroup) {
      // The four factors, each repeated over its pixel's four lanes.
      const __m128i f = toBytes(load(fog, i));
      const __m128i f16 = _mm_packs_epi32(f, f);
      const __m128i pairs = _mm_unpacklo_epi16(f16, f16);
      const __m128i c = loadWords(argb + i);
      __m128i mixed[2];
      for (int h = 0; h < 2; ++h) {
        const __m128i factor = h ? _mm_unpackhi_epi32(pairs, pairs) : _mm_unpacklo_epi32(pairs, pairs);
        const __m128i colour = h ? _mm_unpackhi_epi8(c, zero) : _mm_unpacklo_epi8(c, zero);
        const __m128i sum = _mm_add_epi16(mul255Lanes(colour, factor),
                                          mul255Lanes(fogLanes, _mm_sub_epi16(bytes, factor)));
        mixed[h] = _mm_min_epi16(sum, bytes);
      }
      const __m128i rgb = _mm_andnot_si128(alpha, _mm_packus_epi16(mixed[0], mixed[1]));
      storeWords(argb + i, _mm_or_si128(rgb, _mm_and_si128(c, alpha)));
    }
  }
#endif
  (void)simd;
  for (; i < n; ++i) argb[i] = applyFog(argb[i], toByte(at(fog, i)), fogColour);
}

}  // namespace d3d9
