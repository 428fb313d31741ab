#pragma once

#include "image/DImage.h"
#include "image/DimgClip.h"
#include "image/NearestStep.h"
#include "image/RowConvert.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <type_traits>

// The one copy driver under every kind-to-kind copy of the image library: the plain blit and
// the colour, alpha and opaque copy families all clip the same way, choose between the same
// equal-size and stretched paths and step rows and columns the same way. What differs per
// family and per (destination kind, source kind) pair is only the pixel work, which a "path"
// type brings in:
//
//   Path::kDstBytes, Path::kSrcBytes   bytes per pixel of the two kinds;
//   Path::Block(dst, dstImage, src, srcImage, width, height, constant)
//                                      converts width x height pixels from the two start
//                                      addresses, rows stepped by each image's NextRow;
//   Path::Row(dst, src, dstWidth, srcWidth, constant)
//                                      fills one destination row by nearest-index stepping.
//
// The constant byte travels down to every pixel (the opaque copy's alpha); other families
// ignore it. Every pair routine has the same shape, so the dispatchers hold one table of them.

template <class Path>
concept DimgCopyPath =
    requires(uint8_t* dst, const uint8_t* src, const dbtl::DImage& image, uint32_t n, uint8_t c) {
      { Path::kDstBytes } -> std::convertible_to<uint32_t>;
      { Path::kSrcBytes } -> std::convertible_to<uint32_t>;
      Path::Block(dst, image, src, image, n, n, c);
      Path::Row(dst, src, n, n, c);
    };

// A pair routine: (destination first-row address, destination image, destination width,
// destination height, source first-row address, source image, source width, source height,
// constant byte, spare byte).
using DimgPairRoutine = void (*)(uint8_t*, const dbtl::DImage&, uint32_t, uint32_t,
                                 const uint8_t*, const dbtl::DImage&, uint32_t, uint32_t, uint8_t,
                                 uint8_t);

// Moves both addresses on by `height` rows, one NextRow of each image at a time, and touches no
// pixel. The equal-size path of a copy that writes nothing, and the alpha merges of kinds
// without alpha, walk their rows with it.
inline void DimgSkipRows(uint32_t height, uint8_t*& dst, const dbtl::DImage& dstImage,
                         const uint8_t*& src, const dbtl::DImage& srcImage) {
  for (uint32_t y = 0; y < height; ++y) {
    dst = dstImage.NextRow(dst);
    src = dimg_detail::NextSourceRow(srcImage, src);
  }
}

// The address of pixel (x, y) from the first-row address: AdvanceRows by y, then x pixels.
inline uint8_t* DimgRectStart(const dbtl::DImage& image, uint8_t* bits, int32_t x, int32_t y,
                              uint32_t bytesPerPixel) {
  return image.AdvanceRows(bits, y) + static_cast<ptrdiff_t>(x) * bytesPerPixel;
}

inline const uint8_t* DimgRectStart(const dbtl::DImage& image, const uint8_t* bits, int32_t x,
                                    int32_t y, uint32_t bytesPerPixel) {
  return DimgRectStart(image, const_cast<uint8_t*>(bits), x, y, bytesPerPixel);
}

// Converts the width x height block at the two start addresses by the path's pixel rule.
template <DimgCopyPath Path>
void DimgConvertBlock(uint8_t* dst, const dbtl::DImage& dstImage, const uint8_t* src,
                      const dbtl::DImage& srcImage, uint32_t width, uint32_t height,
                      uint8_t constant) {
  Path::Block(dst, dstImage, src, srcImage, width, height, constant);
}

// Fills dstWidth pixels of one destination row from the first srcWidth pixels of a source row
// (destination width first, unlike DimgStretchRow).
template <DimgCopyPath Path>
void DimgConvertRowStretched(uint8_t* dst, const uint8_t* src, uint32_t dstWidth,
                             uint32_t srcWidth, uint8_t constant) {
  Path::Row(dst, src, dstWidth, srcWidth, constant);
}

// The equal-size path: the common width x height at (dstX, dstY) and (srcX, srcY) is clipped
// against both images, then converted block-wise. An empty rectangle returns before any row
// address is formed, since its position may lie outside the image.
template <DimgCopyPath Path>
void DimgCopyRect(uint8_t* dstBits, const dbtl::DImage& dstImage, int32_t dstX, int32_t dstY,
                  const uint8_t* srcBits, const dbtl::DImage& srcImage, int32_t srcX,
                  int32_t srcY, uint32_t width, uint32_t height, uint8_t constant) {
  DimgClip(width, height, dstX, dstY, dstImage.GetWidth(), dstImage.GetHeight(), srcX, srcY,
           srcImage.GetWidth(), srcImage.GetHeight());
  if (width == 0 || height == 0) {
    return;
  }
  DimgConvertBlock<Path>(DimgRectStart(dstImage, dstBits, dstX, dstY, Path::kDstBytes), dstImage,
                         DimgRectStart(srcImage, srcBits, srcX, srcY, Path::kSrcBytes), srcImage,
                         width, height, constant);
}

// The stretched path: rows chosen by nearest-index stepping, each row address formed afresh
// with AdvanceRows from the rectangles' top-left addresses, columns stepped inside the row.
template <DimgCopyPath Path>
void DimgStretchRect(uint8_t* dst, const dbtl::DImage& dstImage, uint32_t dstWidth,
                     uint32_t dstHeight, const uint8_t* src, const dbtl::DImage& srcImage,
                     uint32_t srcWidth, uint32_t srcHeight, uint8_t constant) {
  if (dstWidth == 0 || dstHeight == 0 || srcWidth == 0 || srcHeight == 0) {
    return;
  }
  DimgNearestStep rows(srcHeight, dstHeight);
  for (uint32_t y = 0; y < dstHeight; ++y) {
    uint8_t* dstRow = dstImage.AdvanceRows(dst, y);
    const uint8_t* srcRow = srcImage.AdvanceRows(const_cast<uint8_t*>(src), rows.Index());
    DimgConvertRowStretched<Path>(dstRow, srcRow, dstWidth, srcWidth, constant);
    rows.Advance();
  }
}

namespace dimg_detail {
// The clipped rectangles of a pair routine stay inside their images. The scaled clip keeps them
// there for every input tried, but a stretch writes without clipping again, so the bound is
// enforced here too rather than trusted: a rectangle that still reached past its image would be
// written out of bounds.
inline void FitInside(uint32_t& size, int32_t pos, uint32_t extent) {
  const int64_t room = int64_t{extent} - pos;
  if (int64_t{size} > room) {
    size = room > 0 ? static_cast<uint32_t>(room) : 0;
  }
}
}  // namespace dimg_detail

// The pair shape of every kind-to-kind copy, the filtering blits included: both rectangles
// start at (0, 0) and are clipped with DimgClipScaled keeping the requested ratio; equal clipped
// sizes are copied one-to-one by the path, other sizes go to `unequal` with the rectangles'
// top-left addresses and clipped sizes:
//   unequal(dst, dstImage, dstWidth, dstHeight, src, srcImage, srcWidth, srcHeight, constant)
// A source width or height of 0 leaves the scaled clip alone, so the destination size can still
// exceed its image; nothing is written then.
template <DimgCopyPath Path, class Unequal>
void DimgScaledPair(uint8_t* dstBits, const dbtl::DImage& dstImage, uint32_t dstWidth,
                    uint32_t dstHeight, const uint8_t* srcBits, const dbtl::DImage& srcImage,
                    uint32_t srcWidth, uint32_t srcHeight, uint8_t constant, Unequal&& unequal) {
  int32_t dstX = 0, dstY = 0, srcX = 0, srcY = 0;
  DimgClipScaled(dstX, dstY, dstWidth, dstHeight, dstImage.GetWidth(), dstImage.GetHeight(), srcX,
                 srcY, srcWidth, srcHeight, srcImage.GetWidth(), srcImage.GetHeight());
  if (dstWidth == srcWidth && dstHeight == srcHeight) {
    DimgCopyRect<Path>(dstBits, dstImage, dstX, dstY, srcBits, srcImage, srcX, srcY, srcWidth,
                       srcHeight, constant);
    return;
  }
  dimg_detail::FitInside(dstWidth, dstX, dstImage.GetWidth());
  dimg_detail::FitInside(dstHeight, dstY, dstImage.GetHeight());
  dimg_detail::FitInside(srcWidth, srcX, srcImage.GetWidth());
  dimg_detail::FitInside(srcHeight, srcY, srcImage.GetHeight());
  if (dstWidth == 0 || dstHeight == 0 || srcWidth == 0 || srcHeight == 0) {
    return;
  }
  unequal(DimgRectStart(dstImage, dstBits, dstX, dstY, Path::kDstBytes), dstImage, dstWidth,
          dstHeight, DimgRectStart(srcImage, srcBits, srcX, srcY, Path::kSrcBytes), srcImage,
          srcWidth, srcHeight, constant);
}

// The pair routine of every copy family: the pair shape above, stretched by nearest neighbour
// when the clipped sizes differ. The spare byte is not passed on.
template <DimgCopyPath Path>
void DimgCopyPair(uint8_t* dstBits, const dbtl::DImage& dstImage, uint32_t dstWidth,
                  uint32_t dstHeight, const uint8_t* srcBits, const dbtl::DImage& srcImage,
                  uint32_t srcWidth, uint32_t srcHeight, uint8_t constant, uint8_t /*spare*/) {
  DimgScaledPair<Path>(dstBits, dstImage, dstWidth, dstHeight, srcBits, srcImage, srcWidth,
                       srcHeight, constant, &DimgStretchRect<Path>);
}

// The path of a family whose pixel work is one rule: Rule::Apply(srcPixel, dstPixel, constant).
template <uint32_t DstBytes, uint32_t SrcBytes, class Rule>
struct DimgRulePath {
  static constexpr uint32_t kDstBytes = DstBytes;
  static constexpr uint32_t kSrcBytes = SrcBytes;

  static void Block(uint8_t* dst, const dbtl::DImage& dstImage, const uint8_t* src,
                    const dbtl::DImage& srcImage, uint32_t width, uint32_t height,
                    uint8_t constant) {
    DimgConvertRowsWith<DstBytes, SrcBytes>(
        dst, dstImage, src, srcImage, width, height,
        [constant](const uint8_t* s, uint8_t* d) { Rule::Apply(s, d, constant); });
  }
  static void Row(uint8_t* dst, const uint8_t* src, uint32_t dstWidth, uint32_t srcWidth,
                  uint8_t constant) {
    DimgStretchRowWith<DstBytes, SrcBytes>(
        dst, src, srcWidth, dstWidth,
        [constant](const uint8_t* s, uint8_t* d) { Rule::Apply(s, d, constant); });
  }
};

// The path of a copy that writes nothing: the equal-size path only walks its rows, the
// stretched path only forms its row addresses.
template <uint32_t DstBytes, uint32_t SrcBytes>
struct DimgSkipPath {
  static constexpr uint32_t kDstBytes = DstBytes;
  static constexpr uint32_t kSrcBytes = SrcBytes;

  static void Block(uint8_t* dst, const dbtl::DImage& dstImage, const uint8_t* src,
                    const dbtl::DImage& srcImage, uint32_t /*width*/, uint32_t height,
                    uint8_t /*constant*/) {
    DimgSkipRows(height, dst, dstImage, src, srcImage);
  }
  static void Row(uint8_t* /*dst*/, const uint8_t* /*src*/, uint32_t /*dstWidth*/,
                  uint32_t /*srcWidth*/, uint8_t /*constant*/) {}
};

// The path of pair (D, S) of a texture copy family: the family's Rule<D, S> where the
// destination kind has an alpha field, Otherwise where it has none (the families differ only in
// what they do with alpha).
template <template <uint32_t, uint32_t> class Rule, class Otherwise, uint32_t D, uint32_t S>
using DimgFamilyPath =
    std::conditional_t<DimgPixelKind<D>::kHasAlpha,
                       DimgRulePath<DimgPixelKind<D>::kBytes, DimgPixelKind<S>::kBytes, Rule<D, S>>,
                       Otherwise>;
