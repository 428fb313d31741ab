#include "image/copy/DimgMergeAlpha.h"

#include "image/DImageKind.h"
#include "image/PixelKind.h"
#include "image/copy/CopyDriver.h"

#include <initializer_list>

namespace {

// Source and destination have one pixel size and one place of the alpha; the routine of a kind
// serves every kind that shares them.
template <uint32_t D, uint32_t S>
struct InvertAlphaRule {
  static void Apply(const uint8_t* src, uint8_t* dst, uint8_t /*constant*/) {
    DimgPixelKind<D>::WriteAlpha(static_cast<uint8_t>(255 - DimgPixelKind<S>::Decode(src).a), dst);
  }
};

template <uint32_t K>
using InvertPath =
    DimgFamilyPath<InvertAlphaRule, DimgSkipPath<DimgPixelKind<K>::kBytes, DimgPixelKind<K>::kBytes>,
                   K, K>;

// Bit k set: the routine serves kind k.
constexpr uint32_t Kinds(std::initializer_list<uint32_t> kinds) {
  uint32_t mask = 0;
  for (uint32_t k : kinds) {
    mask |= 1u << k;
  }
  return mask;
}

bool Serves(uint32_t kinds, const dbtl::DImage& image) {
  const uint32_t kind = image.GetKind();
  return DimgKindValid(kind) && (kinds >> kind & 1u) != 0;
}

template <uint32_t K>
void MergeAlpha(uint32_t kinds, uint8_t* dstBits, const dbtl::DImage& dstImage,
                const uint8_t* srcBits, const dbtl::DImage& srcImage, uint32_t width,
                uint32_t height) {
  if (!Serves(kinds, dstImage) || !Serves(kinds, srcImage)) {
    return;
  }
  DimgCopyRect<InvertPath<K>>(dstBits, dstImage, 0, 0, srcBits, srcImage, 0, 0, width, height, 0);
}

}  // namespace

void DimgMergeAlpha32(uint8_t* dstBits, const dbtl::DImage& dstImage, const uint8_t* srcBits,
                      const dbtl::DImage& srcImage, uint32_t width, uint32_t height,
                      uint8_t /*byte*/) {
  MergeAlpha<DImageKindRGBA8>(Kinds({DImageKindRGBA8, DImageKindBGRA8}), dstBits, dstImage,
                              srcBits, srcImage, width, height);
}

void DimgMergeAlpha24(uint8_t* dstBits, const dbtl::DImage& dstImage, const uint8_t* srcBits,
                      const dbtl::DImage& srcImage, uint32_t width, uint32_t height,
                      uint8_t /*byte*/) {
  MergeAlpha<DImageKindRGB8>(Kinds({DImageKindRGB8, DImageKindBGR8, DImageKindYCrCb}), dstBits,
                             dstImage, srcBits, srcImage, width, height);
}

void DimgMergeAlpha1555(uint8_t* dstBits, const dbtl::DImage& dstImage, const uint8_t* srcBits,
                        const dbtl::DImage& srcImage, uint32_t width, uint32_t height,
                        uint8_t /*byte*/) {
  MergeAlpha<DImageKindA1R5G5B5>(Kinds({DImageKindA1R5G5B5}), dstBits, dstImage, srcBits,
                                 srcImage, width, height);
}

void DimgMergeAlpha4444(uint8_t* dstBits, const dbtl::DImage& dstImage, const uint8_t* srcBits,
                        const dbtl::DImage& srcImage, uint32_t width, uint32_t height,
                        uint8_t /*byte*/) {
  MergeAlpha<DImageKindA4R4G4B4>(Kinds({DImageKindA4R4G4B4}), dstBits, dstImage, srcBits,
                                 srcImage, width, height);
}

void DimgMergeAlpha565(uint8_t* dstBits, const dbtl::DImage& dstImage, const uint8_t* srcBits,
                       const dbtl::DImage& srcImage, uint32_t width, uint32_t height,
                       uint8_t /*byte*/) {
  MergeAlpha<DImageKindR5G6B5>(Kinds({DImageKindR5G6B5}), dstBits, dstImage, srcBits, srcImage,
                               width, height);
}
