#include "image/DimgBlit.h"

#include "image/copy/CopyDispatch.h"

namespace {
struct BlitFamily {
  template <uint32_t D, uint32_t S>
  static constexpr DimgPairRoutine kPair = &DimgBlitPair<D, S>;
};

constexpr DimgPairTable kBlitPairs = DimgMakePairTable<BlitFamily>();
}  // namespace

void DimgBlit(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight, const dbtl::DImage& src,
              uint32_t srcWidth, uint32_t srcHeight, uint8_t byte, uint8_t spare) {
  DimgDispatchPair(kBlitPairs, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, byte, spare);
}
