#include "image/copy/DimgBlitColor.h"

#include "image/copy/CopyDispatch.h"

namespace {
struct ColorFamily {
  template <uint32_t D, uint32_t S>
  static constexpr DimgPairRoutine kPair = &DimgBlitColorPair<D, S>;
};

constexpr DimgPairTable kColorPairs = DimgMakePairTable<ColorFamily>();
}  // namespace

void DimgBlitColor(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight,
                   const dbtl::DImage& src, uint32_t srcWidth, uint32_t srcHeight, uint8_t byte,
                   uint8_t spare) {
  DimgDispatchPair(kColorPairs, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, byte, spare);
}
