#pragma once

#include "image/DImage.h"
#include "image/DimgBlit.h"
#include "image/PixelKind.h"
#include "image/copy/CopyDriver.h"

#include <cstdint>

// The opaque copy: R, G, B of the source and one given alpha (the constant byte) encoded into
// the destination, whatever alpha the source has: the byte itself, its top bit (kind 4) or its
// top nibble (kind 5). Destination kinds without alpha (1, 3, 6, 7) take the plain blit's
// conversions, as the colour copy does, and ignore the alpha.

template <uint32_t D, uint32_t S>
struct DimgOpaqueRule {
  static void Apply(const uint8_t* src, uint8_t* dst, uint8_t alpha) {
    DimgRgba c = DimgPixelKind<S>::Decode(src);
    c.a = alpha;
    DimgPixelKind<D>::Encode(c, dst);
  }
};

template <uint32_t D, uint32_t S>
void DimgBlitOpaquePair(uint8_t* dstBits, const dbtl::DImage& dstImage, uint32_t dstWidth,
                        uint32_t dstHeight, const uint8_t* srcBits, const dbtl::DImage& srcImage,
                        uint32_t srcWidth, uint32_t srcHeight, uint8_t alpha, uint8_t spare) {
  DimgCopyPair<DimgFamilyPath<DimgOpaqueRule, DimgBlitPath<D, S>, D, S>>(
      dstBits, dstImage, dstWidth, dstHeight, srcBits, srcImage, srcWidth, srcHeight, alpha,
      spare);
}

// The dispatcher of the family (the shape of DimgBlit); the first byte is the alpha written,
// the second changes nothing.
void DimgBlitOpaque(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight,
                    const dbtl::DImage& src, uint32_t srcWidth, uint32_t srcHeight, uint8_t alpha,
                    uint8_t spare);
