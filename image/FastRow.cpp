#include "image/FastRow.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <utility>

#include "image/PixelBlock.h"
#include "image/PixelConvert.h"
#include "image/YCbCrPacked.h"

namespace {

// Eight pixels. Between two 16-bit kinds the pixels stay in the blocks' 16-bit lanes (R | G << 8
// and B | A << 8) instead of being spread to 32 bits and packed again.
template <uint32_t D, uint32_t S>
void ConvertBlock(uint8_t* dst, const uint8_t* src) {
  if constexpr (DimgPixelKind<D>::kBytes == 2 && DimgPixelKind<S>::kBytes == 2) {
    __m128i rg, ba;
    DimgPixelBlock<S>::LoadWords(src, rg, ba);
    if constexpr (D == DImageKindA4R4G4B4 && S == DImageKindA1R5G5B5) {
      // The set alpha bit stays at the top of the word: nibble 8, as DimgConvertPixel does.
      ba = _mm_and_si128(ba, dimg_detail::Mask16(0x80FF));
    }
    DimgPixelBlock<D>::StoreWords(rg, ba, dst);
  } else {
    DimgPixelBlock<D>::Store(DimgPixelBlock<S>::Load(src), dst);
  }
}

template <uint32_t D, uint32_t S>
void ConvertRow(uint8_t* dst, const uint8_t* src, uint32_t width) {
  constexpr uint32_t kDstBytes = DimgPixelKind<D>::kBytes;
  constexpr uint32_t kSrcBytes = DimgPixelKind<S>::kBytes;
  if constexpr (D == S && D != DImageKindYCrCb) {
    std::memcpy(dst, src, std::size_t{width} * kDstBytes);
  } else {
    uint32_t x = 0;
    constexpr bool kYCrCb = D == DImageKindYCrCb || S == DImageKindYCrCb;
    if (!kYCrCb || DimgYCbCrPackedTables().ready) {
      for (; width - x >= 8; x += 8) {
        ConvertBlock<D, S>(dst + std::size_t{x} * kDstBytes, src + std::size_t{x} * kSrcBytes);
      }
    }
    for (; x < width; ++x) {
      DimgConvertPixel<D, S>(src + std::size_t{x} * kSrcBytes, dst + std::size_t{x} * kDstBytes);
    }
  }
}

using RoutineTable = std::array<DimgRowRoutine, DImageKindCount * DImageKindCount>;

constexpr RoutineTable kRoutines = []<std::size_t... I>(std::index_sequence<I...>) {
  return RoutineTable{&ConvertRow<I / DImageKindCount, I % DImageKindCount>...};
}(std::make_index_sequence<DImageKindCount * DImageKindCount>{});

}  // namespace

DimgRowRoutine DimgConvertRowRoutine(uint32_t d, uint32_t s) {
  return kRoutines[d * DImageKindCount + s];
}
