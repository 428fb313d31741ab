#pragma once

// Sixteen pixels at a time in AVX2 registers, for the rows of FastRowAvx2.cpp. Every kind loads
// into and stores from one planar form, so a pair is one load and one store with nothing in
// between; kind 7 decodes on load and encodes on store in 16-bit lanes, sixteen pixels to a
// register, by the integer rule of YCbCr.h (dimg_ycc::IntegerShare), which gives every table
// entry exactly. Like ShuffleBlocks.h, everything here is local to the including unit, which
// defines DIMG_ROW_TARGET first.

#include "image/PixelKind.h"
#include "image/PlanarKinds.h"
#include "image/RowBlocks.h"
#include "image/YCbCr.h"

#include <immintrin.h>

#include <array>
#include <cstdint>

#ifndef DIMG_ROW_TARGET
#error "define DIMG_ROW_TARGET before including PlanarBlocks.h"
#endif

namespace {

// Pixels 0-7 in the low 128-bit half of both registers, pixels 8-15 in the high half, one pixel
// a 16-bit lane: rg holds R | G << 8, ba B | A << 8. The channels sit where the arithmetic and
// the stores want them without byte shuffles, which the processor runs on fewer ports than
// additions and masks.
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

// ---- 4-byte kinds: byte OffR of a pixel holds R, byte 1 G, byte OffB B, byte 3 A.

// Four pixels regrouped as their R, G pairs, then their B, A pairs.
template <int OffR, int OffB>
constexpr LaneMask kPairs4 = BothHalves([](int i) {
  const int pixel = (i % 8) / 2, channel = (i / 8) * 2 + i % 2;
  return 4 * pixel + (channel == 0 ? OffR : channel == 2 ? OffB : channel);
});

template <int OffR, int OffB>
struct FourByte {
  // Pixels 0-3 and 8-11 in one register, 4-7 and 12-15 in the other, so that joining the
  // registers' halves leaves pixels 0-7 in the low halves.
  DIMG_ROW_INLINE static Planar16 Load(const uint8_t* p) {
    const __m256i a = Shuffle(LoadHalves(p, p + 32), kPairs4<OffR, OffB>);
    const __m256i b = Shuffle(LoadHalves(p + 16, p + 48), kPairs4<OffR, OffB>);
    return {_mm256_unpacklo_epi64(a, b), _mm256_unpackhi_epi64(a, b)};
  }

  DIMG_ROW_INLINE static void Store(const Planar16& v, uint8_t* p) {
    // R | G << 8 | B << 16 | A << 24 per 32-bit lane; kind 2 wants R and B exchanged.
    __m256i p0 = _mm256_unpacklo_epi16(v.rg, v.ba);  // pixels 0-3 | 8-11
    __m256i p1 = _mm256_unpackhi_epi16(v.rg, v.ba);  // pixels 4-7 | 12-15
    if constexpr (OffR != 0) {
      const __m256i swap = _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15,
                                            2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
      p0 = _mm256_shuffle_epi8(p0, swap);
      p1 = _mm256_shuffle_epi8(p1, swap);
    }
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
// Word lane k gets pixel k's bytes `low` and `high` (-1: a zero byte) from the first or the
// second load.
template <int Low, int High, bool First>
constexpr LaneMask kWords3 = BothHalves([](int i) {
  const int offset = i % 2 ? High : Low;
  return offset < 0 ? -1 : First ? InFirst(i / 2, offset) : InSecond(i / 2, offset);
});
// Output byte Skip + i of a half (its pixel, its slot in the pixel) from the low or high byte of
// the pixel's lane in `first` (slots First0 and First1) or the low byte in `second` (slot
// Second).
template <int First0, int First1, int Second, bool FromFirst, int Skip>
constexpr LaneMask kOut3 = BothHalves([](int i) {
  const int byte = i + Skip;
  if (byte >= 24) {
    return -1;
  }
  const int pixel = byte / 3, slot = byte % 3;
  if (FromFirst) {
    return slot == First0 ? 2 * pixel : slot == First1 ? 2 * pixel + 1 : -1;
  }
  return slot == Second ? 2 * pixel : -1;
});

// Sixteen 3-byte pixels from two registers of pixel lanes: slots First0 and First1 from the low
// and high bytes of `first`, slot Second from the low bytes of `second`.
template <int First0, int First1, int Second>
DIMG_ROW_INLINE void StoreThreeBytes(__m256i first, __m256i second, uint8_t* p) {
  const __m256i head = _mm256_or_si256(Shuffle(first, kOut3<First0, First1, Second, true, 0>),
                                       Shuffle(second, kOut3<First0, First1, Second, false, 0>));
  const __m256i tail = _mm256_or_si256(Shuffle(first, kOut3<First0, First1, Second, true, 16>),
                                       Shuffle(second, kOut3<First0, First1, Second, false, 16>));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(head));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 16), _mm256_castsi256_si128(tail));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 24), _mm256_extracti128_si256(head, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 40), _mm256_extracti128_si256(tail, 1));
}

template <int OffR, int OffB>
struct ThreeByte {
  DIMG_ROW_INLINE static Planar16 Load(const uint8_t* p) {
    const ThreeByteLoads in(p);
    return {in.Gather(kWords3<OffR, 1, true>, kWords3<OffR, 1, false>),
            _mm256_or_si256(in.Gather(kWords3<OffB, -1, true>, kWords3<OffB, -1, false>),
                            Words(static_cast<int16_t>(0xFF00)))};
  }

  DIMG_ROW_INLINE static void Store(const Planar16& v, uint8_t* p) {
    StoreThreeBytes<OffR, 1, OffB>(v.rg, v.ba, p);
  }
};

// ---- 16-bit kinds: one 32-byte load holds the sixteen words in order.

// A field's bits at the top of the low byte (Byte 0) or the high byte (Byte 1) of each lane, zeros
// elsewhere: DimgPixelKind's decoding.
template <class F, int Byte>
DIMG_ROW_INLINE __m256i FieldToChannel(__m256i w) {
  constexpr int kTop = static_cast<int>(F::kShift + F::kWidth), kTo = 8 + 8 * Byte;
  if constexpr (F::kWidth == 1) {
    // A 1-bit alpha reads 255 or 0.
    const __m256i all = _mm256_srai_epi16(_mm256_slli_epi16(w, 16 - kTop), 15);
    return _mm256_and_si256(all, Words(static_cast<int16_t>(0xFF << (8 * Byte))));
  } else {
    const __m256i mask = Words(
        static_cast<int16_t>((((1 << F::kWidth) - 1) << (8 - F::kWidth)) << (8 * Byte)));
    if constexpr (kTop > kTo) {
      return _mm256_and_si256(_mm256_srli_epi16(w, kTop - kTo), mask);
    } else if constexpr (kTop < kTo) {
      return _mm256_and_si256(_mm256_slli_epi16(w, kTo - kTop), mask);
    } else {
      return _mm256_and_si256(w, mask);
    }
  }
}

// The low (Byte 0) or high (Byte 1) byte of each lane into its field: the top bits, truncated.
template <class F, int Byte>
DIMG_ROW_INLINE __m256i ChannelToField(__m256i c) {
  constexpr int kTop = static_cast<int>(F::kShift + F::kWidth), kFrom = 8 + 8 * Byte;
  const __m256i bits = _mm256_and_si256(
      c, Words(static_cast<int16_t>((((1 << F::kWidth) - 1) << (8 - F::kWidth)) << (8 * Byte))));
  if constexpr (kTop > kFrom) {
    return _mm256_slli_epi16(bits, kTop - kFrom);
  } else if constexpr (kTop < kFrom) {
    return _mm256_srli_epi16(bits, kFrom - kTop);
  } else {
    return bits;
  }
}

template <class Kind>
struct Packed16 {
  DIMG_ROW_INLINE static Planar16 Load(const uint8_t* p) {
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    __m256i alpha = Words(static_cast<int16_t>(0xFF00));
    if constexpr (Kind::kHasAlpha) {
      alpha = FieldToChannel<typename Kind::AlphaField, 1>(w);
    }
    return {_mm256_or_si256(FieldToChannel<typename Kind::RedField, 0>(w),
                            FieldToChannel<typename Kind::GreenField, 1>(w)),
            _mm256_or_si256(FieldToChannel<typename Kind::BlueField, 0>(w), alpha)};
  }

  DIMG_ROW_INLINE static void Store(const Planar16& v, uint8_t* p) {
    __m256i w = _mm256_or_si256(_mm256_or_si256(ChannelToField<typename Kind::RedField, 0>(v.rg),
                                                ChannelToField<typename Kind::GreenField, 1>(v.rg)),
                                ChannelToField<typename Kind::BlueField, 0>(v.ba));
    if constexpr (Kind::kHasAlpha) {
      w = _mm256_or_si256(w, ChannelToField<typename Kind::AlphaField, 1>(v.ba));
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
// Byte-pair multiply-adds do not saturate for any channels 0-255 (B's pairs B with a zero byte).
constexpr bool PairFits(float r, float g) {
  const int32_t wr = WholePart(r), wg = WholePart(g);
  return wr >= -128 && wr <= 127 && wg >= -128 && wg <= 127 &&
         ((wr < 0 ? -wr : wr) + (wg < 0 ? -wg : wg)) * 255 <= 32767;
}
static_assert(PairFits(kRY, kGY) && PairFits(kRCr, kGCr) && PairFits(kRCb, kGCb) &&
              PairFits(kBY, 0.0f) && PairFits(kBCr, 0.0f));

constexpr int16_t BytePair(int32_t low, int32_t high) {
  return static_cast<int16_t>(static_cast<uint16_t>((low & 0xFF) | (high & 0xFF) << 8));
}

DIMG_ROW_INLINE __m256i Fraction(__m256i j, float c) {
  return _mm256_mulhrs_epi16(j, Words(static_cast<int16_t>(FractionQ15(c))));
}

DIMG_ROW_INLINE __m256i Clamp8(__m256i v) {
  return _mm256_min_epi16(_mm256_max_epi16(v, _mm256_setzero_si256()), Words(255));
}
}  // namespace ycc16

struct YCrCb16 {
  // Pixel lanes of Y, and of Cr | Cb << 8 as signed bytes (less 128).
  DIMG_ROW_INLINE static Planar16 Load(const uint8_t* p) {
    using namespace ycc16;  // NOLINT
    const ThreeByteLoads in(p);
    const __m256i y = in.Gather(kWords3<0, -1, true>, kWords3<0, -1, false>);
    const __m256i crcb =
        _mm256_xor_si256(in.Gather(kWords3<1, 2, true>, kWords3<1, 2, false>), Words(-32640));
    const __m256i cr = _mm256_srai_epi16(_mm256_slli_epi16(crcb, 8), 8);
    const __m256i cb = _mm256_srai_epi16(crcb, 8);
    const __m256i r = _mm256_add_epi16(_mm256_add_epi16(y, cr), Fraction(cr, kCrR));
    const __m256i b = _mm256_add_epi16(_mm256_add_epi16(y, cb), Fraction(cb, kCbB));
    const __m256i wholeG = _mm256_maddubs_epi16(
        Words(BytePair(-WholePart(kCrG), -WholePart(kCbG))), crcb);  // minus the whole parts
    const __m256i gOffset = _mm256_sub_epi16(
        _mm256_add_epi16(Fraction(cr, kCrG), Fraction(cb, kCbG)), wholeG);
    const __m256i g = _mm256_add_epi16(y, _mm256_srai_epi16(gOffset, 7));
    return {_mm256_or_si256(Clamp8(r), _mm256_slli_epi16(Clamp8(g), 8)),
            _mm256_or_si256(Clamp8(b), Words(static_cast<int16_t>(0xFF00)))};
  }

  // The sums lie in range (above), so the shifted results are 0..255 without a clamp.
  DIMG_ROW_INLINE static void Store(const Planar16& v, uint8_t* p) {
    using namespace ycc16;  // NOLINT
    const __m256i lowByte = Words(255);
    const __m256i r = _mm256_and_si256(v.rg, lowByte);
    const __m256i g = _mm256_srli_epi16(v.rg, 8);
    const __m256i b = _mm256_and_si256(v.ba, lowByte);
    const __m256i centre = Words(static_cast<int16_t>(kCentre));
    const __m256i ySum = _mm256_add_epi16(
        _mm256_add_epi16(
            _mm256_maddubs_epi16(v.rg, Words(BytePair(WholePart(kRY), WholePart(kGY)))),
            _mm256_maddubs_epi16(b, Words(BytePair(WholePart(kBY), 0)))),
        _mm256_add_epi16(_mm256_add_epi16(Fraction(r, kRY), Fraction(g, kGY)), Fraction(b, kBY)));
    const __m256i crSum = _mm256_add_epi16(
        _mm256_add_epi16(
            _mm256_maddubs_epi16(v.rg, Words(BytePair(WholePart(kRCr), WholePart(kGCr)))),
            _mm256_maddubs_epi16(b, Words(BytePair(WholePart(kBCr), 0)))),
        _mm256_add_epi16(_mm256_add_epi16(Fraction(g, kGCr), Fraction(b, kBCr)), centre));
    const __m256i cbSum = _mm256_add_epi16(
        _mm256_add_epi16(
            _mm256_maddubs_epi16(v.rg, Words(BytePair(WholePart(kRCb), WholePart(kGCb)))),
            _mm256_slli_epi16(b, 6)),
        _mm256_add_epi16(_mm256_add_epi16(Fraction(r, kRCb), Fraction(g, kGCb)), centre));
    const __m256i yCr = _mm256_or_si256(_mm256_srai_epi16(ySum, 7),
                                        _mm256_slli_epi16(_mm256_srai_epi16(crSum, 7), 8));
    StoreThreeBytes<0, 1, 2>(yCr, _mm256_srai_epi16(cbSum, 7), p);
  }
};

template <uint32_t K>
using PlanarOf = PlanarBlockOf<K, FourByte, ThreeByte, Packed16, YCrCb16>;

// dimg_detail::MoveField and RepackWords of PixelBlock.h on sixteen words: between two 16-bit
// kinds the fields move within the words (A1R5G5B5's alpha bit into A4R4G4B4 gives the nibble 8
// of that pair's rule).
template <class From, class To>
DIMG_ROW_INLINE __m256i MoveField16(__m256i w) {
  constexpr uint32_t kWidth = From::kWidth < To::kWidth ? From::kWidth : To::kWidth;
  constexpr int kFromTop = From::kShift + From::kWidth, kToTop = To::kShift + To::kWidth;
  const __m256i bits = _mm256_and_si256(
      w, Words(static_cast<int16_t>(((1u << kWidth) - 1u) << (kFromTop - kWidth))));
  if constexpr (kToTop > kFromTop) {
    return _mm256_slli_epi16(bits, kToTop - kFromTop);
  } else if constexpr (kToTop < kFromTop) {
    return _mm256_srli_epi16(bits, kFromTop - kToTop);
  } else {
    return bits;
  }
}

template <class Dst, class Src>
DIMG_ROW_INLINE void RepackWords16(uint8_t* dst, const uint8_t* src) {
  const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
  __m256i out = _mm256_or_si256(
      _mm256_or_si256(MoveField16<typename Src::RedField, typename Dst::RedField>(w),
                      MoveField16<typename Src::GreenField, typename Dst::GreenField>(w)),
      MoveField16<typename Src::BlueField, typename Dst::BlueField>(w));
  if constexpr (Dst::kHasAlpha && Src::kHasAlpha) {
    out = _mm256_or_si256(out, MoveField16<typename Src::AlphaField, typename Dst::AlphaField>(w));
  } else if constexpr (Dst::kHasAlpha) {
    out = _mm256_or_si256(out, Words(static_cast<int16_t>(Dst::AlphaField::kMask)));
  }
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), out);
}

// Sixteen pixels of pair (D, S).
template <uint32_t D, uint32_t S>
DIMG_ROW_INLINE void DimgConvertPlanar16(uint8_t* dst, const uint8_t* src) {
  if constexpr (DimgPixelKind<D>::kBytes == 2 && DimgPixelKind<S>::kBytes == 2) {
    RepackWords16<DimgPixelKind<D>, DimgPixelKind<S>>(dst, src);
  } else {
    PlanarOf<D>::Type::Store(PlanarOf<S>::Type::Load(src), dst);
  }
}

}  // namespace
