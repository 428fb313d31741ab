// Wipes: a greyscale mask image per file, shared by its wipes, each of which keeps a texture
// that shows where the mask passes a threshold level.

#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/ombLog.h"
#include "image/omb/ombImage.h"
#include "render/device/L3DDevice.h"
#include "render/sprite2/Sprite2ImageFile.h"
#include "render/sprite2/Sprite2Internal.h"

#include <algorithm>
#include <cstring>

namespace sprite2 {

namespace {

char16_t lower(char16_t c) {
  if (c >= u'A' && c <= u'Z') {
    return static_cast<char16_t>(c + (u'a' - u'A'));
  }
  if (c >= u'Ａ' && c <= u'Ｚ') {
    return static_cast<char16_t>(c + (u'ａ' - u'Ａ'));
  }
  return c;
}

WipeSource* loadSource(DeviceSet* set, uint32_t mode, const char16_t* path,
                       const std::u16string& key) {
  static const char kTag[] = "wipeLoad";
  ImageFile image(mode, path, kTag);
  if (!image) {
    return nullptr;
  }
  OMB_FILE* file = image.file();
  OMB_IMAGE_INFO& info = image.info();
  std::vector<uint8_t> pixels(static_cast<std::size_t>(info.width) * info.height * 4);
  if (ombImageLoad(&info, file, info.width * 4, 1, pixels.data(), info.height) < 0) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] ファイルを読み込めませんでした(%ls)", kTag, path);
    return nullptr;
  }
  WipeSource* source = new WipeSource{};
  source->width = info.width;
  source->height = info.height;
  source->name = key;
  source->set = set;
  // The mask is the pixel's brightness: dark parts pass a rising level first.
  source->mask.resize(static_cast<std::size_t>(info.width) * info.height);
  for (std::size_t i = 0; i < source->mask.size(); ++i) {
    const uint8_t* p = &pixels[i * 4];  // B, G, R, A
    source->mask[i] = static_cast<uint8_t>((p[2] * 77u + p[1] * 150u + p[0] * 29u) >> 8);
  }
  set->wipeSources.push_back(source);
  return source;
}

}  // namespace

void* wipeLoad(void* context, uint32_t mode, const char16_t* path) {
  static const char kTag[] = "wipeLoad";
  DeviceSet* set = static_cast<DeviceSet*>(context);
  std::u16string key;
  for (uint32_t i = 0; path[i] != 0 && i + 1 < OMB_SPRITE_PATH_UNITS; ++i) {
    key.push_back(lower(path[i]));
  }
  WipeSource* source = nullptr;
  for (WipeSource* s : set->wipeSources) {
    if (s->name == key) {
      source = s;
    }
  }
  if (source == nullptr && (source = loadSource(set, mode, path, key)) == nullptr) {
    return nullptr;
  }
  dbtl::rcptr<L3DTexture> texture =
      set->config.device->CreateTexture("", source->width, source->height);
  if (!texture) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] can't create texture", kTag);
    return nullptr;
  }
  if (texture->width != source->width || texture->height != source->height) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] invalid texture size(%ux%u)(%ux%u)", kTag,
                 texture->width, texture->height, source->width, source->height);
    return nullptr;
  }
  Wipe* wipe = new Wipe{};
  wipe->source = source;
  wipe->texture = texture;
  wipe->width = static_cast<float>(source->width);
  wipe->height = static_cast<float>(source->height);
  wipe->bytesPerPixel = texture->kind == 5 ? 2 : 4;
  wipe->level = wipe->currentLevel = 255;
  // The texture's contents are unknown until the first use: force a rebuild then.
  wipe->currentLevel = 0x100;
  source->wipes.push_back(wipe);
  return wipe;
}

void wipeSet(void* wipe, uint32_t mode, float level) {
  Wipe* w = static_cast<Wipe*>(wipe);
  w->mode = mode;
  const float clamped = level < 0.0f ? 0.0f : level > 1.0f ? 1.0f : level;
  w->level = static_cast<uint8_t>(clamped * 255.0f + 0.5f);
}

L3DTexture* wipeGetHandle(Wipe* w) {
  if (w->mode == w->currentMode && w->level == w->currentLevel) {
    return w->texture.Get();
  }
  if (w->mode > 3) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] can't support format", "wipeGetHandle");
    return w->texture.Get();
  }
  L3DTexture* t = w->texture.Get();
  int32_t pitch = 0;
  uint8_t* bits = static_cast<uint8_t*>(t->Lock(0, 0, t->width, t->height, pitch));
  const uint8_t level = static_cast<uint8_t>(w->level);
  for (uint32_t y = 0; y < t->height; ++y) {
    uint8_t* row = bits + static_cast<std::size_t>(y) * pitch;
    for (uint32_t x = 0; x < t->width; ++x) {
      const uint8_t m = w->source->mask[static_cast<std::size_t>(y) * w->source->width + x];
      bool on = false;
      switch (w->mode) {
        case 0: on = level < m; break;
        case 1: on = m < level; break;
        case 2: on = m == level; break;
        default: on = m != level; break;
      }
      std::memset(row + x * w->bytesPerPixel, on ? 255 : 0, w->bytesPerPixel);
    }
  }
  t->texture->UnlockRect(0);
  w->currentMode = w->mode;
  w->currentLevel = w->level;
  return t;
}

void wipeDestroy(void* wipe) {
  Wipe* w = static_cast<Wipe*>(wipe);
  WipeSource* source = w->source;
  source->wipes.erase(std::find(source->wipes.begin(), source->wipes.end(), w));
  delete w;
  if (source->wipes.empty()) {
    auto& list = source->set->wipeSources;
    list.erase(std::find(list.begin(), list.end(), source));
    delete source;
  }
}

}  // namespace sprite2
