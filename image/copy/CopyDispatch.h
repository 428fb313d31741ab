#pragma once

#include "image/DImage.h"
#include "image/DImageKind.h"
#include "image/copy/CopyDriver.h"

#include <array>
#include <cstdint>
#include <utility>

// The dispatchers DimgBlit, DimgBlitColor, DimgBlitAlpha and DimgBlitOpaque share one shape:
// the destination's kind, then the source's (either above 7: return at once, without
// EndAccess); the first-row addresses of the destination, then the source; the pair routine of
// (destination kind, source kind); EndAccess on the source, then on the destination. Each family
// is one table of 64 pair routines, indexed destination kind x 8 + source kind.

using DimgPairTable = std::array<DimgPairRoutine, DImageKindCount * DImageKindCount>;

// Family::template kPair<D, S> is the family's pair routine for destination kind D and source
// kind S.
template <class Family>
constexpr DimgPairTable DimgMakePairTable() {
  return []<std::size_t... I>(std::index_sequence<I...>) {
    return DimgPairTable{Family::template kPair<I / DImageKindCount, I % DImageKindCount>...};
  }(std::make_index_sequence<DImageKindCount * DImageKindCount>{});
}

void DimgDispatchPair(const DimgPairTable& table, dbtl::DImage& dst, uint32_t dstWidth,
                      uint32_t dstHeight, const dbtl::DImage& src, uint32_t srcWidth,
                      uint32_t srcHeight, uint8_t constant, uint8_t spare);
