#include "image/resample/DimgResample.h"

#include "foundation/dbtl/DThrowBadAlloc.h"
#include "image/copy/CopyDispatch.h"

namespace dimg_detail {
void CreateResampleTemporary(dbtl::DImage& image, uint32_t width, uint32_t height) {
  if (!image.CreateDefaultPitch(width, height, DImageKindRGBA8)) {
    dbtl::DThrowBadAlloc();
  }
}
}  // namespace dimg_detail

namespace {
struct ResampleFamily {
  template <uint32_t D, uint32_t S>
  static constexpr DimgPairRoutine kPair = &DimgResamplePair<D, S>;
};

constexpr DimgPairTable kResamplePairs = DimgMakePairTable<ResampleFamily>();
}  // namespace

void DimgResample(dbtl::DImage& dst, uint32_t dstWidth, uint32_t dstHeight,
                  const dbtl::DImage& src, uint32_t srcWidth, uint32_t srcHeight, uint8_t byte,
                  uint8_t spare) {
  DimgDispatchPair(kResamplePairs, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, byte,
                   spare);
}
