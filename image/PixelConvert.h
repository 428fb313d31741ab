#pragma once

#include "image/PixelKind.h"

#include <cstdint>
#include <cstring>

// One pixel from source kind S to destination kind D, the rule every blit of a pair applies.
// Note the argument order: source first, then destination.
//   - D = S for kinds 0 to 6 copies the bytes (an R5G6B5 copy keeps green bit 5).
//   - 7 <- 7 decodes to R, G, B and encodes again, so values outside the colour cube change.
//   - 5 <- 4 turns a set A1R5G5B5 alpha bit into the alpha nibble 8, not 15.
//   - every other pair decodes and encodes: a missing source alpha arrives as 255 (1 or 15 in
//     a 16-bit kind), a missing destination alpha is dropped.
template <uint32_t D, uint32_t S>
inline void DimgConvertPixel(const uint8_t* src, uint8_t* dst) {
  using Dst = DimgPixelKind<D>;
  using Src = DimgPixelKind<S>;
  if constexpr (D == S && D != DImageKindYCrCb) {
    std::memcpy(dst, src, Dst::kBytes);
  } else if constexpr (D == DImageKindA4R4G4B4 && S == DImageKindA1R5G5B5) {
    DimgRgba c = Src::Decode(src);
    c.a &= 0x80;  // the bit keeps its place at the top of the word
    Dst::Encode(c, dst);
  } else {
    Dst::Encode(Src::Decode(src), dst);
  }
}

// The colour copy's pixel rule: R, G, B of the source written into the destination, whose
// alpha (byte 3, bit 15 or bits 12-15) stays as it was; the source's alpha is never read. One
// exception: R5G6B5 onto R5G6B5 copies the word, so green keeps its sixth bit.
template <uint32_t D, uint32_t S>
inline void DimgColorPixel(const uint8_t* src, uint8_t* dst) {
  if constexpr (D == DImageKindR5G6B5 && S == DImageKindR5G6B5) {
    std::memcpy(dst, src, 2);
  } else {
    DimgPixelKind<D>::WriteColour(DimgPixelKind<S>::Decode(src), dst);
  }
}
