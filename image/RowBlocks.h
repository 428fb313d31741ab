#pragma once

#include "image/FastRow.h"
#include "image/PixelBlock.h"
#include "image/PixelConvert.h"
#include "image/YCbCr.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

// The conversion rows of FastRow.h over a set of eight-pixel blocks: Blocks::template Of<K> is
// kind K's block (DimgPixelBlock<K> or one with the same Load and Store built from other
// instructions). Everything here is a template over the block set, so a translation unit that
// compiles a set for a wider instruction set instantiates its own copies and shares none with
// the baseline rows.

// A translation unit that builds the rows for a wider instruction set defines DIMG_ROW_TARGET as
// the matching target attribute before it includes this header, so that the row loops inline its
// blocks; the baseline rows leave it empty.
#ifndef DIMG_ROW_TARGET
#define DIMG_ROW_TARGET
#endif

// The blocks' functions under a row's target: always inlined into the row loop, where the
// block's registers stay registers (a call would pass them through memory).
#define DIMG_ROW_INLINE DIMG_ROW_TARGET __attribute__((always_inline)) inline

// The baseline block set: SSE2 only.
struct DimgSse2Blocks {
  template <uint32_t K>
  using Of = DimgPixelBlock<K>;
};

// Eight pixels. Between two 16-bit kinds the fields move within the words; every other pair
// decodes the source block to R, G, B, A bytes and encodes that.
template <class Blocks, uint32_t D, uint32_t S>
DIMG_ROW_INLINE void DimgConvertBlock8(uint8_t* dst, const uint8_t* src) {
  using Dst = typename Blocks::template Of<D>;
  using Src = typename Blocks::template Of<S>;
  if constexpr (DimgPixelKind<D>::kBytes == 2 && DimgPixelKind<S>::kBytes == 2) {
    dimg_detail::StoreBytes16(dst, dimg_detail::RepackWords<DimgPixelKind<D>, DimgPixelKind<S>>(
                                       dimg_detail::LoadBytes16(src)));
  } else {
    Dst::Store(Src::Load(src), dst);
  }
}

// A block set may also convert some pairs sixteen pixels at a time: it then has
// `static constexpr bool WidePair(uint32_t d, uint32_t s)` and `Convert16<D, S>(dst, src)`, and
// the rows of those pairs run them first, the eight-pixel blocks after.
template <class Blocks>
concept DimgHasWidePairs = requires { Blocks::WidePair(0u, 0u); };

template <class Blocks, uint32_t D, uint32_t S>
constexpr bool DimgWidePair() {
  if constexpr (DimgHasWidePairs<Blocks>) {
    return Blocks::WidePair(D, S);
  } else {
    return false;
  }
}

template <class Blocks, uint32_t D, uint32_t S>
DIMG_ROW_TARGET void DimgConvertRowBlocks(uint8_t* dst, const uint8_t* src, uint32_t width) {
  constexpr uint32_t kDstBytes = DimgPixelKind<D>::kBytes;
  constexpr uint32_t kSrcBytes = DimgPixelKind<S>::kBytes;
  if (width == 0) {
    return;  // the rows may then be null, which memcpy must not see even with a size of 0
  }
  if constexpr (D == S && D != DImageKindYCrCb) {
    std::memcpy(dst, src, std::size_t{width} * kDstBytes);
  } else {
    uint32_t x = 0;
    constexpr bool kYCrCb = D == DImageKindYCrCb || S == DImageKindYCrCb;
    if (!kYCrCb || DimgYCbCrVectorReady()) {
      if constexpr (DimgWidePair<Blocks, D, S>()) {
        for (; width - x >= 16; x += 16) {
          Blocks::template Convert16<D, S>(dst + std::size_t{x} * kDstBytes,
                                           src + std::size_t{x} * kSrcBytes);
        }
      }
      for (; width - x >= 8; x += 8) {
        DimgConvertBlock8<Blocks, D, S>(dst + std::size_t{x} * kDstBytes,
                                        src + std::size_t{x} * kSrcBytes);
      }
    }
    for (; x < width; ++x) {
      DimgConvertPixel<D, S>(src + std::size_t{x} * kSrcBytes, dst + std::size_t{x} * kDstBytes);
    }
  }
}

using DimgRowRoutineTable = std::array<DimgRowRoutine, DImageKindCount * DImageKindCount>;

template <class Blocks>
constexpr DimgRowRoutineTable DimgMakeRowRoutines() {
  return []<std::size_t... I>(std::index_sequence<I...>) {
    return DimgRowRoutineTable{
        &DimgConvertRowBlocks<Blocks, I / DImageKindCount, I % DImageKindCount>...};
  }
  (std::make_index_sequence<DImageKindCount * DImageKindCount>{});
}

// The rows built with SSSE3 (FastRowSsse3.cpp); only to be run where the processor has it.
const DimgRowRoutineTable& DimgSsse3RowRoutines();
// The rows built with AVX2 (FastRowAvx2.cpp); only to be run where the processor has it.
const DimgRowRoutineTable& DimgAvx2RowRoutines();
// The AVX2 rows with the pairs of kind 7 built with AVX-512 (FastRowAvx512.cpp); only to be run
// where the processor has AVX-512 F, BW and VBMI (and so AVX2 and BMI2).
const DimgRowRoutineTable& DimgAvx512RowRoutines();
