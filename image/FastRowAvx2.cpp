// The conversion rows for processors with AVX2: the SSSE3 row blocks, and kind 7 computed eight
// pixels to a register. The 256-bit operations below work within each 128-bit half, so the
// low half carries pixels 0-3 and the high half pixels 4-7 through the same steps as
// YccMath4's four lanes, with the same results.

#include <immintrin.h>

#include <cstdint>

#include "image/FastRow.h"
#include "image/YCbCr.h"

#define DIMG_ROW_TARGET __attribute__((target("avx2")))
#include "image/RowBlocks.h"
#include "image/ShuffleBlocks.h"

namespace {

DIMG_ROW_TARGET inline __m256i Join(const RgbaBlock& b) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(b.lo), b.hi, 1);
}

DIMG_ROW_TARGET inline RgbaBlock Split(__m256i v) {
  return {_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)};
}

DIMG_ROW_TARGET inline __m256i Share(__m256 v, float coefficient) {
  return _mm256_cvtps_epi32(_mm256_mul_ps(v, _mm256_set1_ps(coefficient)));
}

DIMG_ROW_TARGET inline __m256 Channel(__m256i v, int shift, int offset) {
  return _mm256_cvtepi32_ps(_mm256_sub_epi32(
      _mm256_and_si256(_mm256_srli_epi32(v, shift), _mm256_set1_epi32(0xFF)),
      _mm256_set1_epi32(offset)));
}

DIMG_ROW_TARGET inline __m256i Sum3(__m256i a, __m256i b, __m256i c) {
  return _mm256_add_epi32(_mm256_add_epi32(a, b), c);
}

struct YccMath8 {
  DIMG_ROW_TARGET static RgbaBlock Encode(const RgbaBlock& block) {
    using namespace dimg_ycc;
    const __m256i rgba = Join(block);
    const __m256 r = Channel(rgba, 0, 0), g = Channel(rgba, 8, 0), b = Channel(rgba, 16, 0);
    const __m256i centre = _mm256_set1_epi32(128);
    const __m256i y = _mm256_srai_epi32(Sum3(Share(r, kRY), Share(g, kGY), Share(b, kBY)), 7);
    const __m256i cr = _mm256_add_epi32(
        _mm256_srai_epi32(Sum3(Share(r, kRCr), Share(g, kGCr), Share(b, kBCr)), 7), centre);
    const __m256i cb = _mm256_add_epi32(
        _mm256_srai_epi32(Sum3(Share(r, kRCb), Share(g, kGCb), Share(b, kBCb)), 7), centre);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i bytes =
        _mm256_packus_epi16(_mm256_packs_epi32(y, cr), _mm256_packs_epi32(cb, zero));
    const __m256i ycr = _mm256_unpacklo_epi8(bytes, _mm256_srli_si256(bytes, 4));
    const __m256i cb0 = _mm256_unpacklo_epi8(_mm256_srli_si256(bytes, 8), zero);
    return Split(_mm256_unpacklo_epi16(ycr, cb0));
  }

  DIMG_ROW_TARGET static RgbaBlock Decode(const RgbaBlock& block) {
    using namespace dimg_ycc;
    const __m256i ycc = Join(block);
    const __m256i y = _mm256_and_si256(ycc, _mm256_set1_epi32(0xFF));
    const __m256 cr = Channel(ycc, 8, 128), cb = Channel(ycc, 16, 128);
    const __m256i r = _mm256_add_epi32(y, Share(cr, kCrR));
    const __m256i g = _mm256_add_epi32(
        y, _mm256_srai_epi32(_mm256_add_epi32(Share(cr, kCrG), Share(cb, kCbG)), 7));
    const __m256i b = _mm256_add_epi32(y, Share(cb, kCbB));
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(r, g),
                                              _mm256_packs_epi32(b, _mm256_set1_epi32(255)));
    const __m256i rbga = _mm256_unpacklo_epi8(bytes, _mm256_srli_si256(bytes, 8));
    return Split(_mm256_unpacklo_epi8(rbga, _mm256_srli_si256(rbga, 8)));
  }
};

constexpr DimgRowRoutineTable kAvx2Routines = DimgMakeRowRoutines<ShuffleBlocks<YccMath8>>();

}  // namespace

const DimgRowRoutineTable& DimgAvx2RowRoutines() { return kAvx2Routines; }
