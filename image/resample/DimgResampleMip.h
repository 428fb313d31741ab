#pragma once

#include "image/DImage.h"
#include "image/PixelKind.h"
#include "image/RowConvert.h"
#include "image/resample/DimgResample.h"

#include <cstddef>
#include <cstdint>

// Mip down-sampling: one mip level written from the next larger one, converting kinds on the
// way. Halvings (each side half the source's, rounded down) average 2 x 2 blocks; where both
// images are one pixel wide, or both one pixel high, pairs along the other axis are averaged;
// equal sizes are converted; anything else falls back to the two-pass resample.

namespace dimg_detail {
// Averages Cols x Rows blocks of kind S into pixels of kind D: destination pixel x of row y from
// source columns Cols·x .. Cols·x + Cols - 1 of rows Rows·y .. Rows·y + Rows - 1. Each channel is
// the sum of the decoded pixels shifted right (the mean rounded down), so an odd last source
// column or row is never read. Source rows are taken Rows at a time with NextRow, destination
// rows one at a time; nothing outside the dstWidth x dstHeight rectangle is written.
template <uint32_t D, uint32_t S, uint32_t Cols, uint32_t Rows>
void AverageBlocks(uint8_t* dst, const dbtl::DImage& dstImage, uint32_t dstWidth,
                   uint32_t dstHeight, const uint8_t* src, const dbtl::DImage& srcImage) {
  using Dst = DimgPixelKind<D>;
  using Src = DimgPixelKind<S>;
  constexpr uint32_t kShift = (Cols == 2) + (Rows == 2);
  for (uint32_t y = 0; y < dstHeight; ++y) {
    const uint8_t* rows[Rows];
    rows[0] = src;
    for (uint32_t r = 1; r < Rows; ++r) {
      rows[r] = NextSourceRow(srcImage, rows[r - 1]);
    }
    uint8_t* out = dst;
    for (uint32_t x = 0; x < dstWidth; ++x, out += Dst::kBytes) {
      uint32_t r = 0, g = 0, b = 0, a = 0;
      for (const uint8_t* row : rows) {
        const uint8_t* in = row + std::size_t{x} * Cols * Src::kBytes;
        for (uint32_t c = 0; c < Cols; ++c, in += Src::kBytes) {
          const DimgRgba p = Src::Decode(in);
          r += p.r;
          g += p.g;
          b += p.b;
          a += p.a;
        }
      }
      Dst::Encode({static_cast<uint8_t>(r >> kShift), static_cast<uint8_t>(g >> kShift),
                   static_cast<uint8_t>(b >> kShift), static_cast<uint8_t>(a >> kShift)},
                  out);
    }
    src = NextSourceRow(srcImage, rows[Rows - 1]);
    dst = dstImage.NextRow(dst);
  }
}
}  // namespace dimg_detail

// The averaging worker of one pair, from rectangle addresses and sizes. The path follows the
// sizes alone: a destination side of 1 does not by itself make a one-dimensional path (1 x 2
// from 2 x 4 averages 2 x 2 blocks, 1 x 2 from 1 x 4 vertical pairs). The byte reaches only the
// two-pass fallback, which does not read it.
template <uint32_t D, uint32_t S>
void DimgHalveRect(uint8_t* dst, const dbtl::DImage& dstImage, uint32_t dstWidth,
                   uint32_t dstHeight, const uint8_t* src, const dbtl::DImage& srcImage,
                   uint32_t srcWidth, uint32_t srcHeight, uint8_t byte) {
  const bool halfWide = dstWidth == srcWidth >> 1;
  const bool halfHigh = dstHeight == srcHeight >> 1;
  if (dstWidth == 1 && srcWidth == 1) {
    if (halfHigh) {
      dimg_detail::AverageBlocks<D, S, 1, 2>(dst, dstImage, 1, dstHeight, src, srcImage);
      return;
    }
  } else if (dstHeight == 1 && srcHeight == 1) {
    if (halfWide) {
      dimg_detail::AverageBlocks<D, S, 2, 1>(dst, dstImage, dstWidth, 1, src, srcImage);
      return;
    }
  } else if (halfWide && halfHigh) {
    dimg_detail::AverageBlocks<D, S, 2, 2>(dst, dstImage, dstWidth, dstHeight, src, srcImage);
    return;
  }
  DimgResampleRect<D, S>(dst, dstImage, dstWidth, dstHeight, src, srcImage, srcWidth, srcHeight,
                         byte);
}

// One pair of DimgResampleMip: clipped like DimgBlitPair, equal clipped sizes converted by
// DimgConvertRect<D, S>, other sizes averaged or resampled by DimgHalveRect<D, S>. The spare
// byte stops here.
template <uint32_t D, uint32_t S>
void DimgResampleMipPair(uint8_t* dstBits, const dbtl::DImage& dstImage, uint32_t dstWidth,
                         uint32_t dstHeight, const uint8_t* srcBits, const dbtl::DImage& srcImage,
                         uint32_t srcWidth, uint32_t srcHeight, uint8_t byte,
                         uint8_t /*spare*/) {
  DimgScaledPair<DimgBlitPath<D, S>>(dstBits, dstImage, dstWidth, dstHeight, srcBits, srcImage,
                                     srcWidth, srcHeight, byte, &DimgHalveRect<D, S>);
}

// Writes the destination's top-left dstWidth x dstHeight pixels from the source's top-left
// srcWidth x srcHeight pixels, both clipped to their images keeping the ratio. Neither byte
// changes the result. A kind above 7 on either image does nothing at all (EndAccess included);
// otherwise EndAccess runs on the source and then on the destination.
void DimgResampleMip(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight,
                     const dbtl::DImage& src, uint32_t srcWidth, uint32_t srcHeight, uint8_t byte,
                     uint8_t spare);
