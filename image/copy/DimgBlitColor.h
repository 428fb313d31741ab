#pragma once

#include "image/DImage.h"
#include "image/DimgBlit.h"
#include "image/PixelConvert.h"
#include "image/copy/CopyDriver.h"

#include <cstdint>

// The colour copy: R, G, B of the source written into the destination, whose alpha (byte 3,
// bit 15, bits 12-15) keeps its value. Destination kinds without alpha (1, 3, 6, 7) have no
// alpha to keep, so their pairs are the plain blit's, conversion for conversion.

template <uint32_t D, uint32_t S>
struct DimgColorRule {
  static void Apply(const uint8_t* src, uint8_t* dst, uint8_t /*constant*/) {
    DimgColorPixel<D, S>(src, dst);
  }
};

template <uint32_t D, uint32_t S>
void DimgBlitColorPair(uint8_t* dstBits, const dbtl::DImage& dstImage, uint32_t dstWidth,
                       uint32_t dstHeight, const uint8_t* srcBits, const dbtl::DImage& srcImage,
                       uint32_t srcWidth, uint32_t srcHeight, uint8_t constant, uint8_t spare) {
  DimgCopyPair<DimgFamilyPath<DimgColorRule, DimgBlitPath<D, S>, D, S>>(
      dstBits, dstImage, dstWidth, dstHeight, srcBits, srcImage, srcWidth, srcHeight, constant,
      spare);
}

// The dispatcher of the family (the shape of DimgBlit); both bytes change nothing.
void DimgBlitColor(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight,
                   const dbtl::DImage& src, uint32_t srcWidth, uint32_t srcHeight, uint8_t byte,
                   uint8_t spare);
