#include "image/PixelBlock.h"

#include <cstring>

// Kind 7's blocks. The look-ups stay scalar (SSE2 has no gather): one 64-bit entry per channel,
// added as plain integers (the lanes are biased so that nothing carries between them), then the
// lanes are shifted, offset and clamped four at a time.

namespace dimg_detail {

namespace {

// Two pixels' sums in one register, straight from the integer registers: storing them and
// loading 16 bytes back would stall on store forwarding.
__m128i Pair(uint64_t first, uint64_t second) {
  return _mm_unpacklo_epi64(_mm_cvtsi64_si128(static_cast<long long>(first)),
                            _mm_cvtsi64_si128(static_cast<long long>(second)));
}

// Y of two pixels in all four 16-bit lanes of each pixel's half, from lanes 2k and 2k + 1 of
// `ys` (32-bit lanes with Y in the low byte).
__m128i SpreadY(__m128i ys, int half) {
  const __m128i y = _mm_and_si128(ys, Mask32(0xFF));
  const __m128i twice = _mm_or_si128(y, _mm_slli_epi32(y, 16));
  return half == 0 ? _mm_unpacklo_epi32(twice, twice) : _mm_unpackhi_epi32(twice, twice);
}

// Four pixels: the backward sums of pixels 0-3 and their Y, to R, G, B, A bytes.
__m128i DecodeFour(const uint64_t* sums, __m128i ys, __m128i bias) {
  const __m128i a = _mm_add_epi16(_mm_sub_epi16(_mm_srli_epi16(Pair(sums[0], sums[1]), 7), bias),
                                  SpreadY(ys, 0));
  const __m128i b = _mm_add_epi16(_mm_sub_epi16(_mm_srli_epi16(Pair(sums[2], sums[3]), 7), bias),
                                  SpreadY(ys, 1));
  return OpaqueAlpha(_mm_packus_epi16(a, b));  // the saturation is the clamp to 0..255
}

}  // namespace

RgbaBlock LoadYCrCb(const uint8_t* p) {
  const DimgYCbCrPacked& t = ycbcrPacked;
  uint64_t sums[8];
  for (int i = 0; i < 8; ++i) {
    sums[i] = t.fromCr[p[3 * i + 1]] + t.fromCb[p[3 * i + 2]];
  }
  uint64_t biasLanes;
  std::memcpy(&biasLanes, t.decodeBias, sizeof biasLanes);
  const __m128i bias = _mm_set1_epi64x(static_cast<long long>(biasLanes));
  return {DecodeFour(sums, Expand3To4(p), bias), DecodeFour(sums + 4, Expand3To4(p + 12), bias)};
}

void StoreYCrCbSums(const uint64_t (&sums)[8], uint8_t* p) {
  // Each lane is below 32768, so the shift leaves 0..255 and the pack changes nothing.
  const __m128i lo = _mm_packus_epi16(_mm_srli_epi16(Pair(sums[0], sums[1]), 7),
                                      _mm_srli_epi16(Pair(sums[2], sums[3]), 7));
  const __m128i hi = _mm_packus_epi16(_mm_srli_epi16(Pair(sums[4], sums[5]), 7),
                                      _mm_srli_epi16(Pair(sums[6], sums[7]), 7));
  Store3Byte(lo, hi, p);
}

}  // namespace dimg_detail
