#pragma once

#include "image/DImage.h"
#include "image/PixelKind.h"
#include "image/copy/CopyDriver.h"

#include <cstdint>

// The alpha copy: the destination's alpha written from the source's green, the destination's
// colour bits left alone. Green is read by the source kind's own decoding (five significant
// bits from kinds 4 and 6, four from kind 5, the YCbCr green from kind 7); the source's alpha is
// never used. It is written as an alpha is encoded: the byte, its top bit or its top nibble.
// Destination kinds without alpha (1, 3, 6, 7) still clip and walk their rows but write no byte.

template <uint32_t D, uint32_t S>
struct DimgAlphaRule {
  static void Apply(const uint8_t* src, uint8_t* dst, uint8_t /*constant*/) {
    DimgPixelKind<D>::WriteAlpha(DimgPixelKind<S>::Decode(src).g, dst);
  }
};

template <uint32_t D, uint32_t S>
void DimgBlitAlphaPair(uint8_t* dstBits, const dbtl::DImage& dstImage, uint32_t dstWidth,
                       uint32_t dstHeight, const uint8_t* srcBits, const dbtl::DImage& srcImage,
                       uint32_t srcWidth, uint32_t srcHeight, uint8_t constant, uint8_t spare) {
  DimgCopyPair<DimgFamilyPath<DimgAlphaRule,
                              DimgSkipPath<DimgPixelKind<D>::kBytes, DimgPixelKind<S>::kBytes>, D,
                              S>>(dstBits, dstImage, dstWidth, dstHeight, srcBits, srcImage,
                                  srcWidth, srcHeight, constant, spare);
}

// The dispatcher of the family (the shape of DimgBlit); both bytes change nothing.
void DimgBlitAlpha(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight,
                   const dbtl::DImage& src, uint32_t srcWidth, uint32_t srcHeight, uint8_t byte,
                   uint8_t spare);
