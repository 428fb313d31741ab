#pragma once

#include "image/DImage.h"
#include "image/RowConvert.h"
#include "image/copy/CopyDriver.h"

#include <cstdint>

// The kind-converting blit: a rectangle of one image copied to (0, 0) of another, every pixel
// converted from the source's kind to the destination's, scaled by nearest neighbour when the
// requested sizes differ. It is the copy driver (copy/CopyDriver.h) with the conversion rows of
// RowConvert.h as its pixel work, one instance per (destination kind D, source kind S).

// The blit's path for one pair: DimgConvertRows and DimgStretchRow of the pair.
template <uint32_t D, uint32_t S>
struct DimgBlitPath {
  static constexpr uint32_t kDstBytes = DimgPixelKind<D>::kBytes;
  static constexpr uint32_t kSrcBytes = DimgPixelKind<S>::kBytes;

  static void Block(uint8_t* dst, const dbtl::DImage& dstImage, const uint8_t* src,
                    const dbtl::DImage& srcImage, uint32_t width, uint32_t height, uint8_t byte) {
    DimgConvertRows<D, S>(dst, dstImage, src, srcImage, width, height, byte);
  }
  static void Row(uint8_t* dst, const uint8_t* src, uint32_t dstWidth, uint32_t srcWidth,
                  uint8_t byte) {
    DimgStretchRow<D, S>(dst, src, srcWidth, dstWidth, byte);
  }
};

// Equal sizes: the width x height rectangle at the two origins, clipped against both images.
// The resampling blits take this path too when their sizes agree.
template <uint32_t D, uint32_t S>
void DimgConvertRect(uint8_t* dstBits, const dbtl::DImage& dstImage, int32_t dstX, int32_t dstY,
                     const uint8_t* srcBits, const dbtl::DImage& srcImage, int32_t srcX,
                     int32_t srcY, uint32_t width, uint32_t height, uint8_t byte) {
  DimgCopyRect<DimgBlitPath<D, S>>(dstBits, dstImage, dstX, dstY, srcBits, srcImage, srcX, srcY,
                                   width, height, byte);
}

// Different sizes: both addresses are the rectangles' top-left pixels; any size 0 writes
// nothing.
template <uint32_t D, uint32_t S>
void DimgBlitStretch(uint8_t* dst, const dbtl::DImage& dstImage, uint32_t dstWidth,
                     uint32_t dstHeight, const uint8_t* src, const dbtl::DImage& srcImage,
                     uint32_t srcWidth, uint32_t srcHeight, uint8_t byte) {
  DimgStretchRect<DimgBlitPath<D, S>>(dst, dstImage, dstWidth, dstHeight, src, srcImage,
                                      srcWidth, srcHeight, byte);
}

// One pair of DimgBlit: clip with the requested ratio, then one of the two paths above.
template <uint32_t D, uint32_t S>
void DimgBlitPair(uint8_t* dstBits, const dbtl::DImage& dstImage, uint32_t dstWidth,
                  uint32_t dstHeight, const uint8_t* srcBits, const dbtl::DImage& srcImage,
                  uint32_t srcWidth, uint32_t srcHeight, uint8_t byte, uint8_t spare) {
  DimgCopyPair<DimgBlitPath<D, S>>(dstBits, dstImage, dstWidth, dstHeight, srcBits, srcImage,
                                   srcWidth, srcHeight, byte, spare);
}

// Copies the source's top-left srcWidth x srcHeight pixels onto the destination's top-left
// dstWidth x dstHeight pixels, both cut to their images keeping the requested ratio. The bytes
// change nothing. A kind above 7 on either image does nothing at all (EndAccess included);
// otherwise EndAccess runs on the source and then on the destination, also when nothing was
// written.
void DimgBlit(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight, const dbtl::DImage& src,
              uint32_t srcWidth, uint32_t srcHeight, uint8_t byte, uint8_t spare);
