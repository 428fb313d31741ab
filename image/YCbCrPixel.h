#pragma once

#include "image/PixelConvert.h"
#include "image/PixelKind.h"

#include <cstdint>

// Named pixel writers for the pairs in which kind 7 (bytes Y, Cr, Cb) takes part, as the texture
// copy families call them. Each is one rule of DimgPixelKind applied to a decoded or encoded
// YCbCr pixel:
//   - the "Keep" writers and the three-byte writers are the colour copy's rule (destination
//     alpha untouched: byte 3 of a 32-bit pixel is never written);
//   - the writers that take an alpha are the opaque copy's rule (the given alpha replaces the
//     pixel's: bit 15 from bit 7 of it, or its top four bits);
//   - 5-6-5 green is written with five bits and bit 5 as 0.

using DimgYcc = DimgPixelKind<DImageKindYCrCb>;

namespace dimg_detail {
inline DimgRgba YccWithAlpha(const uint8_t* src, uint8_t alpha) {
  DimgRgba c = DimgYcc::Decode(src);
  c.a = alpha;
  return c;
}
}  // namespace dimg_detail

inline void DimgYccToRgb888(const uint8_t* src, uint8_t* dst) {
  DimgPixelKind<DImageKindRGB8>::Encode(DimgYcc::Decode(src), dst);
}
inline void DimgYccToBgr888(const uint8_t* src, uint8_t* dst) {
  DimgPixelKind<DImageKindBGR8>::Encode(DimgYcc::Decode(src), dst);
}
inline void DimgYccToRgba(const uint8_t* src, uint8_t* dst, uint8_t alpha) {
  DimgPixelKind<DImageKindRGBA8>::Encode(dimg_detail::YccWithAlpha(src, alpha), dst);
}
inline void DimgYccToBgra(const uint8_t* src, uint8_t* dst, uint8_t alpha) {
  DimgPixelKind<DImageKindBGRA8>::Encode(dimg_detail::YccWithAlpha(src, alpha), dst);
}
inline void DimgYccTo1555Keep(const uint8_t* src, uint8_t* dst) {
  DimgPixelKind<DImageKindA1R5G5B5>::WriteColour(DimgYcc::Decode(src), dst);
}
inline void DimgYccTo1555(const uint8_t* src, uint8_t* dst, uint8_t alpha) {
  DimgPixelKind<DImageKindA1R5G5B5>::Encode(dimg_detail::YccWithAlpha(src, alpha), dst);
}
inline void DimgYccTo4444Keep(const uint8_t* src, uint8_t* dst) {
  DimgPixelKind<DImageKindA4R4G4B4>::WriteColour(DimgYcc::Decode(src), dst);
}
inline void DimgYccTo4444(const uint8_t* src, uint8_t* dst, uint8_t alpha) {
  DimgPixelKind<DImageKindA4R4G4B4>::Encode(dimg_detail::YccWithAlpha(src, alpha), dst);
}
inline void DimgYccTo565(const uint8_t* src, uint8_t* dst) {
  DimgConvertPixel<DImageKindR5G6B5, DImageKindYCrCb>(src, dst);
}
// Not a byte copy: through R, G, B and back, with the clamps and the integer steps of both ways.
inline void DimgYccToYcc(const uint8_t* src, uint8_t* dst) {
  DimgConvertPixel<DImageKindYCrCb, DImageKindYCrCb>(src, dst);
}

// These two take the 16-bit source word itself, not its address.
inline void Dimg1555ToYcc(uint16_t word, uint8_t* dst) {
  const uint8_t src[2] = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8)};
  DimgConvertPixel<DImageKindYCrCb, DImageKindA1R5G5B5>(src, dst);
}
inline void Dimg565ToYcc(uint16_t word, uint8_t* dst) {
  const uint8_t src[2] = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8)};
  DimgConvertPixel<DImageKindYCrCb, DImageKindR5G6B5>(src, dst);
}
