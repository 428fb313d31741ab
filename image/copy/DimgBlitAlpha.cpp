#include "image/copy/DimgBlitAlpha.h"

#include "image/copy/CopyDispatch.h"

namespace {
struct AlphaFamily {
  template <uint32_t D, uint32_t S>
  static constexpr DimgPairRoutine kPair = &DimgBlitAlphaPair<D, S>;
};

constexpr DimgPairTable kAlphaPairs = DimgMakePairTable<AlphaFamily>();
}  // namespace

void DimgBlitAlpha(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight,
                   const dbtl::DImage& src, uint32_t srcWidth, uint32_t srcHeight, uint8_t byte,
                   uint8_t spare) {
  DimgDispatchPair(kAlphaPairs, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, byte, spare);
}
