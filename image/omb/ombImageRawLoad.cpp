#include "foundation/omb/ombCheckedMath.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "image/omb/ombImage.h"
#include "image/omb/ombImageFormat.h"
#include "image/omb/ombImageGamma.h"
#include "image/omb/ombImageHooks.h"
#include "image/omb/ombImageSibling.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr const char* kTag = "_ombImageRawLoadData";

struct Layer {
  const char16_t* suffix;
  uint32_t channel;      // replaced in the image
  uint32_t fromChannel;  // taken from the layer's decoded pixels
};

// The alpha layer is a grey picture: its green carries the value.
constexpr Layer kLayers[] = {
    {u"_r", OMB_IMAGE_CHANNEL_R, OMB_IMAGE_CHANNEL_R},
    {u"_g", OMB_IMAGE_CHANNEL_G, OMB_IMAGE_CHANNEL_G},
    {u"_b", OMB_IMAGE_CHANNEL_B, OMB_IMAGE_CHANNEL_B},
    {u"_a", OMB_IMAGE_CHANNEL_A, OMB_IMAGE_CHANNEL_G},
};

struct FreeDeleter {
  void operator()(uint8_t* block) const { std::free(block); }
};

// The layer's channel replaces the image's: colour through the gamma table, alpha through the
// alpha mode.
void replaceChannel(const Layer& layer, const uint8_t* pixels, const OMB_IMAGE_INFO& info,
                    const OmbImageGammaTable& gamma, uint8_t* buffer, uint32_t pitch,
                    uint32_t format) {
  const uint32_t step = ombImagePixelBytes(format);
  for (uint32_t y = 0; y < info.height; ++y) {
    uint8_t* out = buffer + size_t{y} * pitch;
    for (uint32_t x = 0; x < info.width; ++x, out += step, pixels += 4) {
      const uint8_t value = pixels[layer.fromChannel];
      const uint8_t mapped = layer.channel == OMB_IMAGE_CHANNEL_A
                                 ? ombImageAlphaByMode(info.alphaMode, value)
                                 : gamma.level[value];
      ombImageSetChannel(out, format, layer.channel, mapped);
    }
  }
}

// One layer file, when it exists: 1, or the failure's code after its message.
int32_t applyLayer(const Layer& layer, const std::u16string& base, const OmbImageGammaTable& gamma,
                   const OMB_IMAGE_INFO& info, uint8_t* buffer, uint32_t pitch, uint32_t format) {
  const std::u16string name = base + layer.suffix;
  if (ombFileIsImageExist(name.c_str()) != OMB_OK) {
    return OMB_OK;
  }
  const OmbImageFile file(ombFileOpenImage(name.c_str(), OMB_FILE_MODE_READ));
  if (!file) {
    ombLogPrintf(OMB_LOG_INFORMATION, u"Information: [%s] can't open a layer file \"%ls\"", kTag,
                 name.c_str());
    return OMB_ERR_NOT_FOUND;
  }
  OMB_IMAGE_INFO layerInfo{};
  const OMB_IMAGE_INFO_HOOK hook = ombImageInfoHook();
  if (hook == nullptr || hook(&layerInfo, file.get()) != OMB_OK) {
    ombLogPrintf(OMB_LOG_INFORMATION, u"Information: [%s] can't load a layer info \"%ls\"", kTag,
                 name.c_str());
    return OMB_ERR_NOT_FOUND;
  }
  if (layerInfo.width != info.width || layerInfo.height != info.height) {
    ombLogPrintf(OMB_LOG_INFORMATION,
                 u"Information: [%s] invalid size \"%ls\" (image %ux%u) (alpha %ux%u)", kTag,
                 name.c_str(), info.width, info.height, layerInfo.width, layerInfo.height);
    return OMB_ERR_NOT_FOUND;
  }
  // The hook left the view behind the layer's header; its loader reads from the signature.
  const OMB_IMAGE_LOADER loader = ombImageLoader(layerInfo.source);
  size_t rowBytes = 0;
  size_t bytes = 0;
  int32_t result = OMB_ERR_NOT_FOUND;
  std::unique_ptr<uint8_t, FreeDeleter> pixels;
  if (loader != nullptr && ombCheckedMul(info.width, 4, &rowBytes) && rowBytes <= UINT32_MAX &&
      ombCheckedMul(rowBytes, info.height, &bytes) && ombIsAllocatableSize(bytes) &&
      ombFileSeek(file.get(), 0, OMB_FILE_SEEK_BEGIN) == OMB_OK) {
    pixels.reset(static_cast<uint8_t*>(ombCheckAlloc(std::malloc(bytes))));
    if (pixels) {
      result = loader(pixels.get(), OMB_IMAGE_FORMAT_RGBA8, static_cast<uint32_t>(rowBytes),
                      info.height, &layerInfo, file.get(), 0);
    }
  }
  if (result != OMB_OK) {
    ombLogPrintf(OMB_LOG_INFORMATION, u"Information: [%s] can't read a layer image \"%ls\"", kTag,
                 name.c_str());
    return result;
  }
  replaceChannel(layer, pixels.get(), info, gamma, buffer, pitch, format);
  return OMB_OK;
}

}  // namespace

int32_t _ombImageRawLoadData(uint32_t rows, uint8_t* buffer, uint32_t format, uint32_t pitch,
                             OMB_IMAGE_INFO* info, OMB_FILE* file) {
  // The information hook read the file's header and left the view there; the picture is
  // decoded from its start.
  const OMB_IMAGE_LOADER loader = ombImageLoader(info->source);
  if (loader == nullptr || ombFileSeek(file, 0, OMB_FILE_SEEK_BEGIN) != OMB_OK) {
    return OMB_ERR_NOT_FOUND;
  }
  const int32_t decoded =
      loader(buffer, format, pitch, rows, info, file, OMB_IMAGE_LOAD_GAMMA | OMB_IMAGE_LOAD_ALPHA);
  if (decoded != OMB_OK) {
    return decoded;
  }
  OmbImageGammaTable gamma;
  ombImageMakeGammaTable(info->gamma, &gamma);
  const std::u16string base = ombImagePathWithExtension(file, nullptr);
  if (base.empty()) {
    return OMB_OK;
  }
  for (const Layer& layer : kLayers) {
    // Format 4 has no alpha field.
    if (layer.channel == OMB_IMAGE_CHANNEL_A && format > OMB_IMAGE_FORMAT_ARGB1555) {
      continue;
    }
    const int32_t result = applyLayer(layer, base, gamma, *info, buffer, pitch, format);
    if (result != OMB_OK) {
      return result;
    }
  }
  return OMB_OK;
}
