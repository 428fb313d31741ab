#include "sound/mpeg/DmpaSynthFull.h"

#include <immintrin.h>

// The ring's rows are X[16 + j] (even row) and X[16 - j] (odd row) of the slot's DCT-II X (see
// DmpaSynth.cpp). An even X[n] sums the first butterfly's sums x_k + x_31-k and an odd one its
// differences, so each lane of the matrix product takes the sum (even lanes) or the difference
// (odd lanes) of pair k, and sums its 16 terms in order whatever the vector width.

namespace {

// The first butterfly; returns X[0], the sum of the 16 sums (as four interleaved partial sums).
__attribute__((always_inline)) inline float Butterfly(const float* x, float* sum, float* diff) {
  for (int k = 0; k < 16; ++k) {
    sum[k] = x[k] + x[31 - k];
    diff[k] = x[k] - x[31 - k];
  }
  const DmpaV4 s = (DmpaLoad4(sum) + DmpaLoad4(sum + 4)) + (DmpaLoad4(sum + 8) + DmpaLoad4(sum + 12));
  return (s[0] + s[1]) + (s[2] + s[3]);
}

float Matrix32Sse(const DmpaTables& t, const float* x, float* row, float* copy) {
  float sum[16], diff[16];
  const float middle = Butterfly(x, sum, diff);
  DmpaV4 acc[8] = {};
  for (int k = 0; k < 16; ++k) {
    const DmpaV4 pair = {sum[k], diff[k], sum[k], diff[k]};
#pragma GCC unroll 8  // keeps the accumulators in registers
    for (int v = 0; v < 8; ++v) acc[v] += DmpaLoad4(t.dct32Rows[k] + 4 * v) * pair;
  }
#pragma GCC unroll 8
  for (int v = 0; v < 8; ++v) {
    DmpaStore4(row + 4 * v, acc[v]);
    DmpaStore4(copy + 4 * v, acc[v]);
  }
  return middle;
}

__attribute__((target("avx"))) float Matrix32Avx(const DmpaTables& t, const float* x, float* row,
                                                 float* copy) {
  float sum[16], diff[16];
  const float middle = Butterfly(x, sum, diff);
  DmpaV8 acc[4] = {};
  for (int k = 0; k < 16; ++k) {
    const float s = sum[k], d = diff[k];
    const DmpaV8 pair = {s, d, s, d, s, d, s, d};
#pragma GCC unroll 4  // keeps the accumulators in registers
    for (int v = 0; v < 4; ++v) acc[v] += DmpaLoad8(t.dct32Rows[k] + 8 * v) * pair;
  }
#pragma GCC unroll 4
  for (int v = 0; v < 4; ++v) {
    DmpaStore8(row + 8 * v, acc[v]);
    DmpaStore8(copy + 8 * v, acc[v]);
  }
  return middle;
}

// Age a of a slot reads the even (a even) or the odd row of the slot a further on in the ring.
inline const float* AgeRow(const float* ring, int age) { return ring + 32 * age + 16 * (age & 1); }

// Eight floats to 16-bit PCM: clamped to the 16-bit range first (NaN gives the low end), then
// truncated toward zero.
__attribute__((always_inline)) inline __m128i Pcm8(__m128 a, __m128 b) {
  const __m128 low = _mm_set1_ps(-32768.0f), high = _mm_set1_ps(32767.0f);
  a = _mm_min_ps(_mm_max_ps(a, low), high);
  b = _mm_min_ps(_mm_max_ps(b, low), high);
  return _mm_packs_epi32(_mm_cvttps_epi32(a), _mm_cvttps_epi32(b));
}

__attribute__((always_inline)) inline __m128i Reverse8(__m128i v) {
  return _mm_shuffle_epi32(_mm_shufflelo_epi16(_mm_shufflehi_epi16(v, 0x1B), 0x1B), 0x4E);
}

// Output j < 16 is lo[j], 16 the middle sample, 32 - j for 0 < j < 16 is hi[j].
__attribute__((always_inline)) inline void InOrder(const __m128* lo, const __m128* hi, float centre,
                                                   __m128i pcm[4]) {
  pcm[0] = Pcm8(lo[0], lo[1]);
  pcm[1] = Pcm8(lo[2], lo[3]);
  const __m128i low = Reverse8(Pcm8(hi[0], hi[1]));   // hi 7 ... 0
  const __m128i high = Reverse8(Pcm8(hi[2], hi[3]));  // hi 15 ... 8
  const __m128i middle = Pcm8(_mm_set_ss(centre), _mm_setzero_ps());
  pcm[2] = _mm_or_si128(_mm_slli_si128(high, 2), middle);
  pcm[3] = _mm_or_si128(_mm_slli_si128(low, 2), _mm_srli_si128(high, 14));
}

void WindowSse(const DmpaTables& t, const float* ring, float centre, __m128i pcm[4]) {
  const float* w1 = t.synthW1[0][0];
  const float* w2 = t.synthW2[0][0];
  DmpaV4 a[4] = {}, b[4] = {};
  for (int age = 0; age < 16; ++age, w1 += 16, w2 += 16) {
    for (int v = 0; v < 4; ++v) {
      const DmpaV4 r = DmpaLoad4(AgeRow(ring, age) + 4 * v);
      a[v] += DmpaLoad4(w1 + 4 * v) * r;
      b[v] += DmpaLoad4(w2 + 4 * v) * r;
    }
  }
  const __m128 lo[4] = {a[0], a[1], a[2], a[3]}, hi[4] = {b[0], b[1], b[2], b[3]};
  InOrder(lo, hi, centre, pcm);
}

__attribute__((target("avx"))) void WindowAvx(const DmpaTables& t, const float* ring, float centre,
                                              __m128i pcm[4]) {
  const float* w1 = t.synthW1[0][0];
  const float* w2 = t.synthW2[0][0];
  DmpaV8 a[2] = {}, b[2] = {};
  for (int age = 0; age < 16; ++age, w1 += 16, w2 += 16) {
    for (int v = 0; v < 2; ++v) {
      const DmpaV8 r = DmpaLoad8(AgeRow(ring, age) + 8 * v);
      a[v] += DmpaLoad8(w1 + 8 * v) * r;
      b[v] += DmpaLoad8(w2 + 8 * v) * r;
    }
  }
  const __m128 lo[4] = {_mm256_castps256_ps128(a[0]), _mm256_extractf128_ps(a[0], 1),
                        _mm256_castps256_ps128(a[1]), _mm256_extractf128_ps(a[1], 1)};
  const __m128 hi[4] = {_mm256_castps256_ps128(b[0]), _mm256_extractf128_ps(b[0], 1),
                        _mm256_castps256_ps128(b[1]), _mm256_extractf128_ps(b[1], 1)};
  InOrder(lo, hi, centre, pcm);
}

}  // namespace

DmpaFullRateKernels DmpaFullRateFor(DmpaSimd level) {
  if (level >= DmpaSimd::Avx && DmpaSimdAvailable(DmpaSimd::Avx)) return {Matrix32Avx, WindowAvx};
  return {Matrix32Sse, WindowSse};
}
