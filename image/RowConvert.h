#pragma once

#include "image/FastRow.h"
#include "image/NearestStep.h"
#include "image/PixelConvert.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The two row routines under every blit of a (destination kind D, source kind S) pair:
//   DimgConvertRows<D, S>  converts a width x height block, rows stepped by each image's own
//                          NextRow, so bottom-up images need no special code;
//   DimgStretchRow<D, S>   fills one destination row from a source row of another length by
//                          nearest-index stepping.
// Both exist for all 64 pairs and give the same pixel for the same source pixel. Their generic
// cores take the pixel rule as a callable, so the texture copy families build their own loops
// from the same code with their own rule (colour kept, alpha given, ...).

// Anything with the image's row step: NextRow(address) -> the address of the next row.
template <class Image>
concept DimgRowImage = requires(const Image& image, uint8_t* row) {
  { image.NextRow(row) } -> std::same_as<uint8_t*>;
};

namespace dimg_detail {
// Source rows are only read, but the image's row step works on plain addresses.
template <DimgRowImage Image>
const uint8_t* NextSourceRow(const Image& image, const uint8_t* row) {
  return image.NextRow(const_cast<uint8_t*>(row));
}
}  // namespace dimg_detail

// rule(const uint8_t* srcPixel, uint8_t* dstPixel) for each of width pixels of height rows, left
// to right; the bytes between a row's last pixel and the next row are never touched. Height 0
// does nothing; width 0 only steps the rows.
template <uint32_t DstBytes, uint32_t SrcBytes, DimgRowImage DstImage, DimgRowImage SrcImage,
          class PixelRule>
void DimgConvertRowsWith(uint8_t* dst, const DstImage& dstImage, const uint8_t* src,
                         const SrcImage& srcImage, uint32_t width, uint32_t height,
                         PixelRule&& rule) {
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* d = dst;
    const uint8_t* s = src;
    for (uint32_t x = 0; x < width; ++x, d += DstBytes, s += SrcBytes) {
      rule(s, d);
    }
    dst = dstImage.NextRow(dst);
    src = dimg_detail::NextSourceRow(srcImage, src);
  }
}

// rule(srcPixel, dstPixel) for destination pixels 0..dstWidth-1 of one row, the source column
// chosen by DimgNearestStep. Nothing is written when either width is 0 (a source width of 0
// would otherwise read a pixel that does not exist).
template <uint32_t DstBytes, uint32_t SrcBytes, class PixelRule>
void DimgStretchRowWith(uint8_t* dst, const uint8_t* src, uint32_t srcWidth, uint32_t dstWidth,
                        PixelRule&& rule) {
  if (srcWidth == 0 || dstWidth == 0) {
    return;
  }
  DimgNearestStep step(srcWidth, dstWidth);
  for (uint32_t x = 0; x < dstWidth; ++x, dst += DstBytes) {
    rule(src + std::size_t{step.Index()} * SrcBytes, dst);
    step.Advance();
  }
}

namespace dimg_detail {
// A function object rather than a function pointer, so the pixel work is inlined into the loop.
template <uint32_t D, uint32_t S>
struct ConvertPixelRule {
  void operator()(const uint8_t* src, uint8_t* dst) const { DimgConvertPixel<D, S>(src, dst); }
};
}  // namespace dimg_detail

// Converts width x height pixels from kind S to kind D starting at the two addresses, one row
// at a time by the pair's row routine (FastRow.h: whole-pixel copies for same-kind pairs 0 to 6,
// eight-pixel blocks for the others). The byte is not read.
template <uint32_t D, uint32_t S, DimgRowImage DstImage, DimgRowImage SrcImage>
void DimgConvertRows(uint8_t* dst, const DstImage& dstImage, const uint8_t* src,
                     const SrcImage& srcImage, uint32_t width, uint32_t height,
                     uint8_t /*unused*/) {
  const DimgRowRoutine row = DimgConvertRowRoutine(D, S);
  for (uint32_t y = 0; y < height; ++y) {
    row(dst, src, width);
    dst = dstImage.NextRow(dst);
    src = dimg_detail::NextSourceRow(srcImage, src);
  }
}

// Fills dstWidth pixels of one destination row from the first srcWidth pixels of a source row
// (note the order: source width first). The byte is not read.
template <uint32_t D, uint32_t S>
void DimgStretchRow(uint8_t* dst, const uint8_t* src, uint32_t srcWidth, uint32_t dstWidth,
                    uint8_t /*unused*/) {
  DimgStretchRowWith<DimgPixelKind<D>::kBytes, DimgPixelKind<S>::kBytes>(
      dst, src, srcWidth, dstWidth, dimg_detail::ConvertPixelRule<D, S>{});
}
