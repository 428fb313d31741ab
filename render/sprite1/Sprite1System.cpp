// The system, its images and renderers, rects and the chain of non-empty levels.

#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"
#include "render/sprite1/sprite1.h"
#include "script/ScriptHandle.h"

#include <cstddef>
#include <new>

namespace sprite1 {

namespace {

constexpr uint32_t kRectsPerChunk = 64;

template <class T>
T* firstOf(OMB_LIST* list) {
  return static_cast<T*>(ombListGetFirst(list));
}

void retire(int32_t& handle) {
  scriptHandles().remove(handle);
  handle = 0;
}

}  // namespace

void systemCreate(System* system, const SystemConfig& config) {
  system->owned = true;
  system->config = config;
  ombListInit(&system->images, offsetof(Image, link));
  ombListInit(&system->fonts, offsetof(Font, link));
  ombListInit(&system->renderers, offsetof(Renderer, link));
  system->vertices = std::make_unique<L3D_RENDERER_VERTEX[]>(kWorkVertices);
  system->indices = std::make_unique<uint16_t[]>(kWorkIndices);
  system->blend = 0;
}

void systemDestroy(System* system) {
  if (!system->owned) return;
  system->vertices.reset();
  system->indices.reset();
  while (Renderer* r = firstOf<Renderer>(&system->renderers)) rendererDestroy(r);
  while (Font* f = firstOf<Font>(&system->fonts)) fontDestroy(f);
  while (Image* i = firstOf<Image>(&system->images)) imageDestroy(i);
  system->owned = false;
}

// Images.

void imageInit(Image* image, System* system, dbtl::rcptr<L3DTexture> texture, uint8_t dynamic) {
  image->owner = system;
  image->texture = std::move(texture);
  image->dynamic = dynamic;
  if (image->texture) {
    const uint32_t scale = dynamic != 0 ? 1 : system->config.resourceScale;
    image->width = static_cast<int32_t>(image->texture->width * scale);
    image->height = static_cast<int32_t>(image->texture->height * scale);
  } else {
    image->width = image->height = 1;
  }
  ombListAppend(&system->images, &image->link);
}

Image* imageLoad(const char16_t* directory, System* system, const char16_t* name) {
  dbtl::rcptr<L3DTexture> texture;
  if (system->config.loadTexture != nullptr) {
    texture = system->config.loadTexture(system->config.loaderContext, directory, name);
  }
  Image* image = new Image;
  imageInit(image, system, std::move(texture), 0);
  return image;
}

Image* imageCreateDynamic(System* system, int32_t width, int32_t height) {
  L3DDevice& device = *system->config.renderer->GetDevice();
  Image* image = new Image;
  // A size a script got wrong (0 or negative) makes an image without a texture instead of a
  // texture of some four billion pixels.
  dbtl::rcptr<L3DTexture> texture;
  if (width > 0 && height > 0) {
    texture = device.CreateTexture("", static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  }
  imageInit(image, system, std::move(texture), 1);
  return image;
}

void imageDestroy(Image* image) {
  retire(image->handle);
  ombListRemove(&image->owner->images, &image->link);
  delete image;
}

dbtl::rcptr<L3DTexture> imageGetTexture(const Image* image) {
  return image->texture;
}

// Fonts.

Font* fontHandleCreate(System* system, int32_t size) {
  const L3DDevice& device = *system->config.renderer->GetDevice();
  Font* font = new Font;
  font->owner = system;
  font->context = fontCreate(size, device.GetAlphaTextureKind() != 5);
  ombListAppend(&system->fonts, &font->link);
  return font;
}

void fontDestroy(Font* font) {
  retire(font->handle);
  fontContextDestroy(font->context);
  ombListRemove(&font->owner->fonts, &font->link);
  delete font;
}

// Renderers.

void rendererInit(Renderer* renderer, System* system, int32_t width, int32_t height,
                  int32_t levelCount) {
  renderer->owner = system;
  renderer->width = width;
  renderer->height = height;
  // A renderer always has a level 0, where every new rect starts.
  renderer->levelCount = levelCount > 0 ? levelCount : 1;
  renderer->levels = new Level[static_cast<size_t>(renderer->levelCount)];
  for (int32_t i = 0; i < renderer->levelCount; ++i) {
    ombListInit(&renderer->levels[i].rects, offsetof(Rect, levelLink));
  }
  renderer->first = -1;
  const float w = static_cast<float>(system->config.screenWidth);
  const float h = static_cast<float>(system->config.screenHeight);
  renderer->hx = static_cast<float>(width) / w * 0.5f;
  renderer->hy = static_cast<float>(height) / h * 0.5f;
  ombMempoolInit(&renderer->pool, kRectsPerChunk, sizeof(Rect), OMB_MEMPOOL_GROW);
  ombListAppend(&system->renderers, &renderer->link);
}

Renderer* rendererCreate(System* system, int32_t width, int32_t height, int32_t levelCount) {
  Renderer* renderer = new Renderer;
  rendererInit(renderer, system, width, height, levelCount);
  return renderer;
}

void rendererDestroy(Renderer* renderer) {
  retire(renderer->handle);
  while (renderer->first >= 0) {
    rectFree(firstOf<Rect>(&renderer->levels[renderer->first].rects));
  }
  ombMempoolUninit(&renderer->pool);
  ombListRemove(&renderer->owner->renderers, &renderer->link);
  delete[] renderer->levels;
  delete renderer;
}

// Rects.

void rectInit(Rect* rect, Renderer* renderer, Image* image) {
  rect->owner = renderer;
  rect->image = image;
  rect->texture = image != nullptr ? image->texture : dbtl::rcptr<L3DTexture>();
  rect->imageWidth = image != nullptr ? image->width : 1;
  rect->imageHeight = image != nullptr ? image->height : 1;
  rect->level = -1;
  rectSetLevel(rect, 0);
  for (L3D_RENDERER_VERTEX& v : rect->vertices) {
    v = L3D_RENDERER_VERTEX{};
    v.colour = 0xFFFFFFFFu;
  }
  rect->flags = SPRITE1_RECT_ENABLE | SPRITE1_RECT_DIRTY_DRAW | SPRITE1_RECT_DIRTY_MAP;
  rect->pivotX = rect->pivotY = 0;
  rect->drawX = rect->drawY = rect->drawWidth = rect->drawHeight = 0;
  rect->rotation = 0.0f;
  rect->mapX = rect->mapY = rect->mapWidth = rect->mapHeight = 0;
  rect->blend = 0;
  rect->handle = 0;
}

Rect* rectCreate(Renderer* renderer, Image* image) {
  void* block = ombMempoolAllocateBlock(&renderer->pool);
  if (block == nullptr) {
    ombMempoolReportExhausted();
    return nullptr;
  }
  Rect* rect = new (block) Rect;
  rectInit(rect, renderer, image);
  return rect;
}

void rectFree(Rect* rect) {
  retire(rect->handle);
  rectUnlinkLevel(rect);
  Renderer* renderer = rect->owner;
  rect->~Rect();
  ombMempoolReleaseBlock(&renderer->pool, rect);
}

void rectUnlinkLevel(Rect* rect) {
  if (rect->level < 0) return;
  Renderer* r = rect->owner;
  Level& level = r->levels[rect->level];
  if (level.rects.count == 1) {
    if (level.previous >= 0) {
      r->levels[level.previous].next = level.next;
    } else {
      r->first = level.next;
    }
    if (level.next >= 0) r->levels[level.next].previous = level.previous;
    level.previous = level.next = -1;
  }
  ombListRemove(&level.rects, &rect->levelLink);
  rect->level = -1;
}

void rectSetLevel(Rect* rect, int32_t index) {
  rectUnlinkLevel(rect);
  Renderer* r = rect->owner;
  if (index < 0) index = 0;
  if (index >= r->levelCount) index = r->levelCount - 1;
  rect->level = index;
  Level& level = r->levels[index];
  if (level.rects.count == 0) {
    int32_t below = index - 1;
    while (below >= 0 && r->levels[below].rects.count == 0) --below;
    if (below >= 0) {
      level.previous = below;
      level.next = r->levels[below].next;
      r->levels[below].next = index;
      if (level.next >= 0) r->levels[level.next].previous = index;
    } else {
      level.previous = -1;
      r->first = index;
      int32_t above = index + 1;
      while (above < r->levelCount && r->levels[above].rects.count == 0) ++above;
      level.next = above < r->levelCount ? above : -1;
      if (level.next >= 0) r->levels[level.next].previous = index;
    }
  }
  ombListAppend(&level.rects, &rect->levelLink);
}

uint8_t colorFloatToByte(float value) {
  if (value <= 0.0f) return 0;
  if (value >= 1.0f) return 255;
  return static_cast<uint8_t>(value * 255.0f + 0.5f);
}

void rectSetColor(Rect* rect, float r, float g, float b) {
  const uint32_t rgb = uint32_t{colorFloatToByte(r)} << 16 | uint32_t{colorFloatToByte(g)} << 8 |
                       colorFloatToByte(b);
  for (L3D_RENDERER_VERTEX& v : rect->vertices) v.colour = (v.colour & 0xFF000000u) | rgb;
}

void rectSetAlpha(Rect* rect, float a) {
  const uint32_t alpha = uint32_t{colorFloatToByte(a)} << 24;
  for (L3D_RENDERER_VERTEX& v : rect->vertices) v.colour = (v.colour & 0x00FFFFFFu) | alpha;
}

}  // namespace sprite1
