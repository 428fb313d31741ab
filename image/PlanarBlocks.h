#pragma once

// Sixteen pixels at a time in AVX2 registers, for the rows of FastRowAvx2.cpp. Every kind loads
// into and stores from one planar form, so a pair is one load and one store with nothing in
// between; kind 7 decodes on load and encodes on store in 16-bit lanes, sixteen pixels to a
// register, by the integer rule of YCbCr.h (dimg_ycc::IntegerShare), which gives every table
// entry exactly. Like ShuffleBlocks.h, everything here is local to the including unit, which
// defines DIMG_ROW_TARGET first.

#include "image/PixelKind.h"
#include "image/RowBlocks.h"
#include "image/YCbCr.h"

#include <immintrin.h>

#include <array>
#include <cstdint>

#ifndef DIMG_ROW_TARGET
#error "define DIMG_ROW_TARGET before including PlanarBlocks.h"
#endif

namespace {

// Pixels 0-7 in the low 128-bit half of both registers, pixels 8-15 in the high half. Each half
// of rg holds its eight R bytes, then its eight G bytes; each half of ba its B bytes, then its A
// bytes.
struct Planar16 {
  __m256i rg, ba;
};

// A byte shuffle, the same sixteen indices in both halves (-1 clears the byte).
using LaneMask = std::array<int8_t, 32>;

template <class F>
constexpr LaneMask BothHalves(F indexAt) {
  LaneMask m{};
  for (int i = 0; i < 16; ++i) {
    m[i] = m[16 + i] = static_cast<int8_t>(indexAt(i));
  }
  return m;
}

DIMG_ROW_INLINE __m256i Shuffle(__m256i v, const LaneMask& m) {
  return _mm256_shuffle_epi8(v, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m.data())));
}

DIMG_ROW_INLINE __m256i LoadHalves(const uint8_t* low, const uint8_t* high) {
  return _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

DIMG_ROW_INLINE __m256i Words(int16_t v) { return _mm256_set1_epi16(v); }

// Bytes 8-15 of each half set: the opaque alpha of a kind without one.
DIMG_ROW_INLINE __m256i HighBytes() { return _mm256_setr_epi64x(0, -1, 0, -1); }

// ---- 4-byte kinds: byte Off[c] of a pixel holds channel c (R, G, B, A).

template <int OffR, int OffB>
constexpr int ChannelOffset(int c) {
  return c == 0 ? OffR : c == 2 ? OffB : c;
}

// Four pixels regrouped as R0-3, G0-3, B0-3, A0-3.
template <int OffR, int OffB>
constexpr LaneMask kGroup4 =
    BothHalves([](int i) { return 4 * (i % 4) + ChannelOffset<OffR, OffB>(i / 4); });

template <int OffR, int OffB>
struct FourByte {
  // Pixels 0-3 and 8-11 in one register, 4-7 and 12-15 in the other, so that the interleave
  // of the two groups leaves pixels 0-7 in the low halves.
  DIMG_ROW_INLINE static Planar16 Load(const uint8_t* p) {
    const __m256i a = Shuffle(LoadHalves(p, p + 32), kGroup4<OffR, OffB>);
    const __m256i b = Shuffle(LoadHalves(p + 16, p + 48), kGroup4<OffR, OffB>);
    return {_mm256_unpacklo_epi32(a, b), _mm256_unpackhi_epi32(a, b)};
  }

  DIMG_ROW_INLINE static void Store(const Planar16& v, uint8_t* p) {
    // Byte pairs (first, third) and (G, A), then the pixels: first G third A.
    const __m256i outer =
        OffR == 0 ? _mm256_unpacklo_epi8(v.rg, v.ba) : _mm256_unpacklo_epi8(v.ba, v.rg);
    const __m256i ga = _mm256_unpackhi_epi8(v.rg, v.ba);
    const __m256i p0 = _mm256_unpacklo_epi8(outer, ga);  // pixels 0-3 | 8-11
    const __m256i p1 = _mm256_unpackhi_epi8(outer, ga);  // pixels 4-7 | 12-15
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_permute2x128_si256(p0, p1, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 32),
                        _mm256_permute2x128_si256(p0, p1, 0x31));
  }
};

// ---- 3-byte kinds. A half's eight pixels (24 bytes) come from two 16-byte loads: pixels 0-3
// at bytes 0-11 of the first, pixels 4-7 at bytes 4-15 of the second (loaded 8 bytes on).

constexpr int InFirst(int pixel, int offset) { return pixel < 4 ? 3 * pixel + offset : -1; }
constexpr int InSecond(int pixel, int offset) { return pixel >= 4 ? 3 * pixel - 8 + offset : -1; }

// Loads of the two halves' 24 bytes each; 48 bytes read, none past them.
struct ThreeByteLoads {
  __m256i first, second;
  DIMG_ROW_INLINE explicit ThreeByteLoads(const uint8_t* p)
      : first(LoadHalves(p, p + 24)), second(LoadHalves(p + 8, p + 32)) {}
  DIMG_ROW_INLINE __m256i Gather(const LaneMask& fromFirst, const LaneMask& fromSecond) const {
    return _mm256_or_si256(Shuffle(first, fromFirst), Shuffle(second, fromSecond));
  }
};

// Byte OffR of a 3-byte pixel is R (or, for kind 7, Y), byte 1 G (Cr), byte OffB B (Cb).
// Planar rg and B bytes gathered from the first or the second load:
template <int OffR, int OffB, bool First>
constexpr LaneMask kRg3 = BothHalves([](int i) {
  const int offset = i < 8 ? OffR : 1;
  return First ? InFirst(i % 8, offset) : InSecond(i % 8, offset);
});
template <int OffB, bool First>
constexpr LaneMask kB3 =
    BothHalves([](int i) { return i >= 8 ? -1 : First ? InFirst(i, OffB) : InSecond(i, OffB); });
// Output byte Skip + i of a half (its pixel, its slot in the pixel) from rg or from ba.
template <int OffR, int OffB, bool FromRg, int Skip>
constexpr LaneMask kOut3 = BothHalves([](int i) {
  const int byte = i + Skip;
  if (byte >= 24) {
    return -1;
  }
  const int pixel = byte / 3, slot = byte % 3;
  if (slot == OffB) {
    return FromRg ? -1 : pixel;
  }
  return FromRg ? (slot == OffR ? pixel : 8 + pixel) : -1;
});

template <int OffR, int OffB>
struct ThreeByte {
  DIMG_ROW_INLINE static Planar16 Load(const uint8_t* p) {
    const ThreeByteLoads in(p);
    return {in.Gather(kRg3<OffR, OffB, true>, kRg3<OffR, OffB, false>),
            _mm256_or_si256(in.Gather(kB3<OffB, true>, kB3<OffB, false>), HighBytes())};
  }

  DIMG_ROW_INLINE static void Store(const Planar16& v, uint8_t* p) {
    const __m256i head = _mm256_or_si256(Shuffle(v.rg, kOut3<OffR, OffB, true, 0>),
                                         Shuffle(v.ba, kOut3<OffR, OffB, false, 0>));
    const __m256i tail = _mm256_or_si256(Shuffle(v.rg, kOut3<OffR, OffB, true, 16>),
                                         Shuffle(v.ba, kOut3<OffR, OffB, false, 16>));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(head));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 16), _mm256_castsi256_si128(tail));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 24), _mm256_extracti128_si256(head, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 40), _mm256_extracti128_si256(tail, 1));
  }
};

// ---- 16-bit kinds: one 32-byte load holds the sixteen words in order.

// A field's bits at the top of a byte-sized word lane (zeros below): DimgPixelKind's decoding.
template <class F>
DIMG_ROW_INLINE __m256i FieldToChannel(__m256i w) {
  constexpr int kTop = static_cast<int>(F::kShift + F::kWidth);
  if constexpr (F::kWidth == 1) {
    // A 1-bit alpha reads 255 or 0.
    return _mm256_srli_epi16(_mm256_srai_epi16(_mm256_slli_epi16(w, 16 - kTop), 15), 8);
  } else {
    const __m256i mask = Words(static_cast<int16_t>(((1 << F::kWidth) - 1) << (8 - F::kWidth)));
    if constexpr (kTop > 8) {
      return _mm256_and_si256(_mm256_srli_epi16(w, kTop - 8), mask);
    } else {
      return _mm256_and_si256(_mm256_slli_epi16(w, 8 - kTop), mask);
    }
  }
}

// A channel word (0-255) into its field: the top bits, truncated.
template <class F>
DIMG_ROW_INLINE __m256i ChannelToField(__m256i c) {
  constexpr int kTop = static_cast<int>(F::kShift + F::kWidth);
  const __m256i bits =
      _mm256_and_si256(c, Words(static_cast<int16_t>(((1 << F::kWidth) - 1) << (8 - F::kWidth))));
  if constexpr (kTop > 8) {
    return _mm256_slli_epi16(bits, kTop - 8);
  } else {
    return _mm256_srli_epi16(bits, 8 - kTop);
  }
}

template <class Kind>
struct Packed16 {
  DIMG_ROW_INLINE static Planar16 Load(const uint8_t* p) {
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    __m256i alpha = Words(255);
    if constexpr (Kind::kHasAlpha) {
      alpha = FieldToChannel<typename Kind::AlphaField>(w);
    }
    return {_mm256_packus_epi16(FieldToChannel<typename Kind::RedField>(w),
                                FieldToChannel<typename Kind::GreenField>(w)),
            _mm256_packus_epi16(FieldToChannel<typename Kind::BlueField>(w), alpha)};
  }

  DIMG_ROW_INLINE static void Store(const Planar16& v, uint8_t* p) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i w = _mm256_or_si256(
        _mm256_or_si256(ChannelToField<typename Kind::RedField>(_mm256_unpacklo_epi8(v.rg, zero)),
                        ChannelToField<typename Kind::GreenField>(_mm256_unpackhi_epi8(v.rg, zero))),
        ChannelToField<typename Kind::BlueField>(_mm256_unpacklo_epi8(v.ba, zero)));
    if constexpr (Kind::kHasAlpha) {
      w = _mm256_or_si256(
          w, ChannelToField<typename Kind::AlphaField>(_mm256_unpackhi_epi8(v.ba, zero)));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), w);
  }
};

// ---- Kind 7 in 16-bit lanes.
//
// Each share is WholePart(c) x j + mulhrs(j, FractionQ15(c)), which DimgYCbCrIntegerRuleHolds
// has checked is every table entry. Whole parts of two channels go through one multiply-add of
// byte pairs (unsigned channel x signed whole part). All lane sums wrap modulo 2^16 and the
// final ones lie in range: Y's sum is 0..32640, Cr's and Cb's -16320..16320 before their centre
// (added as 128 x 128 ahead of the shift), the green offset's -17203..17338. The saturating packs
// then clamp to 0..255.

namespace ycc16 {
using namespace dimg_ycc;  // NOLINT: the coefficients

constexpr bool FitsQ15(float c) { return FractionQ15(c) >= 0 && FractionQ15(c) < 32768; }
static_assert(FitsQ15(kRY) && FitsQ15(kGY) && FitsQ15(kBY) && FitsQ15(kGCr) && FitsQ15(kBCr) &&
              FitsQ15(kRCb) && FitsQ15(kGCb) && FitsQ15(kCrR) && FitsQ15(kCrG) &&
              FitsQ15(kCbG) && FitsQ15(kCbB));
// Shapes the code below assumes.
static_assert(FractionQ15(kRCr) == 0 && FractionQ15(kBCb) == 0 && WholePart(kBCb) == 64,
              "R's share of Cr and B's of Cb are whole");
static_assert(WholePart(kCrR) == 1 && WholePart(kCbB) == 1, "R and B offsets are j + a fraction");
static_assert(WholePart(kCrG) < 0 && WholePart(kCbG) < 0 &&
                  (-WholePart(kCrG) - WholePart(kCbG)) * 128 <= 32767,
              "the green offsets' whole parts as unsigned bytes, without saturation");
// Byte-pair multiply-adds do not saturate for any channels 0-255.
constexpr bool PairFits(float r, float g) {
  const int32_t wr = WholePart(r), wg = WholePart(g);
  return wr >= -128 && wr <= 127 && wg >= -128 && wg <= 127 &&
         ((wr < 0 ? -wr : wr) + (wg < 0 ? -wg : wg)) * 255 <= 32767;
}
static_assert(PairFits(kRY, kGY) && PairFits(kRCr, kGCr) && PairFits(kRCb, kGCb));

constexpr int16_t BytePair(int32_t low, int32_t high) {
  return static_cast<int16_t>(static_cast<uint16_t>((low & 0xFF) | (high & 0xFF) << 8));
}

DIMG_ROW_INLINE __m256i Fraction(__m256i j, float c) {
  return _mm256_mulhrs_epi16(j, Words(static_cast<int16_t>(FractionQ15(c))));
}

// Byte k of each half as the word lane k: pixel k's bytes Y, then Cr and Cb as signed bytes
// (less 128) in one word.
constexpr LaneMask kYFirst = BothHalves([](int i) { return i % 2 ? -1 : InFirst(i / 2, 0); });
constexpr LaneMask kYSecond = BothHalves([](int i) { return i % 2 ? -1 : InSecond(i / 2, 0); });
constexpr LaneMask kCrCbFirst = BothHalves([](int i) { return InFirst(i / 2, 1 + i % 2); });
constexpr LaneMask kCrCbSecond = BothHalves([](int i) { return InSecond(i / 2, 1 + i % 2); });
// R, G bytes of rg paired per word, for the whole parts.
constexpr LaneMask kRgPairs = BothHalves([](int i) { return i / 2 + (i % 2) * 8; });
}  // namespace ycc16

struct YCrCb16 {
  DIMG_ROW_INLINE static Planar16 Load(const uint8_t* p) {
    using namespace ycc16;  // NOLINT
    const ThreeByteLoads in(p);
    const __m256i y = in.Gather(kYFirst, kYSecond);
    const __m256i crcb = _mm256_xor_si256(in.Gather(kCrCbFirst, kCrCbSecond),
                                          _mm256_set1_epi8(static_cast<char>(0x80)));
    const __m256i cr = _mm256_srai_epi16(_mm256_slli_epi16(crcb, 8), 8);
    const __m256i cb = _mm256_srai_epi16(crcb, 8);
    const __m256i r = _mm256_add_epi16(_mm256_add_epi16(y, cr), Fraction(cr, kCrR));
    const __m256i b = _mm256_add_epi16(_mm256_add_epi16(y, cb), Fraction(cb, kCbB));
    const __m256i wholeG = _mm256_maddubs_epi16(
        Words(BytePair(-WholePart(kCrG), -WholePart(kCbG))), crcb);  // minus the whole parts
    const __m256i gOffset = _mm256_sub_epi16(
        _mm256_add_epi16(Fraction(cr, kCrG), Fraction(cb, kCbG)), wholeG);
    const __m256i g = _mm256_add_epi16(y, _mm256_srai_epi16(gOffset, 7));
    return {_mm256_packus_epi16(r, g), _mm256_packus_epi16(b, Words(255))};
  }

  DIMG_ROW_INLINE static void Store(const Planar16& v, uint8_t* p) {
    using namespace ycc16;  // NOLINT
    const __m256i zero = _mm256_setzero_si256();
    const __m256i pairs = Shuffle(v.rg, kRgPairs);
    const __m256i r = _mm256_unpacklo_epi8(v.rg, zero);
    const __m256i g = _mm256_unpackhi_epi8(v.rg, zero);
    const __m256i b = _mm256_unpacklo_epi8(v.ba, zero);
    const __m256i centre = Words(static_cast<int16_t>(kCentre));
    const __m256i ySum = _mm256_add_epi16(
        _mm256_add_epi16(
            _mm256_maddubs_epi16(pairs, Words(BytePair(WholePart(kRY), WholePart(kGY)))),
            _mm256_mullo_epi16(b, Words(static_cast<int16_t>(WholePart(kBY))))),
        _mm256_add_epi16(_mm256_add_epi16(Fraction(r, kRY), Fraction(g, kGY)), Fraction(b, kBY)));
    const __m256i crSum = _mm256_add_epi16(
        _mm256_add_epi16(
            _mm256_maddubs_epi16(pairs, Words(BytePair(WholePart(kRCr), WholePart(kGCr)))),
            _mm256_mullo_epi16(b, Words(static_cast<int16_t>(WholePart(kBCr))))),
        _mm256_add_epi16(_mm256_add_epi16(Fraction(g, kGCr), Fraction(b, kBCr)), centre));
    const __m256i cbSum = _mm256_add_epi16(
        _mm256_add_epi16(
            _mm256_maddubs_epi16(pairs, Words(BytePair(WholePart(kRCb), WholePart(kGCb)))),
            _mm256_slli_epi16(b, 6)),
        _mm256_add_epi16(_mm256_add_epi16(Fraction(r, kRCb), Fraction(g, kGCb)), centre));
    const __m256i cb = _mm256_srai_epi16(cbSum, 7);
    ThreeByte<0, 2>::Store({_mm256_packus_epi16(_mm256_srai_epi16(ySum, 7),
                                                _mm256_srai_epi16(crSum, 7)),
                            _mm256_packus_epi16(cb, cb)},
                           p);
  }
};

template <uint32_t K>
struct PlanarOf;
template <>
struct PlanarOf<DImageKindRGBA8> {
  using Type = FourByte<0, 2>;
};
template <>
struct PlanarOf<DImageKindBGRA8> {
  using Type = FourByte<2, 0>;
};
template <>
struct PlanarOf<DImageKindRGB8> {
  using Type = ThreeByte<0, 2>;
};
template <>
struct PlanarOf<DImageKindBGR8> {
  using Type = ThreeByte<2, 0>;
};
template <>
struct PlanarOf<DImageKindA1R5G5B5> {
  using Type = Packed16<DimgPixelKind<DImageKindA1R5G5B5>>;
};
template <>
struct PlanarOf<DImageKindA4R4G4B4> {
  using Type = Packed16<DimgPixelKind<DImageKindA4R4G4B4>>;
};
template <>
struct PlanarOf<DImageKindR5G6B5> {
  using Type = Packed16<DimgPixelKind<DImageKindR5G6B5>>;
};
template <>
struct PlanarOf<DImageKindYCrCb> {
  using Type = YCrCb16;
};

// Sixteen pixels of pair (D, S).
template <uint32_t D, uint32_t S>
DIMG_ROW_INLINE void DimgConvertPlanar16(uint8_t* dst, const uint8_t* src) {
  PlanarOf<D>::Type::Store(PlanarOf<S>::Type::Load(src), dst);
}

}  // namespace
