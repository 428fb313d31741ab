#pragma once

#include <cstdint>

#include "image/DImage.h"
#include "image/DimgBlit.h"
#include "image/DimgClip.h"
#include "image/PixelKind.h"
#include "image/copy/CopyDriver.h"

// The pair routine shape of the filtering blits (DimgResample, DimgResampleMip): both
// rectangles start at (0, 0) and are clipped with DimgClipScaled keeping the requested ratio;
// equal clipped sizes are converted pixel by pixel with DimgConvertRect<D, S>, and any other
// sizes go to Filter with the rectangles' top-left addresses and clipped sizes.
//
// Filter(dst, dstImage, dstWidth, dstHeight, src, srcImage, srcWidth, srcHeight, byte)
//
// A source width or height of 0 leaves the scaled clip alone, so the destination rectangle
// would still be as requested, possibly larger than its image; such a call writes nothing. The
// clipped rectangles are also held inside their images here rather than trusted to the clip,
// because a filter writes its whole rectangle without clipping again. The spare byte stops here.
template <uint32_t D, uint32_t S, auto Filter>
void DimgFilterPair(uint8_t* dstBits, const dbtl::DImage& dstImage, uint32_t dstWidth,
                    uint32_t dstHeight, const uint8_t* srcBits, const dbtl::DImage& srcImage,
                    uint32_t srcWidth, uint32_t srcHeight, uint8_t byte, uint8_t /*spare*/) {
  int32_t dstX = 0, dstY = 0, srcX = 0, srcY = 0;
  DimgClipScaled(dstX, dstY, dstWidth, dstHeight, dstImage.GetWidth(), dstImage.GetHeight(), srcX,
                 srcY, srcWidth, srcHeight, srcImage.GetWidth(), srcImage.GetHeight());
  if (dstWidth == srcWidth && dstHeight == srcHeight) {
    DimgConvertRect<D, S>(dstBits, dstImage, dstX, dstY, srcBits, srcImage, srcX, srcY, srcWidth,
                          srcHeight, byte);
    return;
  }
  dimg_detail::FitInside(dstWidth, dstX, dstImage.GetWidth());
  dimg_detail::FitInside(dstHeight, dstY, dstImage.GetHeight());
  dimg_detail::FitInside(srcWidth, srcX, srcImage.GetWidth());
  dimg_detail::FitInside(srcHeight, srcY, srcImage.GetHeight());
  if (dstWidth == 0 || dstHeight == 0 || srcWidth == 0 || srcHeight == 0) {
    return;
  }
  Filter(DimgRectStart(dstImage, dstBits, dstX, dstY, DimgPixelKind<D>::kBytes), dstImage,
         dstWidth, dstHeight, DimgRectStart(srcImage, srcBits, srcX, srcY, DimgPixelKind<S>::kBytes),
         srcImage, srcWidth, srcHeight, byte);
}
