#pragma once

#include "image/DImageKind.h"
#include "image/YCbCr.h"

#include <cstdint>
#include <type_traits>
#include <utility>

// Per-kind pixel rules: how one pixel of a kind becomes four 8-bit channels and back. Every
// conversion, blit and filter of the image library is a template over DimgPixelKind<K>, so a
// rule lives here once and each (destination, source) pair is one instantiation without any
// kind test in its pixel loop.
//
//   Decode(p)          -> R, G, B, A; a kind without alpha reads A = 255.
//   Encode(c, p)       writes the whole pixel; a kind without alpha drops A.
//   WriteColour(c, p)  writes R, G, B and leaves the pixel's alpha bits as they are.
//   WriteAlpha(a, p)   writes only the alpha bits (byte 3, bit 15 from bit 7 of a, or the top
//                      nibble of a); the colour bits stay. Kinds 0 to 6 have it, and on those
//                      without alpha it does nothing.
//
// Narrow fields widen by a left shift with zero low bits (5-bit 0x1F is 0xF8, not 0xFF) and
// channels narrow by truncation. A 1-bit alpha reads as 255 or 0 and is written from bit 7.

struct DimgRgba {
  uint8_t r, g, b, a;
};

constexpr bool operator==(const DimgRgba& x, const DimgRgba& y) {
  return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
}

namespace dimg_detail {

// 16-bit kinds are little-endian words; rows need not be 2-aligned (an attached pitch can be odd).
inline uint32_t LoadWord(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }

inline void StoreWord(uint8_t* p, uint32_t w) {
  p[0] = static_cast<uint8_t>(w);
  p[1] = static_cast<uint8_t>(w >> 8);
}

// Byte kinds: the byte index of each channel, Alpha < 0 for none.
template <int R, int G, int B, int Alpha, uint32_t Bytes>
struct BytePixel {
  static constexpr uint32_t kBytes = Bytes;
  static constexpr bool kHasAlpha = Alpha >= 0;

  static DimgRgba Decode(const uint8_t* p) {
    if constexpr (kHasAlpha) {
      return {p[R], p[G], p[B], p[Alpha]};
    } else {
      return {p[R], p[G], p[B], 255};
    }
  }
  static void WriteColour(DimgRgba c, uint8_t* p) {
    p[R] = c.r;
    p[G] = c.g;
    p[B] = c.b;
  }
  static void Encode(DimgRgba c, uint8_t* p) {
    WriteColour(c, p);
    WriteAlpha(c.a, p);
  }
  static void WriteAlpha(uint8_t a, uint8_t* p) {
    if constexpr (kHasAlpha) {
      p[Alpha] = a;
    }
  }
};

// One field of a 16-bit word: its lowest bit and its width (width 0: the kind has no such field).
template <uint32_t Shift, uint32_t Width>
struct Field {
  static constexpr uint32_t kShift = Shift;
  static constexpr uint32_t kWidth = Width;
  static constexpr uint32_t kMask = ((1u << Width) - 1u) << Shift;

  static uint8_t Read(uint32_t w) {
    if constexpr (Width == 1) {
      return (w & kMask) != 0 ? 255 : 0;
    } else {
      return static_cast<uint8_t>(((w >> Shift) & ((1u << Width) - 1u)) << (8 - Width));
    }
  }
  static uint32_t Place(uint8_t channel) { return uint32_t{channel} >> (8 - Width) << Shift; }
};

// 16-bit kinds. Bits that belong to no field (bit 5 of R5G6B5) are ignored on read and written 0.
template <class R, class G, class B, class Alpha>
struct PackedPixel {
  static constexpr uint32_t kBytes = 2;
  static constexpr bool kHasAlpha = !std::is_void_v<Alpha>;
  using RedField = R;
  using GreenField = G;
  using BlueField = B;
  using AlphaField = Alpha;  // void for R5G6B5

  static DimgRgba Decode(const uint8_t* p) {
    const uint32_t w = LoadWord(p);
    uint8_t a = 255;
    if constexpr (kHasAlpha) {
      a = Alpha::Read(w);
    }
    return {R::Read(w), G::Read(w), B::Read(w), a};
  }
  static uint32_t Colour(DimgRgba c) { return R::Place(c.r) | G::Place(c.g) | B::Place(c.b); }
  static void WriteColour(DimgRgba c, uint8_t* p) {
    uint32_t w = Colour(c);
    if constexpr (kHasAlpha) {
      w |= LoadWord(p) & Alpha::kMask;
    }
    StoreWord(p, w);
  }
  static void Encode(DimgRgba c, uint8_t* p) {
    uint32_t w = Colour(c);
    if constexpr (kHasAlpha) {
      w |= Alpha::Place(c.a);
    }
    StoreWord(p, w);
  }
  static void WriteAlpha(uint8_t a, uint8_t* p) {
    if constexpr (kHasAlpha) {
      StoreWord(p, (LoadWord(p) & ~Alpha::kMask) | Alpha::Place(a));
    }
  }
};

// Kind 7: bytes Y, Cr, Cb through the YCbCr tables; no alpha.
struct YCrCbPixel {
  static constexpr uint32_t kBytes = 3;
  static constexpr bool kHasAlpha = false;

  static DimgRgba Decode(const uint8_t* p) {
    return {DimgRFromYCrCb(p), DimgGFromYCrCb(p[1], p[2], p[0]), DimgBFromYCrCb(p), 255};
  }
  static void Encode(DimgRgba c, uint8_t* p) {
    p[0] = DimgYFromRGB(c.r, c.g, c.b);
    p[1] = DimgCrFromRGB(c.r, c.g, c.b);
    p[2] = DimgCbFromRGB(c.r, c.g, c.b);
  }
  static void WriteColour(DimgRgba c, uint8_t* p) { Encode(c, p); }
};

}  // namespace dimg_detail

template <uint32_t K>
struct DimgPixelKind;

template <>
struct DimgPixelKind<DImageKindRGBA8> : dimg_detail::BytePixel<0, 1, 2, 3, 4> {};
template <>
struct DimgPixelKind<DImageKindRGB8> : dimg_detail::BytePixel<0, 1, 2, -1, 3> {};
template <>
struct DimgPixelKind<DImageKindBGRA8> : dimg_detail::BytePixel<2, 1, 0, 3, 4> {};
template <>
struct DimgPixelKind<DImageKindBGR8> : dimg_detail::BytePixel<2, 1, 0, -1, 3> {};
template <>
struct DimgPixelKind<DImageKindA1R5G5B5>
    : dimg_detail::PackedPixel<dimg_detail::Field<10, 5>, dimg_detail::Field<5, 5>,
                               dimg_detail::Field<0, 5>, dimg_detail::Field<15, 1>> {};
template <>
struct DimgPixelKind<DImageKindA4R4G4B4>
    : dimg_detail::PackedPixel<dimg_detail::Field<8, 4>, dimg_detail::Field<4, 4>,
                               dimg_detail::Field<0, 4>, dimg_detail::Field<12, 4>> {};
// Green has six bits in the word but only its upper five (bits 6-10) carry data.
template <>
struct DimgPixelKind<DImageKindR5G6B5>
    : dimg_detail::PackedPixel<dimg_detail::Field<11, 5>, dimg_detail::Field<6, 5>,
                               dimg_detail::Field<0, 5>, void> {};
template <>
struct DimgPixelKind<DImageKindYCrCb> : dimg_detail::YCrCbPixel {};

namespace dimg_detail {
template <uint32_t... K>
constexpr bool BytesAgree(std::integer_sequence<uint32_t, K...>) {
  return ((DimgPixelKind<K>::kBytes == DimgBytesPerPixel(K)) && ...);
}
}  // namespace dimg_detail

static_assert(dimg_detail::BytesAgree(std::make_integer_sequence<uint32_t, DImageKindCount>{}));
