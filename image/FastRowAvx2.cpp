// The conversion rows for processors with AVX2: sixteen pixels at a time through the planar
// blocks (PlanarBlocks.h), the SSSE3 row blocks with kind 7 computed eight pixels to a register
// for the rest of a row. The 256-bit operations below work within each 128-bit half, so the
// low half carries pixels 0-3 and the high half pixels 4-7 through the same steps as
// YccMath4's four lanes, with the same results.

#include "image/FastRow.h"
#include "image/YCbCr.h"

#include <immintrin.h>

#include <cstdint>

#define DIMG_ROW_TARGET __attribute__((target("avx2")))
#include "image/PlanarBlocks.h"
#include "image/RowBlocks.h"
#include "image/ShuffleBlocks.h"

namespace {

DIMG_ROW_INLINE __m256i Join(const RgbaBlock& b) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(b.lo), b.hi, 1);
}

DIMG_ROW_INLINE RgbaBlock Split(__m256i v) {
  return {_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)};
}

// YccShare and YccAdd of PixelBlock.h, eight lanes wide.
DIMG_ROW_INLINE __m256i Share(__m256 v, float coefficient) {
  return _mm256_castps_si256(_mm256_add_ps(_mm256_mul_ps(v, _mm256_set1_ps(coefficient)),
                                           _mm256_set1_ps(dimg_ycc::kRoundBias)));
}

DIMG_ROW_INLINE __m256i Add(__m256i a, __m256i b, __m256i c, int32_t constant) {
  return _mm256_add_epi32(_mm256_add_epi32(a, b), _mm256_add_epi32(c, _mm256_set1_epi32(constant)));
}

DIMG_ROW_INLINE __m256i Byte(__m256i v, int shift) {
  return _mm256_and_si256(_mm256_srli_epi32(v, shift), _mm256_set1_epi32(0xFF));
}

struct YccMath8 {
  DIMG_ROW_INLINE static RgbaBlock Encode(const RgbaBlock& block) {
    using namespace dimg_ycc;
    const __m256i rgba = Join(block);
    const __m256i ri = Byte(rgba, 0), gi = Byte(rgba, 8), bi = Byte(rgba, 16);
    const __m256 r = _mm256_cvtepi32_ps(ri), g = _mm256_cvtepi32_ps(gi), b = _mm256_cvtepi32_ps(bi);
    const __m256i y = _mm256_srai_epi32(
        Add(Share(r, kRY), Share(g, kGY), Share(b, kBY), Wrapped(-3 * int64_t{kRoundBits})), 7);
    const __m256i cr =
        _mm256_srai_epi32(Add(_mm256_slli_epi32(ri, 6), Share(g, kGCr), Share(b, kBCr),
                              Wrapped(kCentre - 2 * int64_t{kRoundBits})),
                          7);
    const __m256i cb =
        _mm256_srai_epi32(Add(Share(r, kRCb), Share(g, kGCb), _mm256_slli_epi32(bi, 6),
                              Wrapped(kCentre - 2 * int64_t{kRoundBits})),
                          7);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i bytes =
        _mm256_packus_epi16(_mm256_packs_epi32(y, cr), _mm256_packs_epi32(cb, zero));
    const __m256i ycr = _mm256_unpacklo_epi8(bytes, _mm256_srli_si256(bytes, 4));
    const __m256i cb0 = _mm256_unpacklo_epi8(_mm256_srli_si256(bytes, 8), zero);
    return Split(_mm256_unpacklo_epi16(ycr, cb0));
  }

  DIMG_ROW_INLINE static RgbaBlock Decode(const RgbaBlock& block) {
    using namespace dimg_ycc;
    const __m256i ycc = Join(block);
    const __m256i y = Byte(ycc, 0);
    const __m256i offset = _mm256_set1_epi32(128);
    const __m256 cr = _mm256_cvtepi32_ps(_mm256_sub_epi32(Byte(ycc, 8), offset));
    const __m256 cb = _mm256_cvtepi32_ps(_mm256_sub_epi32(Byte(ycc, 16), offset));
    const __m256i yLessBias = _mm256_sub_epi32(y, _mm256_set1_epi32(kRoundBits));
    const __m256i r = _mm256_add_epi32(yLessBias, Share(cr, kCrR));
    const __m256i g = _mm256_add_epi32(
        y, _mm256_srai_epi32(Add(Share(cr, kCrG), Share(cb, kCbG), _mm256_setzero_si256(),
                                 Wrapped(-2 * int64_t{kRoundBits})),
                             7));
    const __m256i b = _mm256_add_epi32(yLessBias, Share(cb, kCbB));
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(r, g),
                                              _mm256_packs_epi32(b, _mm256_set1_epi32(255)));
    const __m256i rbga = _mm256_unpacklo_epi8(bytes, _mm256_srli_si256(bytes, 8));
    return Split(_mm256_unpacklo_epi8(rbga, _mm256_srli_si256(rbga, 8)));
  }
};

// Sixteen pixels at a time for every pair but the same-kind copies (through the planar blocks,
// or between two 16-bit kinds by moving the fields within the words); then the eight-pixel
// blocks of the SSSE3 set with kind 7 in float lanes for what is left of a row.
struct Avx2Blocks : ShuffleBlocks<YccMath8> {
  static constexpr bool WidePair(uint32_t d, uint32_t s) {
    return d != s || d == DImageKindYCrCb;
  }
  template <uint32_t D, uint32_t S>
  DIMG_ROW_INLINE static void Convert16(uint8_t* dst, const uint8_t* src) {
    DimgConvertPlanar16<D, S>(dst, src);
  }
};

constexpr DimgRowRoutineTable kAvx2Routines = DimgMakeRowRoutines<Avx2Blocks>();

}  // namespace

const DimgRowRoutineTable& DimgAvx2RowRoutines() { return kAvx2Routines; }
