#include "image/resample/DimgResampleMip.h"

#include "image/copy/CopyDispatch.h"

namespace {
struct MipFamily {
  template <uint32_t D, uint32_t S>
  static constexpr DimgPairRoutine kPair = &DimgResampleMipPair<D, S>;
};

constexpr DimgPairTable kMipPairs = DimgMakePairTable<MipFamily>();
}  // namespace

void DimgResampleMip(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight,
                     const dbtl::DImage& src, uint32_t srcWidth, uint32_t srcHeight, uint8_t byte,
                     uint8_t spare) {
  DimgDispatchPair(kMipPairs, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, byte, spare);
}
