#include "image/copy/CopyDispatch.h"

void DimgDispatchPair(const DimgPairTable& table, dbtl::DImage& dst, uint32_t dstWidth,
                      uint32_t dstHeight, const dbtl::DImage& src, uint32_t srcWidth,
                      uint32_t srcHeight, uint8_t constant, uint8_t spare) {
  const uint32_t dstKind = dst.GetKind();
  if (!DimgKindValid(dstKind)) {
    return;
  }
  const uint32_t srcKind = src.GetKind();
  if (!DimgKindValid(srcKind)) {
    return;
  }
  uint8_t* dstBits = dst.GetBits();
  const uint8_t* srcBits = src.GetBits();
  table[dstKind * DImageKindCount + srcKind](dstBits, dst, dstWidth, dstHeight, srcBits, src,
                                             srcWidth, srcHeight, constant, spare);
  src.EndAccess();
  dst.EndAccess();
}
