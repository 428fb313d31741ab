// The conversion rows for processors with AVX-512 (F, BW, VBMI): the pairs with kind 7 go
// thirty-two pixels at a time through PlanarBlocks512.h, a row's last 1 to 31 pixels through the
// same blocks with masked loads and stores; every other pair is the AVX2 row (already near
// memcpy's speed, where wider registers would not pay).

#include "image/FastRow.h"
#include "image/YCbCr.h"

#include <cstddef>
#include <cstdint>
#include <utility>

// GCC 12's AVX-512 intrinsics without a mask pass an intentionally undefined register as the
// masked-off source (_mm512_undefined_epi32), which its own uninitialised-use warning then reports
// wherever one is inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define DIMG_ROW_TARGET __attribute__((target("avx2,bmi2,avx512f,avx512bw,avx512vbmi")))
#include "image/PlanarBlocks512.h"
#include "image/PackedToYcc512.h"
#include "image/RowBlocks.h"

namespace {

// The share tables of a 16-bit kind, made from the YCbCr tables the first time a row needs them
// (they are filled and checked by then: DimgYCbCrVectorReady).
template <uint32_t S>
const PackedShares& SharesOf() {
  static const PackedShares shares = MakePackedShares<DimgPixelKind<S>>(DimgYCbCrTables());
  return shares;
}

template <uint32_t D, uint32_t S>
DIMG_ROW_TARGET void ConvertRow32(uint8_t* dst, const uint8_t* src, uint32_t width) {
  if (!DimgYCbCrVectorReady()) {
    // The AVX2 row then goes pixel by pixel through the tables.
    DimgAvx2RowRoutines()[D * DImageKindCount + S](dst, src, width);
    return;
  }
  constexpr std::size_t kDstBytes = DimgPixelKind<D>::kBytes, kSrcBytes = DimgPixelKind<S>::kBytes;
  uint32_t x = 0;
  if constexpr (D == DImageKindYCrCb && kSrcBytes == 2) {
    const PackedShares& shares = SharesOf<S>();
    using Block = PackedToYCrCb32<DimgPixelKind<S>>;
    for (; width - x >= 32; x += 32) {
      Block::Convert(shares, dst + x * kDstBytes, src + x * kSrcBytes, 32);
    }
    if (x < width) {
      Block::Convert(shares, dst + x * kDstBytes, src + x * kSrcBytes, width - x);
    }
  } else {
    for (; width - x >= 32; x += 32) {
      DimgConvertPlanar32<D, S>(dst + x * kDstBytes, src + x * kSrcBytes, 32);
    }
    if (x < width) {
      DimgConvertPlanar32<D, S>(dst + x * kDstBytes, src + x * kSrcBytes, width - x);
    }
  }
}

template <std::size_t I>
constexpr DimgRowRoutine WideRoutine() {
  constexpr uint32_t d = I / DImageKindCount, s = I % DImageKindCount;
  if constexpr (d == DImageKindYCrCb || s == DImageKindYCrCb) {
    return &ConvertRow32<d, s>;
  } else {
    return nullptr;
  }
}

constexpr DimgRowRoutineTable kWideRoutines = []<std::size_t... I>(std::index_sequence<I...>) {
  return DimgRowRoutineTable{WideRoutine<I>()...};
}(std::make_index_sequence<DImageKindCount * DImageKindCount>{});

}  // namespace

const DimgRowRoutineTable& DimgAvx512RowRoutines() {
  static const DimgRowRoutineTable routines = [] {
    DimgRowRoutineTable t = DimgAvx2RowRoutines();
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (kWideRoutines[i] != nullptr) {
        t[i] = kWideRoutines[i];
      }
    }
    return t;
  }();
  return routines;
}
