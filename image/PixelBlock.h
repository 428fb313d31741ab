#pragma once

#include "image/DImageKind.h"
#include "image/PixelKind.h"
#include "image/YCbCr.h"

#include <emmintrin.h>

#include <cstdint>

// Eight pixels at a time with SSE2 (the x86-64 baseline), for the conversion rows of
// FastRow.h. DimgPixelBlock<K>::Load decodes eight consecutive pixels of kind K into kind 0's
// byte order R, G, B, A (a kind without alpha reads A = 255); DimgPixelBlock<K>::Store encodes
// eight such pixels into kind K (a kind without alpha drops A). They are DimgPixelKind<K>'s
// Decode and Encode on eight pixels at once and give the same bytes. Each reads and writes
// exactly the pixels' bytes (8 x bytes per pixel) and needs no alignment, so a row's last block
// never touches the bytes after it.

// Functions of the blocks, always inlined so that a block's registers never go through memory.
#define DIMG_BLOCK_INLINE __attribute__((always_inline)) inline

namespace dimg_detail {

// Pixels 0-3 in lo, 4-7 in hi, each a 32-bit R | G << 8 | B << 16 | A << 24.
struct RgbaBlock {
  __m128i lo, hi;
};

DIMG_BLOCK_INLINE __m128i LoadBytes16(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
DIMG_BLOCK_INLINE __m128i LoadBytes8(const uint8_t* p) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
DIMG_BLOCK_INLINE void StoreBytes16(uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
DIMG_BLOCK_INLINE void StoreBytes8(uint8_t* p, __m128i v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}

DIMG_BLOCK_INLINE __m128i Mask32(uint32_t m) { return _mm_set1_epi32(static_cast<int>(m)); }
DIMG_BLOCK_INLINE __m128i Mask16(uint16_t m) { return _mm_set1_epi16(static_cast<short>(m)); }

// Bytes 0 and 2 of every 32-bit pixel exchanged: R, G, B, A <-> B, G, R, A.
DIMG_BLOCK_INLINE __m128i SwapRedBlue(__m128i v) {
  const __m128i rb = _mm_and_si128(v, Mask32(0x00FF00FF));
  const __m128i br = _mm_shufflehi_epi16(_mm_shufflelo_epi16(rb, 0xB1), 0xB1);
  return _mm_or_si128(_mm_andnot_si128(Mask32(0x00FF00FF), v), br);
}

DIMG_BLOCK_INLINE __m128i OpaqueAlpha(__m128i v) { return _mm_or_si128(v, Mask32(0xFF000000)); }

// Four 3-byte pixels (12 bytes) into the low three bytes of four 32-bit lanes (byte 3 zero).
DIMG_BLOCK_INLINE __m128i Expand3To4(const uint8_t* p) {
  // Lane 0 holds bytes 0-7 (pixels 0, 1), lane 1 bytes 6-11 (pixels 2, 3), read as 4-11.
  const __m128i v = _mm_unpacklo_epi64(LoadBytes8(p), _mm_srli_epi64(LoadBytes8(p + 4), 16));
  const __m128i first = _mm_and_si128(v, _mm_set1_epi64x(0x0000000000FFFFFF));
  const __m128i second = _mm_and_si128(_mm_slli_epi64(v, 8), _mm_set1_epi64x(0x00FFFFFF00000000));
  return _mm_or_si128(first, second);
}

// The low three bytes of four 32-bit lanes packed into bytes 0-11; bytes 12-15 are zero.
DIMG_BLOCK_INLINE __m128i Compact4To3(__m128i v) {
  const __m128i first = _mm_and_si128(v, _mm_set1_epi64x(0x0000000000FFFFFF));
  const __m128i second = _mm_and_si128(_mm_srli_epi64(v, 8), _mm_set1_epi64x(0x0000FFFFFF000000));
  const __m128i pairs = _mm_or_si128(first, second);  // 6 bytes at 0-5 and at 8-13
  return _mm_or_si128(_mm_move_epi64(pairs), _mm_slli_si128(_mm_srli_si128(pairs, 8), 6));
}

DIMG_BLOCK_INLINE RgbaBlock Load3Byte(const uint8_t* p) {
  return {Expand3To4(p), Expand3To4(p + 12)};
}

DIMG_BLOCK_INLINE void Store3Byte(__m128i lo, __m128i hi, uint8_t* p) {
  const __m128i a = Compact4To3(lo), b = Compact4To3(hi);
  StoreBytes16(p, _mm_or_si128(a, _mm_slli_si128(b, 12)));
  StoreBytes8(p + 16, _mm_srli_si128(b, 4));
}

// 16-bit kinds pass through two vectors of eight 16-bit lanes: rg = R | G << 8, ba = B | A << 8.
DIMG_BLOCK_INLINE RgbaBlock FromWordPairs(__m128i rg, __m128i ba) {
  return {_mm_unpacklo_epi16(rg, ba), _mm_unpackhi_epi16(rg, ba)};
}

DIMG_BLOCK_INLINE void ToWordPairs(const RgbaBlock& b, __m128i& rg, __m128i& ba) {
  // Sign-extended halves, so that the saturating pack keeps every 16-bit pattern as it is.
  rg = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(b.lo, 16), 16),
                       _mm_srai_epi32(_mm_slli_epi32(b.hi, 16), 16));
  ba = _mm_packs_epi32(_mm_srai_epi32(b.lo, 16), _mm_srai_epi32(b.hi, 16));
}

// One field of a 16-bit kind moved into the same channel's field of another: the top bits that
// both widths hold, at the top of the destination field, zeros below. That is decoding to eight
// bits and encoding again, done on the word (and for A1R5G5B5's alpha into A4R4G4B4 it gives the
// nibble 8 that the pair's rule asks for, not the 15 that the 8-bit detour would).
template <class From, class To>
DIMG_BLOCK_INLINE __m128i MoveField(__m128i w) {
  constexpr uint32_t kWidth = From::kWidth < To::kWidth ? From::kWidth : To::kWidth;
  constexpr int kFromTop = From::kShift + From::kWidth, kToTop = To::kShift + To::kWidth;
  const __m128i bits =
      _mm_and_si128(w, Mask16(static_cast<uint16_t>(((1u << kWidth) - 1u) << (kFromTop - kWidth))));
  if constexpr (kToTop > kFromTop) {
    return _mm_slli_epi16(bits, kToTop - kFromTop);
  } else if constexpr (kToTop < kFromTop) {
    return _mm_srli_epi16(bits, kFromTop - kToTop);
  } else {
    return bits;
  }
}

// Eight pixels from one 16-bit kind to another; a destination alpha that the source lacks is
// written opaque, a source alpha that the destination lacks is dropped.
template <class Dst, class Src>
DIMG_BLOCK_INLINE __m128i RepackWords(__m128i w) {
  __m128i out =
      _mm_or_si128(_mm_or_si128(MoveField<typename Src::RedField, typename Dst::RedField>(w),
                                MoveField<typename Src::GreenField, typename Dst::GreenField>(w)),
                   MoveField<typename Src::BlueField, typename Dst::BlueField>(w));
  if constexpr (Dst::kHasAlpha && Src::kHasAlpha) {
    out = _mm_or_si128(out, MoveField<typename Src::AlphaField, typename Dst::AlphaField>(w));
  } else if constexpr (Dst::kHasAlpha) {
    out = _mm_or_si128(out, Mask16(static_cast<uint16_t>(Dst::AlphaField::kMask)));
  }
  return out;
}

// Kind 7 computed in the registers. Every table entry is the float product of its index and the
// coefficient rounded half to even. Adding 1.5 x 2^23 to the product does that rounding (the sum
// lands where floats are whole numbers, ties to even), and the sum's bit pattern is then the
// pattern of 1.5 x 2^23 plus the rounded product: so the shares are added as integers, the
// patterns' offsets taken off once per sum, with no conversion back. The rows use this only when
// DimgYCbCrVectorReady has checked that it reproduces every entry. A coefficient of 64 is a
// shift. Sums, shifts and clamps then follow the table formulas of YCbCr.h: the shifts are
// arithmetic (+128 after one is 128 x 128 before it), and the saturating packs clamp any 32-bit
// result to 0..255.
DIMG_BLOCK_INLINE __m128i YccShare(__m128 v, float coefficient) {
  return _mm_castps_si128(
      _mm_add_ps(_mm_mul_ps(v, _mm_set1_ps(coefficient)), _mm_set1_ps(dimg_ycc::kRoundBias)));
}

DIMG_BLOCK_INLINE __m128i YccAdd(__m128i a, __m128i b, __m128i c, int32_t constant) {
  return _mm_add_epi32(_mm_add_epi32(a, b), _mm_add_epi32(c, _mm_set1_epi32(constant)));
}

// Four R, G, B, A pixels (32-bit lanes) to Y | Cr << 8 | Cb << 16.
DIMG_BLOCK_INLINE __m128i EncodeYCrCb4(__m128i rgba) {
  using namespace dimg_ycc;
  const __m128i ri = _mm_and_si128(rgba, Mask32(0xFF));
  const __m128i gi = _mm_and_si128(_mm_srli_epi32(rgba, 8), Mask32(0xFF));
  const __m128i bi = _mm_and_si128(_mm_srli_epi32(rgba, 16), Mask32(0xFF));
  const __m128 r = _mm_cvtepi32_ps(ri), g = _mm_cvtepi32_ps(gi), b = _mm_cvtepi32_ps(bi);
  const __m128i y = _mm_srai_epi32(YccAdd(YccShare(r, kRY), YccShare(g, kGY), YccShare(b, kBY),
                                          Wrapped(-3 * int64_t{kRoundBits})),
                                   7);
  const __m128i cr =
      _mm_srai_epi32(YccAdd(_mm_slli_epi32(ri, 6), YccShare(g, kGCr), YccShare(b, kBCr),
                            Wrapped(kCentre - 2 * int64_t{kRoundBits})),
                     7);
  const __m128i cb =
      _mm_srai_epi32(YccAdd(YccShare(r, kRCb), YccShare(g, kGCb), _mm_slli_epi32(bi, 6),
                            Wrapped(kCentre - 2 * int64_t{kRoundBits})),
                     7);
  // Y0-3, Cr0-3, Cb0-3 as bytes, then interleaved into the pixels' lanes.
  const __m128i bytes =
      _mm_packus_epi16(_mm_packs_epi32(y, cr), _mm_packs_epi32(cb, _mm_setzero_si128()));
  const __m128i ycr = _mm_unpacklo_epi8(bytes, _mm_srli_si128(bytes, 4));
  const __m128i cb0 = _mm_unpacklo_epi8(_mm_srli_si128(bytes, 8), _mm_setzero_si128());
  return _mm_unpacklo_epi16(ycr, cb0);
}

// Four Y | Cr << 8 | Cb << 16 lanes (byte 3 ignored) to R, G, B, 255.
DIMG_BLOCK_INLINE __m128i DecodeYCrCb4(__m128i ycc) {
  using namespace dimg_ycc;
  const __m128i y = _mm_and_si128(ycc, Mask32(0xFF));
  const __m128i offset = _mm_set1_epi32(128);
  const __m128 cr =
      _mm_cvtepi32_ps(_mm_sub_epi32(_mm_and_si128(_mm_srli_epi32(ycc, 8), Mask32(0xFF)), offset));
  const __m128 cb =
      _mm_cvtepi32_ps(_mm_sub_epi32(_mm_and_si128(_mm_srli_epi32(ycc, 16), Mask32(0xFF)), offset));
  const __m128i yLessBias = _mm_sub_epi32(y, _mm_set1_epi32(kRoundBits));
  const __m128i r = _mm_add_epi32(yLessBias, YccShare(cr, kCrR));
  const __m128i g = _mm_add_epi32(
      y, _mm_srai_epi32(YccAdd(YccShare(cr, kCrG), YccShare(cb, kCbG), _mm_setzero_si128(),
                               Wrapped(-2 * int64_t{kRoundBits})),
                        7));
  const __m128i b = _mm_add_epi32(yLessBias, YccShare(cb, kCbB));
  // R0-3, G0-3, B0-3, A0-3 as bytes, then transposed into the pixels' lanes.
  const __m128i bytes =
      _mm_packus_epi16(_mm_packs_epi32(r, g), _mm_packs_epi32(b, _mm_set1_epi32(255)));
  const __m128i rbga = _mm_unpacklo_epi8(bytes, _mm_srli_si128(bytes, 8));
  return _mm_unpacklo_epi8(rbga, _mm_srli_si128(rbga, 8));
}

// The four-lane rule applied to both halves of a block.
struct YccMath4 {
  DIMG_BLOCK_INLINE static RgbaBlock Decode(const RgbaBlock& ycc) {
    return {DecodeYCrCb4(ycc.lo), DecodeYCrCb4(ycc.hi)};
  }
  DIMG_BLOCK_INLINE static RgbaBlock Encode(const RgbaBlock& rgba) {
    return {EncodeYCrCb4(rgba.lo), EncodeYCrCb4(rgba.hi)};
  }
};

// Kind 7 from a mover of 3-byte pixels (Load into the low three bytes of each lane, Store of
// the low three bytes) and a vector rule (YccMath4 or a wider one).
template <class ThreeBytes, class Math>
struct YCrCbBlock {
  DIMG_BLOCK_INLINE static RgbaBlock Load(const uint8_t* p) {
    return Math::Decode(ThreeBytes::Load(p));
  }
  DIMG_BLOCK_INLINE static void Store(const RgbaBlock& b, uint8_t* p) {
    ThreeBytes::Store(Math::Encode(b), p);
  }
};

}  // namespace dimg_detail

template <uint32_t K>
struct DimgPixelBlock;

template <>
struct DimgPixelBlock<DImageKindRGBA8> {
  DIMG_BLOCK_INLINE static dimg_detail::RgbaBlock Load(const uint8_t* p) {
    return {dimg_detail::LoadBytes16(p), dimg_detail::LoadBytes16(p + 16)};
  }
  DIMG_BLOCK_INLINE static void Store(const dimg_detail::RgbaBlock& b, uint8_t* p) {
    dimg_detail::StoreBytes16(p, b.lo);
    dimg_detail::StoreBytes16(p + 16, b.hi);
  }
};

template <>
struct DimgPixelBlock<DImageKindBGRA8> {
  DIMG_BLOCK_INLINE static dimg_detail::RgbaBlock Load(const uint8_t* p) {
    return {dimg_detail::SwapRedBlue(dimg_detail::LoadBytes16(p)),
            dimg_detail::SwapRedBlue(dimg_detail::LoadBytes16(p + 16))};
  }
  DIMG_BLOCK_INLINE static void Store(const dimg_detail::RgbaBlock& b, uint8_t* p) {
    dimg_detail::StoreBytes16(p, dimg_detail::SwapRedBlue(b.lo));
    dimg_detail::StoreBytes16(p + 16, dimg_detail::SwapRedBlue(b.hi));
  }
};

template <>
struct DimgPixelBlock<DImageKindRGB8> {
  DIMG_BLOCK_INLINE static dimg_detail::RgbaBlock Load(const uint8_t* p) {
    const dimg_detail::RgbaBlock b = dimg_detail::Load3Byte(p);
    return {dimg_detail::OpaqueAlpha(b.lo), dimg_detail::OpaqueAlpha(b.hi)};
  }
  DIMG_BLOCK_INLINE static void Store(const dimg_detail::RgbaBlock& b, uint8_t* p) {
    dimg_detail::Store3Byte(b.lo, b.hi, p);
  }
};

template <>
struct DimgPixelBlock<DImageKindBGR8> {
  DIMG_BLOCK_INLINE static dimg_detail::RgbaBlock Load(const uint8_t* p) {
    const dimg_detail::RgbaBlock b = dimg_detail::Load3Byte(p);
    return {dimg_detail::OpaqueAlpha(dimg_detail::SwapRedBlue(b.lo)),
            dimg_detail::OpaqueAlpha(dimg_detail::SwapRedBlue(b.hi))};
  }
  DIMG_BLOCK_INLINE static void Store(const dimg_detail::RgbaBlock& b, uint8_t* p) {
    dimg_detail::Store3Byte(dimg_detail::SwapRedBlue(b.lo), dimg_detail::SwapRedBlue(b.hi), p);
  }
};

namespace dimg_detail {
using LowByte = Field<0, 8>;
using HighByte = Field<8, 8>;

// The 16-bit kinds, from their fields: LoadWords and StoreWords move each field to or from its
// channel's byte of the two word vectors, Load and Store widen and narrow around them.
template <class Kind>
struct PackedBlock {
  DIMG_BLOCK_INLINE static void LoadWords(const uint8_t* p, __m128i& rg, __m128i& ba) {
    const __m128i w = LoadBytes16(p);
    rg = _mm_or_si128(MoveField<typename Kind::RedField, LowByte>(w),
                      MoveField<typename Kind::GreenField, HighByte>(w));
    __m128i alpha = Mask16(0xFF00);
    if constexpr (Kind::kHasAlpha) {
      using A = typename Kind::AlphaField;
      if constexpr (A::kWidth == 1) {
        // A 1-bit alpha reads 255 or 0, not 0x80: the bit is spread over the byte.
        alpha = _mm_and_si128(_mm_srai_epi16(_mm_slli_epi16(w, 15 - A::kShift), 15), alpha);
      } else {
        alpha = MoveField<A, HighByte>(w);
      }
    }
    ba = _mm_or_si128(MoveField<typename Kind::BlueField, LowByte>(w), alpha);
  }
  DIMG_BLOCK_INLINE static void StoreWords(__m128i rg, __m128i ba, uint8_t* p) {
    __m128i w = _mm_or_si128(_mm_or_si128(MoveField<LowByte, typename Kind::RedField>(rg),
                                          MoveField<HighByte, typename Kind::GreenField>(rg)),
                             MoveField<LowByte, typename Kind::BlueField>(ba));
    if constexpr (Kind::kHasAlpha) {
      w = _mm_or_si128(w, MoveField<HighByte, typename Kind::AlphaField>(ba));
    }
    StoreBytes16(p, w);
  }
  DIMG_BLOCK_INLINE static RgbaBlock Load(const uint8_t* p) {
    __m128i rg, ba;
    LoadWords(p, rg, ba);
    return FromWordPairs(rg, ba);
  }
  DIMG_BLOCK_INLINE static void Store(const RgbaBlock& b, uint8_t* p) {
    __m128i rg, ba;
    ToWordPairs(b, rg, ba);
    StoreWords(rg, ba, p);
  }
};
}  // namespace dimg_detail

template <>
struct DimgPixelBlock<DImageKindA1R5G5B5>
    : dimg_detail::PackedBlock<DimgPixelKind<DImageKindA1R5G5B5>> {};
template <>
struct DimgPixelBlock<DImageKindA4R4G4B4>
    : dimg_detail::PackedBlock<DimgPixelKind<DImageKindA4R4G4B4>> {};
template <>
struct DimgPixelBlock<DImageKindR5G6B5>
    : dimg_detail::PackedBlock<DimgPixelKind<DImageKindR5G6B5>> {};

template <>
struct DimgPixelBlock<DImageKindYCrCb>
    : dimg_detail::YCrCbBlock<DimgPixelBlock<DImageKindRGB8>, dimg_detail::YccMath4> {};
