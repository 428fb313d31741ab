#pragma once

// The row blocks built on SSSE3's byte shuffle, for the translation units of the wider row sets
// (FastRowSsse3.cpp, FastRowAvx2.cpp). Each defines DIMG_ROW_TARGET before including this, and
// everything here is local to that unit (an unnamed namespace), so no function that the
// baseline rows share can come out with wider instructions.

#include "image/PixelBlock.h"
#include "image/PixelConvert.h"
#include "image/RowBlocks.h"

#include <tmmintrin.h>

#include <cstdint>

#ifndef DIMG_ROW_TARGET
#error "define DIMG_ROW_TARGET before including ShuffleBlocks.h"
#endif

namespace {

using dimg_detail::RgbaBlock;

// A shuffle mask from sixteen byte indices; -1 clears the byte.
DIMG_ROW_INLINE __m128i Bytes(int b0, int b1, int b2, int b3, int b4, int b5, int b6, int b7,
                              int b8, int b9, int b10, int b11, int b12, int b13, int b14,
                              int b15) {
  return _mm_setr_epi8(static_cast<char>(b0), static_cast<char>(b1), static_cast<char>(b2),
                       static_cast<char>(b3), static_cast<char>(b4), static_cast<char>(b5),
                       static_cast<char>(b6), static_cast<char>(b7), static_cast<char>(b8),
                       static_cast<char>(b9), static_cast<char>(b10), static_cast<char>(b11),
                       static_cast<char>(b12), static_cast<char>(b13), static_cast<char>(b14),
                       static_cast<char>(b15));
}

// Kind 1 (R, G, B) when First = 0, kind 3 (B, G, R) when First = 2. Byte k of a 3-byte pixel
// and byte Ck of the 32-bit R, G, B, A pixel hold the same channel, both ways round.
template <int First>
struct ThreeByteBlock {
  static constexpr int R = First, G = 1, B = 2 - First;  // C0, C1, C2

  // Pixels 0-3 from bytes 0-11, pixels 4-7 from bytes 12-23 (loaded as 8-23): 24 bytes read.
  DIMG_ROW_INLINE static RgbaBlock Load(const uint8_t* p) {
    const __m128i lo = _mm_shuffle_epi8(dimg_detail::LoadBytes16(p),
                                        Bytes(R, G, B, -1, 3 + R, 3 + G, 3 + B, -1, 6 + R, 6 + G,
                                              6 + B, -1, 9 + R, 9 + G, 9 + B, -1));
    const __m128i hi =
        _mm_shuffle_epi8(dimg_detail::LoadBytes16(p + 8),
                         Bytes(4 + R, 4 + G, 4 + B, -1, 7 + R, 7 + G, 7 + B, -1, 10 + R, 10 + G,
                               10 + B, -1, 13 + R, 13 + G, 13 + B, -1));
    return {dimg_detail::OpaqueAlpha(lo), dimg_detail::OpaqueAlpha(hi)};
  }

  // Bytes 0-15 hold pixels 0-4 and the first byte of pixel 5, bytes 16-23 the rest.
  DIMG_ROW_INLINE static void Store(const RgbaBlock& b, uint8_t* p) {
    const __m128i first =
        _mm_shuffle_epi8(b.lo, Bytes(R, G, B, 4 + R, 4 + G, 4 + B, 8 + R, 8 + G, 8 + B, 12 + R,
                                     12 + G, 12 + B, -1, -1, -1, -1));
    const __m128i joint = _mm_shuffle_epi8(
        b.hi, Bytes(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, R, G, B, 4 + R));
    const __m128i rest =
        _mm_shuffle_epi8(b.hi, Bytes(4 + G, 4 + B, 8 + R, 8 + G, 8 + B, 12 + R, 12 + G, 12 + B, -1,
                                     -1, -1, -1, -1, -1, -1, -1));
    dimg_detail::StoreBytes16(p, _mm_or_si128(first, joint));
    dimg_detail::StoreBytes8(p + 16, rest);
  }
};

// Kind 7 through the shuffles and a vector rule; its own template rather than
// dimg_detail::YCrCbBlock so that it carries this unit's target and the shuffles inline into it.
template <class YccMath>
struct YCrCbShuffleBlock {
  DIMG_ROW_INLINE static RgbaBlock Load(const uint8_t* p) {
    return YccMath::Decode(ThreeByteBlock<0>::Load(p));
  }
  DIMG_ROW_INLINE static void Store(const RgbaBlock& b, uint8_t* p) {
    ThreeByteBlock<0>::Store(YccMath::Encode(b), p);
  }
};

// The block set: the 3-byte kinds through the shuffles above, kind 7 through them and YccMath
// (dimg_detail::YccMath4 or a wider rule of the including file), the rest the SSE2 blocks.
template <class YccMath>
struct ShuffleBlocks {
  template <uint32_t K, int = 0>
  struct Pick {
    using Type = DimgPixelBlock<K>;
  };
  template <int Unused>
  struct Pick<DImageKindRGB8, Unused> {
    using Type = ThreeByteBlock<0>;
  };
  template <int Unused>
  struct Pick<DImageKindBGR8, Unused> {
    using Type = ThreeByteBlock<2>;
  };
  template <int Unused>
  struct Pick<DImageKindYCrCb, Unused> {
    using Type = YCrCbShuffleBlock<YccMath>;
  };
  template <uint32_t K>
  using Of = typename Pick<K>::Type;
};

}  // namespace
