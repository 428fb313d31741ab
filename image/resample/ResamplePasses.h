#pragma once

#include "image/DImage.h"
#include "image/FastRow.h"
#include "image/PixelKind.h"
#include "image/RowConvert.h"
#include "image/resample/AreaHalves.h"
#include "image/resample/ResampleAxis.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// The four passes of the two-pass resample, each a template over one pixel kind:
//   DimgLinearRows<S>, DimgAreaRows<S>         every source row of kind S into a row of the
//                                              temporary image (kind 0: bytes R, G, B, A);
//   DimgLinearColumns<D>, DimgAreaColumns<D>   every column of the temporary image into the
//                                              destination rectangle, encoded in kind D.
// Linear passes serve axes that grow or keep their length, area passes axes that shrink. Every
// channel, alpha included, is filtered alone (colour is not weighted by alpha) on the values
// that DimgPixelKind decodes, so a YCbCr sample is turned into clamped R, G, B first and a kind
// without alpha contributes 255. A length of 0 anywhere writes nothing.

namespace dimg_detail {

inline DimgRgba LoadRgba(const uint8_t* p) { return {p[0], p[1], p[2], p[3]}; }

inline void StoreRgba(DimgRgba c, uint8_t* p) {
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
  p[3] = c.a;
}

inline DimgRgba Blend(DimgRgba a, DimgRgba b, int32_t weight) {
  return {DimgLinearBlend(a.r, b.r, weight), DimgLinearBlend(a.g, b.g, weight),
          DimgLinearBlend(a.b, b.b, weight), DimgLinearBlend(a.a, b.a, weight)};
}

// The four channel sums of one area output.
struct AreaSums {
  uint64_t r = 0, g = 0, b = 0, a = 0;

  template <class Term>
  void Add(DimgRgba c, Term term) {
    r += term(c.r);
    g += term(c.g);
    b += term(c.b);
    a += term(c.a);
  }
  // Never above 255: the sums are at most 255 × divisor.
  DimgRgba Mean(const DimgSharedDivisor& divisor) const {
    return {static_cast<uint8_t>(divisor.Divide(r)), static_cast<uint8_t>(divisor.Divide(g)),
            static_cast<uint8_t>(divisor.Divide(b)), static_cast<uint8_t>(divisor.Divide(a))};
  }
};

// Calls add(i, term) for every sample i of one output's footprint, term(v) being that sample's
// share of a channel sum.
template <class Add>
void ForEachSpanSample(const DimgAreaSpan& span, Add&& add) {
  add(span.first, [&span](uint32_t v) { return DimgAreaFirst(v, span); });
  for (uint32_t i = span.first + 1; i < span.end; ++i) {
    add(i, [](uint32_t v) { return DimgAreaWhole(v); });
  }
  if (span.endWeight != 0) {
    add(span.end, [&span](uint32_t v) { return DimgAreaEnd(v, span); });
  }
}

// One output row of a vertical linear pass: temporary rows a and b blended with one weight and
// encoded in kind D. The rows never overlap the output: the temporary is the pass's own.
template <uint32_t D>
void BlendRows(const uint8_t* __restrict a, const uint8_t* __restrict b, uint8_t* __restrict out,
               uint32_t width, int32_t weight) {
  for (uint32_t x = 0; x < width; ++x) {
    DimgPixelKind<D>::Encode(
        Blend(LoadRgba(a + std::size_t{x} * 4), LoadRgba(b + std::size_t{x} * 4), weight),
        out + std::size_t{x} * DimgPixelKind<D>::kBytes);
  }
}

}  // namespace dimg_detail

namespace dimg_detail {
// The loop of both horizontal passes: for each of rowCount source rows, temporary pixel k is
// output(row, table[k]); then both row addresses move on with their images' NextRow.
template <class Entry, class Output>
void EachTemporaryRow(const uint8_t* src, const dbtl::DImage& srcImage, uint32_t rowCount,
                      uint8_t* tmp, const dbtl::DImage& tmpImage, const std::vector<Entry>& table,
                      Output&& output) {
  for (uint32_t y = 0; y < rowCount; ++y) {
    uint8_t* out = tmp;
    for (const Entry& entry : table) {
      StoreRgba(output(src, entry), out);
      out += 4;
    }
    src = NextSourceRow(srcImage, src);
    tmp = tmpImage.NextRow(tmp);
  }
}
}  // namespace dimg_detail

// Each of rowCount source rows (srcWidth pixels of kind S from `src`, rows stepped by the
// source's NextRow) interpolated onto dstWidth pixels of the temporary row (from `tmp`, stepped
// by the temporary's NextRow).
template <uint32_t S>
void DimgLinearRows(const uint8_t* src, const dbtl::DImage& srcImage, uint32_t srcWidth,
                    uint32_t rowCount, uint8_t* tmp, const dbtl::DImage& tmpImage,
                    uint32_t dstWidth) {
  using Src = DimgPixelKind<S>;
  if (srcWidth == 0 || rowCount == 0 || dstWidth == 0) {
    return;
  }
  dimg_detail::EachTemporaryRow(
      src, srcImage, rowCount, tmp, tmpImage, DimgLinearTaps(srcWidth, dstWidth),
      [](const uint8_t* row, const DimgLinearTap& tap) {
        return dimg_detail::Blend(Src::Decode(row + std::size_t{tap.first} * Src::kBytes),
                                  Src::Decode(row + std::size_t{tap.second} * Src::kBytes),
                                  tap.weight);
      });
}

// The same rows averaged over the area each output covers (dstWidth < srcWidth).
template <uint32_t S>
void DimgAreaRows(const uint8_t* src, const dbtl::DImage& srcImage, uint32_t srcWidth,
                  uint32_t rowCount, uint8_t* tmp, const dbtl::DImage& tmpImage,
                  uint32_t dstWidth) {
  using Src = DimgPixelKind<S>;
  if (srcWidth == 0 || rowCount == 0 || dstWidth == 0) {
    return;
  }
  if (DimgAreaIsHalving(srcWidth, dstWidth)) {
    // Each row decoded to kind 0 as a whole (the conversion row gives Decode's bytes), then
    // halved.
    const DimgHalveKernels& halve = DimgHalve();
    std::vector<uint8_t> decoded(S == DImageKindRGBA8 ? 0 : std::size_t{srcWidth} * 4);
    const DimgRowRoutine decode = DimgConvertRowRoutine(DImageKindRGBA8, S);
    for (uint32_t y = 0; y < rowCount; ++y) {
      const uint8_t* in = src;
      if constexpr (S != DImageKindRGBA8) {
        decode(decoded.data(), src, srcWidth);
        in = decoded.data();
      }
      halve.pairs(tmp, in, dstWidth);
      src = dimg_detail::NextSourceRow(srcImage, src);
      tmp = tmpImage.NextRow(tmp);
    }
    return;
  }
  dimg_detail::EachTemporaryRow(src, srcImage, rowCount, tmp, tmpImage,
                                DimgAreaSpans(srcWidth, dstWidth),
                                [](const uint8_t* row, const DimgAreaSpan& span) {
                                  dimg_detail::AreaSums sums;
                                  dimg_detail::ForEachSpanSample(span, [&](uint32_t i, auto term) {
                                    sums.Add(Src::Decode(row + std::size_t{i} * Src::kBytes), term);
                                  });
                                  return sums.Mean(span.divisor);
                                });
}

// The srcHeight temporary rows (dstWidth pixels each, from `tmp`) interpolated onto dstHeight
// rows of kind D from `dst`, stepped by the destination's NextRow. The byte is not read.
template <uint32_t D>
void DimgLinearColumns(const uint8_t* tmp, const dbtl::DImage& tmpImage, uint32_t srcHeight,
                       uint32_t dstWidth, uint8_t* dst, const dbtl::DImage& dstImage,
                       uint32_t dstHeight, uint8_t /*unused*/) {
  if (srcHeight == 0 || dstWidth == 0 || dstHeight == 0) {
    return;
  }
  uint8_t* const tmpBits = const_cast<uint8_t*>(tmp);
  DimgLinearAxis axis(srcHeight, dstHeight);
  for (uint32_t k = 0; k < dstHeight; ++k) {
    const DimgLinearTap tap = axis.Tap();
    dimg_detail::BlendRows<D>(tmpImage.OffsetPixel(tmpBits, 0, tap.first),
                              tmpImage.OffsetPixel(tmpBits, 0, tap.second), dst, dstWidth,
                              tap.weight);
    dst = dstImage.NextRow(dst);
    axis.Advance();
  }
}

// The same columns averaged over the area each output covers (dstHeight < srcHeight). The
// work goes output row by output row over whole temporary rows, which reads memory in order
// and gives the same values as walking each column.
template <uint32_t D>
void DimgAreaColumns(const uint8_t* tmp, const dbtl::DImage& tmpImage, uint32_t srcHeight,
                     uint32_t dstWidth, uint8_t* dst, const dbtl::DImage& dstImage,
                     uint32_t dstHeight, uint8_t /*unused*/) {
  using Dst = DimgPixelKind<D>;
  if (srcHeight == 0 || dstWidth == 0 || dstHeight == 0) {
    return;
  }
  uint8_t* const tmpBits = const_cast<uint8_t*>(tmp);
  if (DimgAreaIsHalving(srcHeight, dstHeight)) {
    // Temporary rows 2k and 2k + 1 averaged into one kind-0 row, then encoded as a whole (the
    // conversion row gives Encode's bytes).
    const DimgHalveKernels& halve = DimgHalve();
    std::vector<uint8_t> mean(D == DImageKindRGBA8 ? 0 : std::size_t{dstWidth} * 4);
    const DimgRowRoutine encode = DimgConvertRowRoutine(D, DImageKindRGBA8);
    for (uint32_t k = 0; k < dstHeight; ++k) {
      uint8_t* out = D == DImageKindRGBA8 ? dst : mean.data();
      halve.rows(out, tmpImage.OffsetPixel(tmpBits, 0, 2 * k),
                 tmpImage.OffsetPixel(tmpBits, 0, 2 * k + 1), dstWidth * 4);
      if constexpr (D != DImageKindRGBA8) {
        encode(dst, mean.data(), dstWidth);
      }
      dst = dstImage.NextRow(dst);
    }
    return;
  }
  const std::vector<DimgAreaSpan> spans = DimgAreaSpans(srcHeight, dstHeight);
  std::vector<dimg_detail::AreaSums> sums(dstWidth);
  for (const DimgAreaSpan& span : spans) {
    std::fill(sums.begin(), sums.end(), dimg_detail::AreaSums{});
    // Adds sample r of every column at once: one whole temporary row.
    const auto addRow = [&](uint32_t r, auto term) {
      const uint8_t* in = tmpImage.OffsetPixel(tmpBits, 0, r);
      for (dimg_detail::AreaSums& s : sums) {
        s.Add(dimg_detail::LoadRgba(in), term);
        in += 4;
      }
    };
    dimg_detail::ForEachSpanSample(span, addRow);
    uint8_t* out = dst;
    for (const dimg_detail::AreaSums& s : sums) {
      Dst::Encode(s.Mean(span.divisor), out);
      out += Dst::kBytes;
    }
    dst = dstImage.NextRow(dst);
  }
}
