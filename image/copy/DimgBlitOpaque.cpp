#include "image/copy/DimgBlitOpaque.h"

#include "image/copy/CopyDispatch.h"

namespace {
struct OpaqueFamily {
  template <uint32_t D, uint32_t S>
  static constexpr DimgPairRoutine kPair = &DimgBlitOpaquePair<D, S>;
};

constexpr DimgPairTable kOpaquePairs = DimgMakePairTable<OpaqueFamily>();
}  // namespace

void DimgBlitOpaque(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight,
                    const dbtl::DImage& src, uint32_t srcWidth, uint32_t srcHeight, uint8_t alpha,
                    uint8_t spare) {
  DimgDispatchPair(kOpaquePairs, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, alpha,
                   spare);
}
