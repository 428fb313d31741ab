#include "image/resample/AreaHalves.h"

#include <immintrin.h>

#include <cstddef>

namespace {

// (a + b) >> 1 of every byte without widening: the common bits plus half the differing ones.
inline uint8_t Mean(uint8_t a, uint8_t b) { return static_cast<uint8_t>((a + b) >> 1); }

inline __m128i Mean16(__m128i a, __m128i b) {
  const __m128i half = _mm_and_si128(_mm_srli_epi16(_mm_xor_si128(a, b), 1), _mm_set1_epi8(0x7F));
  return _mm_add_epi8(_mm_and_si128(a, b), half);
}

__attribute__((target("avx2"))) inline __m256i Mean32(__m256i a, __m256i b) {
  const __m256i half =
      _mm256_and_si256(_mm256_srli_epi16(_mm256_xor_si256(a, b), 1), _mm256_set1_epi8(0x7F));
  return _mm256_add_epi8(_mm256_and_si256(a, b), half);
}

void PairsTail(uint8_t* out, const uint8_t* in, uint32_t from, uint32_t outWidth) {
  for (uint32_t k = from; k < outWidth; ++k) {
    for (uint32_t c = 0; c < 4; ++c) {
      out[std::size_t{k} * 4 + c] =
          Mean(in[std::size_t{k} * 8 + c], in[std::size_t{k} * 8 + 4 + c]);
    }
  }
}

void RowsTail(uint8_t* out, const uint8_t* a, const uint8_t* b, uint32_t from, uint32_t bytes) {
  for (uint32_t i = from; i < bytes; ++i) {
    out[i] = Mean(a[i], b[i]);
  }
}

__m128i Load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

void PairsSse2(uint8_t* out, const uint8_t* in, uint32_t outWidth) {
  uint32_t k = 0;
  for (; outWidth - k >= 4; k += 4) {
    const __m128 a = _mm_castsi128_ps(Load16(in + std::size_t{k} * 8));
    const __m128 b = _mm_castsi128_ps(Load16(in + std::size_t{k} * 8 + 16));
    const __m128i even = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128i odd = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + std::size_t{k} * 4), Mean16(even, odd));
  }
  PairsTail(out, in, k, outWidth);
}

void RowsSse2(uint8_t* out, const uint8_t* a, const uint8_t* b, uint32_t bytes) {
  uint32_t i = 0;
  for (; bytes - i >= 16; i += 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), Mean16(Load16(a + i), Load16(b + i)));
  }
  RowsTail(out, a, b, i, bytes);
}

__attribute__((target("avx2"))) void PairsAvx2(uint8_t* out, const uint8_t* in, uint32_t outWidth) {
  uint32_t k = 0;
  for (; outWidth - k >= 8; k += 8) {
    const __m256 a = _mm256_loadu_ps(reinterpret_cast<const float*>(in + std::size_t{k} * 8));
    const __m256 b = _mm256_loadu_ps(reinterpret_cast<const float*>(in + std::size_t{k} * 8 + 32));
    // Within each 128-bit half: pixels 0, 2 of a, then 0, 2 of b; the permute puts the halves'
    // quarters back in order.
    const __m256i even = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m256i odd = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + std::size_t{k} * 4),
                        _mm256_permute4x64_epi64(Mean32(even, odd), _MM_SHUFFLE(3, 1, 2, 0)));
  }
  PairsTail(out, in, k, outWidth);
}

__attribute__((target("avx2"))) void RowsAvx2(uint8_t* out, const uint8_t* a, const uint8_t* b,
                                              uint32_t bytes) {
  uint32_t i = 0;
  for (; bytes - i >= 32; i += 32) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), Mean32(x, y));
  }
  RowsTail(out, a, b, i, bytes);
}

constexpr DimgHalveKernels kSse2{&PairsSse2, &RowsSse2};
constexpr DimgHalveKernels kAvx2{&PairsAvx2, &RowsAvx2};

}  // namespace

bool DimgHalveLevelSupported(DimgHalveLevel level) {
  if (level == DimgHalveLevel::Sse2) {
    return true;
  }
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

const DimgHalveKernels& DimgHalveAt(DimgHalveLevel level) {
  return level == DimgHalveLevel::Avx2 ? kAvx2 : kSse2;
}

const DimgHalveKernels& DimgHalve() {
  static const DimgHalveKernels& best = DimgHalveAt(
      DimgHalveLevelSupported(DimgHalveLevel::Avx2) ? DimgHalveLevel::Avx2 : DimgHalveLevel::Sse2);
  return best;
}
