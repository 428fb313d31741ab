#pragma once

#include "image/DImage.h"
#include "image/DImageKind.h"
#include "image/DimgBlit.h"
#include "image/copy/CopyDriver.h"
#include "image/resample/ResamplePasses.h"

#include <cstdint>

// The resampling blit: the source's top-left srcWidth x srcHeight pixels filtered onto the
// destination's top-left dstWidth x dstHeight pixels, converting from the source's kind to the
// destination's. Each axis is interpolated linearly when it grows or keeps its length and
// averaged over area when it shrinks; equal sizes are only converted. The mapping is anchored
// at sample 0 on each axis, not centred on pixel middles.

namespace dimg_detail {
// Creates the temporary image of a resample, or throws the base library's allocation failure
// when its size does not fit an image (it cannot be allocated either).
void CreateResampleTemporary(dbtl::DImage& image, uint32_t width, uint32_t height);
}  // namespace dimg_detail

// The two-pass resample of one pair, from rectangle addresses (top-left pixels, rows stepped by
// each image's NextRow): the horizontal pass of kind S turns the srcHeight source rows into
// rows of dstWidth pixels of a temporary kind-0 image, the vertical pass of kind D turns that
// into the dstHeight destination rows. Both passes run even when one axis keeps its length, so
// a resampled pixel is always decoded to R, G, B, A and encoded again: unlike the conversion of
// equal sizes, 5 <- 4 gives a set alpha bit the nibble 15 (not 8) and 6 <- 6 clears green bit 5.
// Any size 0 writes nothing. The byte is not read. Throws std::bad_alloc before the destination
// is written when the temporary image or a pass's tables cannot be had.
template <uint32_t D, uint32_t S>
void DimgResampleRect(uint8_t* dst, const dbtl::DImage& dstImage, uint32_t dstWidth,
                      uint32_t dstHeight, const uint8_t* src, const dbtl::DImage& srcImage,
                      uint32_t srcWidth, uint32_t srcHeight, uint8_t byte) {
  if (dstWidth == 0 || dstHeight == 0 || srcWidth == 0 || srcHeight == 0) {
    return;
  }
  // A local image: its memory goes with it however the call is left.
  dbtl::DImage tmp;
  dimg_detail::CreateResampleTemporary(tmp, dstWidth, srcHeight);
  uint8_t* tmpBits = tmp.GetBits();
  if (dstWidth < srcWidth) {
    DimgAreaRows<S>(src, srcImage, srcWidth, srcHeight, tmpBits, tmp, dstWidth);
  } else {
    DimgLinearRows<S>(src, srcImage, srcWidth, srcHeight, tmpBits, tmp, dstWidth);
  }
  if (dstHeight < srcHeight) {
    DimgAreaColumns<D>(tmpBits, tmp, srcHeight, dstWidth, dst, dstImage, dstHeight, byte);
  } else {
    DimgLinearColumns<D>(tmpBits, tmp, srcHeight, dstWidth, dst, dstImage, dstHeight, byte);
  }
}

// One pair of DimgResample: clipped like DimgBlitPair, equal clipped sizes converted by
// DimgConvertRect<D, S>, other sizes resampled by DimgResampleRect<D, S>. A zero source size
// writes nothing. The spare byte stops here.
template <uint32_t D, uint32_t S>
void DimgResamplePair(uint8_t* dstBits, const dbtl::DImage& dstImage, uint32_t dstWidth,
                      uint32_t dstHeight, const uint8_t* srcBits, const dbtl::DImage& srcImage,
                      uint32_t srcWidth, uint32_t srcHeight, uint8_t byte, uint8_t /*spare*/) {
  DimgScaledPair<DimgBlitPath<D, S>>(dstBits, dstImage, dstWidth, dstHeight, srcBits, srcImage,
                                     srcWidth, srcHeight, byte, &DimgResampleRect<D, S>);
}

// The rectangles are clipped to their images keeping the requested ratio, as DimgBlit does;
// neither byte changes the result. A kind above 7 on either image does nothing at all
// (EndAccess included); otherwise EndAccess runs on the source and then on the destination,
// also when nothing was written.
void DimgResample(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight,
                  const dbtl::DImage& src, uint32_t srcWidth, uint32_t srcHeight, uint8_t byte,
                  uint8_t spare);
