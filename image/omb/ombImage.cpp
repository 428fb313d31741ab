#include "image/omb/ombImage.h"

#include "foundation/omb/ombCore.h"
#include "image/omb/ombImageContainer.h"
#include "image/omb/ombImageFormat.h"
#include "image/omb/ombImageHooks.h"
#include "image/omb/ombImagePng.h"

#include <cstring>
#include <iterator>

namespace {

// Written only by ombImageInit and ombImageUninit, which the host calls on the game thread.
struct ImageModule {
  bool initialised = false;
  OMB_IMAGE_INFO_HOOK infoHook = nullptr;
  OMB_IMAGE_LOADER loaders[2] = {nullptr, nullptr};  // by source; the container has none
};

ImageModule& module() {
  static ImageModule state;
  return state;
}

}  // namespace

OMB_IMAGE_INFO_HOOK ombImageInfoHook() {
  return module().infoHook;
}

OMB_IMAGE_LOADER ombImageLoader(uint32_t source) {
  return source < std::size(module().loaders) ? module().loaders[source] : nullptr;
}

int32_t ombImageInit() {
  ImageModule& state = module();
  if (state.initialised) {
    return 0;
  }
  state.initialised = true;
  state.infoHook = &ombImagePngGetInfo;
  state.loaders[OMB_IMAGE_SOURCE_HOOK] = &ombImagePngLoad;
  // Last, since a failure is a level-0 report, which the host turns into an exception: the
  // hooks are in place by then.
  ombRegisterUninit(&ombImageUninit);
  return 0;
}

void ombImageUninit() {
  module().initialised = false;
}

int32_t ombImageGetInfo(OMB_IMAGE_INFO* info, OMB_FILE* file) {
  std::memset(info, 0, sizeof *info);
  if (ombImageReadContainer(info, file)) {
    return OMB_OK;
  }
  std::memset(info, 0, sizeof *info);
  const OMB_IMAGE_INFO_HOOK hook = ombImageInfoHook();
  if (hook == nullptr || ombFileSeek(file, 0, OMB_FILE_SEEK_BEGIN) != OMB_OK ||
      hook(info, file) != OMB_OK || info->width == 0 || info->height == 0) {
    return OMB_ERR_NOT_FOUND;
  }
  info->source = OMB_IMAGE_SOURCE_HOOK;
  return OMB_OK;
}

int32_t ombImageLoad(OMB_IMAGE_INFO* info, OMB_FILE* file, uint32_t pitch, uint32_t format,
                     uint8_t* buffer, uint32_t rows) {
  if (info->width == 0 || info->height == 0) {
    return OMB_ERR_NOT_FOUND;
  }
  // Checked for every source: the layer images are written by the record's size, not the
  // decoded picture's.
  if (pitch < ombImageFormatRowBytes(format, info->width) ||
      rows < ombImageFormatRows(format, info->height)) {
    return OMB_ERR_CREATE;
  }
  if (info->source == OMB_IMAGE_SOURCE_CONTAINER) {
    return ombImageLoadContainer(info, file, pitch, format, buffer, rows);
  }
  return _ombImageRawLoadData(rows, buffer, format, pitch, info, file);
}
