#pragma once

// Thirty-two pixels of a pair with kind 7 at a time in AVX-512 registers, for the rows of
// FastRowAvx512.cpp: a word lane a pixel as in PlanarBlocks.h, one register wide, with byte
// permutes across the whole register (vpermt2b, vpermb, vpmultishiftqb) in place of the in-lane
// shuffles, and masked loads and stores, so that a row's last 1 to 31 pixels take the same steps
// as the others and touch no byte outside the row. Kind 7 is the integer rule of YCbCr.h
// (dimg_ycc::IntegerShare) as in PlanarBlocks.h's YCrCb16, so the two give the same bytes.
// Everything here is local to the including unit, which defines DIMG_ROW_TARGET first.

#include "image/PixelKind.h"
#include "image/PlanarKinds.h"
#include "image/RowBlocks.h"
#include "image/YCbCr.h"

#include <immintrin.h>

#include <array>
#include <cstdint>

#ifndef DIMG_ROW_TARGET
#error "define DIMG_ROW_TARGET before including PlanarBlocks512.h"
#endif

namespace {

// Byte indices of a permute: bit 6 picks the second register of vpermt2b.
using ByteIndex = std::array<uint8_t, 64>;

template <class F>
constexpr ByteIndex MakeIndex(F indexAt) {
  ByteIndex m{};
  for (int i = 0; i < 64; ++i) {
    m[i] = static_cast<uint8_t>(indexAt(i));
  }
  return m;
}

DIMG_ROW_INLINE __m512i Index(const ByteIndex& m) { return _mm512_loadu_si512(m.data()); }

DIMG_ROW_INLINE __m512i Words32(int16_t v) { return _mm512_set1_epi16(v); }

// The first `bytes` bytes of a register (all of them from 64 on; none at 0).
DIMG_ROW_INLINE __mmask64 FirstBytes(uint32_t bytes) { return _bzhi_u64(~uint64_t{0}, bytes); }

// Loads and stores of `bytes` bytes at p and p + 64: nothing beyond them is read or written. A
// row's whole blocks (a constant count once inlined) take plain moves; its last pixels take
// masked ones, whose masked-off bytes cannot fault.
DIMG_ROW_INLINE __m512i LoadFirst(const uint8_t* p, uint32_t bytes) {
  if (bytes >= 64) {
    return _mm512_loadu_si512(p);
  }
  return _mm512_maskz_loadu_epi8(FirstBytes(bytes), p);
}
DIMG_ROW_INLINE __m512i LoadSecond(const uint8_t* p, uint32_t bytes) {
  if (bytes >= 128) {
    return _mm512_loadu_si512(p + 64);
  }
  if (bytes == 96) {
    // The permutes read only the low half of this register.
    return _mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64)));
  }
  return _mm512_maskz_loadu_epi8(FirstBytes(bytes > 64 ? bytes - 64 : 0), p + 64);
}
DIMG_ROW_INLINE void StoreFirst(uint8_t* p, __m512i v, uint32_t bytes) {
  if (bytes >= 64) {
    _mm512_storeu_si512(p, v);
  } else {
    _mm512_mask_storeu_epi8(p, FirstBytes(bytes), v);
  }
}
DIMG_ROW_INLINE void StoreSecond(uint8_t* p, __m512i v, uint32_t bytes) {
  if (bytes >= 128) {
    _mm512_storeu_si512(p + 64, v);
  } else if (bytes == 96) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 64), _mm512_castsi512_si256(v));
  } else {
    _mm512_mask_storeu_epi8(p + 64, FirstBytes(bytes > 64 ? bytes - 64 : 0), v);
  }
}

// Word lane i from bytes Low and High (channel offsets) of pixel i, pixels Bytes bytes apart in
// the 128 bytes of two registers.
template <int Bytes, int Low, int High>
constexpr ByteIndex kGatherWords =
    MakeIndex([](int i) { return Bytes * (i / 2) + (i % 2 ? High : Low); });

// Where channel c (0 R, 1 G, 2 B, 3 A; for kind 7 Y, Cr, Cb) of pixel i lies in a pair of
// registers, as a vpermt2b index: in the planar words (R, G of pixel i at bytes 2i, 2i + 1 of the
// first, B, A in the second), or as vpackuswb leaves two pairs of word registers (each 128-bit
// lane holds eight pixels' R, then their G; B and A alike in the second).
enum class ChannelLayout { Words, PackedHalves };

constexpr int ChannelByte(ChannelLayout layout, int channel, int pixel) {
  const int reg = channel / 2 * 64, high = channel % 2;
  if (layout == ChannelLayout::Words) {
    return (reg + 2 * pixel + high) & 127;
  }
  return (reg + 16 * (pixel / 8) + 8 * high + pixel % 8) & 127;
}

// Output byte k (of the first register, or of the second at Skip = 64) of pixels Bytes bytes
// long whose slot s holds channel Cs.
template <ChannelLayout L, int Bytes, int C0, int C1, int C2, int C3, int Skip>
constexpr ByteIndex kScatter = MakeIndex([](int i) {
  const int byte = i + Skip, pixel = byte / Bytes, slot = byte % Bytes;
  return ChannelByte(L, slot == 0 ? C0 : slot == 1 ? C1 : slot == 2 ? C2 : C3, pixel);
});

// n pixels (1 to 32) from the channels in two registers.
template <ChannelLayout L, int Bytes, int C0, int C1, int C2, int C3 = 3>
DIMG_ROW_INLINE void StorePixels(__m512i first, __m512i second, uint8_t* p, uint32_t n) {
  StoreFirst(p,
             _mm512_permutex2var_epi8(first, Index(kScatter<L, Bytes, C0, C1, C2, C3, 0>), second),
             Bytes * n);
  StoreSecond(
      p, _mm512_permutex2var_epi8(first, Index(kScatter<L, Bytes, C0, C1, C2, C3, 64>), second),
      Bytes * n);
}

// What kind 7's encoding multiplies, a word lane a pixel: rg, R | G << 8, R, G and B alone, and
// bHigh, B | 0x80 << 8, whose high byte brings in the centres of Cr and Cb (YCrCb32::Encode).
struct ColourWords {
  __m512i rg, r, g, b, bHigh;
};

DIMG_ROW_INLINE ColourWords SplitColour(__m512i rg, __m512i bHigh) {
  const __m512i lowByte = Words32(255);
  return {rg, _mm512_and_si512(rg, lowByte), _mm512_srli_epi16(rg, 8),
          _mm512_and_si512(bHigh, lowByte), bHigh};
}

// Word lane i: byte Low of pixel i (pixels Bytes bytes apart), then 0x80, which the masked
// permute below keeps from the index register.
template <int Bytes, int Low>
constexpr ByteIndex kGatherLowBytes =
    MakeIndex([](int i) { return i % 2 ? 0x80 : Bytes * (i / 2) + Low; });

DIMG_ROW_INLINE __m512i GatherUnder80(__m512i a, const ByteIndex& index, __m512i b) {
  return _mm512_mask2_permutex2var_epi8(a, Index(index), 0x5555555555555555u, b);
}

// vpmultishiftqb makes each byte of a quadword from the eight bits of that quadword at an offset
// of the byte's own, wrapping around. These offsets put bit `low` (or `high`) of each word lane
// at bit 0 of the lane's low (or high) byte.
constexpr uint64_t MultishiftOffsets(int low, int high) {
  uint64_t c = 0;
  for (int lane = 0; lane < 4; ++lane) {
    c |= uint64_t((16 * lane + low) & 63) << (16 * lane);
    c |= uint64_t((16 * lane + high) & 63) << (16 * lane + 8);
  }
  return c;
}

// ---- Byte kinds of 4 or 3 bytes a pixel: byte OffR holds R (for kind 7, Y), byte 1 G (Cr),
// byte OffB B (Cb); a 4-byte pixel's byte 3 is A.
template <int Bytes, int OffR, int OffB>
struct BytePixels32 {
  DIMG_ROW_INLINE static ColourWords LoadColour(const uint8_t* p, uint32_t n) {
    const __m512i a = LoadFirst(p, Bytes * n), b = LoadSecond(p, Bytes * n);
    return SplitColour(_mm512_permutex2var_epi8(a, Index(kGatherWords<Bytes, OffR, 1>), b),
                       GatherUnder80(a, kGatherLowBytes<Bytes, OffB>, b));
  }

  template <ChannelLayout L>
  DIMG_ROW_INLINE static void StoreChannels(__m512i first, __m512i second, uint8_t* p, uint32_t n) {
    StorePixels<L, Bytes, OffR == 0 ? 0 : 2, 1, OffR == 0 ? 2 : 0>(first, second, p, n);
  }
};
template <int OffR, int OffB>
using FourByte32 = BytePixels32<4, OffR, OffB>;
template <int OffR, int OffB>
using ThreeByte32 = BytePixels32<3, OffR, OffB>;

// ---- 16-bit kinds as destinations: one register holds the 32 words in order.
template <class Kind>
struct Packed32 {
  // A channel word 0..255 moved so that its top bit is the field's top bit.
  template <class F>
  DIMG_ROW_INLINE static __m512i AtField(__m512i c) {
    constexpr int kTop = static_cast<int>(F::kShift + F::kWidth);
    if constexpr (kTop > 8) {
      return _mm512_slli_epi16(c, kTop - 8);
    } else {
      return _mm512_srli_epi16(c, 8 - kTop);
    }
  }

  // Opaque pixels from R, G and B words that are clamped here. The first merge takes R's field
  // from r and everything else from g; the second keeps R's and G's fields and takes the rest
  // from b, whose bits above its field are zero.
  DIMG_ROW_INLINE static void StoreColour(__m512i r, __m512i g, __m512i b, uint8_t* p,
                                          uint32_t n) {
    using R = typename Kind::RedField;
    using G = typename Kind::GreenField;
    using B = typename Kind::BlueField;
    const __m512i zero = _mm512_setzero_si512(), top = Words32(255);
    auto clamp = [&](__m512i v) DIMG_ROW_TARGET {
      return _mm512_min_epi16(_mm512_max_epi16(v, zero), top);
    };
    constexpr int kTakeFirst = 0xE4;  // ternary logic of (a, b, c): c ? a : b, bit by bit
    const __m512i rg = _mm512_ternarylogic_epi32(AtField<R>(clamp(r)), AtField<G>(clamp(g)),
                                                 Words32(static_cast<int16_t>(R::kMask)),
                                                 kTakeFirst);
    __m512i w = _mm512_ternarylogic_epi32(rg, AtField<B>(clamp(b)),
                                          Words32(static_cast<int16_t>(R::kMask | G::kMask)),
                                          kTakeFirst);
    if constexpr (Kind::kHasAlpha) {
      w = _mm512_or_si512(w, Words32(static_cast<int16_t>(Kind::AlphaField::kMask)));
    }
    StoreFirst(p, w, 2 * n);
  }
};

// ---- Kind 7: PlanarBlocks.h's YCrCb16 (see the ranges there) thirty-two lanes wide.

namespace ycc32 {
using namespace dimg_ycc;  // NOLINT: the coefficients

constexpr int16_t BytePair(int32_t low, int32_t high) {
  return static_cast<int16_t>(static_cast<uint16_t>((low & 0xFF) | (high & 0xFF) << 8));
}

// B's pairs in Cr and Cb, (B, 0x80) x (its whole part, -128), do not saturate.
static_assert(WholePart(kBCr) >= -128 && WholePart(kBCr) <= 0 &&
                  -WholePart(kBCr) * 255 + 128 * 128 <= 32768,
              "B's share of Cr and the centre in one multiply-add");
static_assert(FractionQ15(kBCb) == 0 && WholePart(kBCb) >= 0 && WholePart(kBCb) <= 127 &&
                  WholePart(kBCb) * 255 - 128 * 128 <= 32767,
              "B's share of Cb is whole, and with the centre in one multiply-add");

DIMG_ROW_INLINE __m512i Fraction(__m512i j, float c) {
  return _mm512_mulhrs_epi16(j, Words32(static_cast<int16_t>(FractionQ15(c))));
}

// vpackuswb leaves each 128-bit lane as eight clamped words of its first operand, then eight of
// its second; this puts pixel i's two bytes back into word lane i.
constexpr ByteIndex kUnpackLanes =
    MakeIndex([](int i) { return 16 * (i / 16) + (i % 16) / 2 + (i % 2) * 8; });

// Clamps two channels' words to 0..255 and joins them as low | high << 8.
DIMG_ROW_INLINE __m512i ClampJoin(__m512i low, __m512i high) {
  return _mm512_permutexvar_epi8(Index(kUnpackLanes), _mm512_packus_epi16(low, high));
}
}  // namespace ycc32

struct YCrCb32 {
  // R, G and B words before their clamp.
  struct Unclamped {
    __m512i r, g, b;
  };

  DIMG_ROW_INLINE static Unclamped Decode(const uint8_t* p, uint32_t n) {
    using namespace ycc32;  // NOLINT
    const __m512i a = LoadFirst(p, 3 * n), b = LoadSecond(p, 3 * n);
    const __m512i y = _mm512_maskz_permutex2var_epi8(0x5555555555555555u, a,
                                                     Index(kGatherWords<3, 0, 0>), b);
    const __m512i crcb = _mm512_xor_si512(
        _mm512_permutex2var_epi8(a, Index(kGatherWords<3, 1, 2>), b), Words32(-32640));
    const __m512i cr = _mm512_srai_epi16(_mm512_slli_epi16(crcb, 8), 8);
    const __m512i cb = _mm512_srai_epi16(crcb, 8);
    const __m512i r = _mm512_add_epi16(_mm512_add_epi16(y, cr), Fraction(cr, kCrR));
    const __m512i bl = _mm512_add_epi16(_mm512_add_epi16(y, cb), Fraction(cb, kCbB));
    const __m512i wholeG =
        _mm512_maddubs_epi16(Words32(BytePair(-WholePart(kCrG), -WholePart(kCbG))), crcb);
    const __m512i gOffset = _mm512_sub_epi16(
        _mm512_add_epi16(Fraction(cr, kCrG), Fraction(cb, kCbG)), wholeG);
    const __m512i g = _mm512_add_epi16(y, _mm512_srai_epi16(gOffset, 7));
    return {r, g, bl};
  }

  DIMG_ROW_INLINE static ColourWords LoadColour(const uint8_t* p, uint32_t n) {
    using namespace ycc32;  // NOLINT
    const Unclamped c = Decode(p, n);
    return SplitColour(ClampJoin(c.r, c.g), ClampJoin(c.b, Words32(0x80)));
  }

  // The sums are those of PlanarBlocks.h's YCrCb16::Store but for Cr's centre: bHigh's 0x80 times
  // -128 adds -16384 instead of 16384 in the same multiply-add as B's whole part. The two differ
  // by 2^15, which changes only bit 15 of the lane, and the byte is bits 7-14 of every sum.
  DIMG_ROW_INLINE static void Encode(const ColourWords& c, uint8_t* p, uint32_t n) {
    using namespace ycc32;  // NOLINT
    const __m512i ySum = _mm512_add_epi16(
        _mm512_add_epi16(
            _mm512_maddubs_epi16(c.rg, Words32(BytePair(WholePart(kRY), WholePart(kGY)))),
            _mm512_maddubs_epi16(c.bHigh, Words32(BytePair(WholePart(kBY), 0)))),
        _mm512_add_epi16(_mm512_add_epi16(Fraction(c.r, kRY), Fraction(c.g, kGY)),
                         Fraction(c.b, kBY)));
    const __m512i crSum = _mm512_add_epi16(
        _mm512_add_epi16(
            _mm512_maddubs_epi16(c.rg, Words32(BytePair(WholePart(kRCr), WholePart(kGCr)))),
            _mm512_maddubs_epi16(c.bHigh, Words32(BytePair(WholePart(kBCr), -128)))),
        _mm512_add_epi16(Fraction(c.g, kGCr), Fraction(c.b, kBCr)));
    const __m512i cbSum = _mm512_add_epi16(
        _mm512_add_epi16(
            _mm512_maddubs_epi16(c.rg, Words32(BytePair(WholePart(kRCb), WholePart(kGCb)))),
            _mm512_maddubs_epi16(c.bHigh, Words32(BytePair(WholePart(kBCb), -128)))),
        _mm512_add_epi16(Fraction(c.r, kRCb), Fraction(c.g, kGCb)));
    StoreSums(ySum, crSum, cbSum, p, n);
  }

  // Y's, Cr's and Cb's sums with the centre, each 0 to 32767 (modulo 2^15).
  DIMG_ROW_INLINE static void StoreSums(__m512i ySum, __m512i crSum, __m512i cbSum, uint8_t* p,
                                        uint32_t n) {
    // Bits 7-14 of each sum are its byte: Y into the low bytes and Cr into the high bytes of one
    // register, Cb into the low bytes of another, where the permutes pick them.
    const __m512i bits7to14 = _mm512_set1_epi64(MultishiftOffsets(7, 7));
    const __m512i yCr =
        _mm512_mask_multishift_epi64_epi8(_mm512_multishift_epi64_epi8(bits7to14, ySum),
                                          0xAAAAAAAAAAAAAAAAu, bits7to14, crSum);
    StorePixels<ChannelLayout::Words, 3, 0, 1, 2>(
        yCr, _mm512_multishift_epi64_epi8(bits7to14, cbSum), p, n);
  }
};

template <uint32_t K>
using Planar32Of = PlanarBlockOf<K, FourByte32, ThreeByte32, Packed32, YCrCb32>;

// n pixels (1 to 32) of pair (D, S).
template <uint32_t D, uint32_t S>
DIMG_ROW_INLINE void DimgConvertPlanar32(uint8_t* dst, const uint8_t* src, uint32_t n) {
  if constexpr (D == DImageKindYCrCb) {
    YCrCb32::Encode(Planar32Of<S>::Type::LoadColour(src, n), dst, n);
  } else if constexpr (S == DImageKindYCrCb) {
    // Without joining the channels in words first: the byte kinds store straight from the
    // clamping packs, the 16-bit kinds clamp and merge the fields.
    const YCrCb32::Unclamped c = YCrCb32::Decode(src, n);
    if constexpr (DimgPixelKind<D>::kBytes == 2) {
      Planar32Of<D>::Type::StoreColour(c.r, c.g, c.b, dst, n);
    } else {
      Planar32Of<D>::Type::template StoreChannels<ChannelLayout::PackedHalves>(
          _mm512_packus_epi16(c.r, c.g), _mm512_packus_epi16(c.b, Words32(255)), dst, n);
    }
  } else {
    static_assert(S == DImageKindYCrCb, "only the pairs with kind 7 are built this wide");
  }
}

}  // namespace
