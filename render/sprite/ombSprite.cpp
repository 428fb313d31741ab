#include "render/sprite/ombSprite.h"

#include "foundation/omb/ombLog.h"
#include "render/sprite/ombSpritePools.h"
#include "render/sprite/ombSpriteText.h"
#include "script/ScriptHandle.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

struct Module {
  bool initialised = false;
  OMB_LIST sets;
  OmbSpritePools pools;
};

Module& module() {
  static Module m;
  return m;
}

char16_t lowerPathUnit(char16_t c) {
  if (c >= u'A' && c <= u'Z') {
    return static_cast<char16_t>(c + (u'a' - u'A'));
  }
  if (c >= u'Ａ' && c <= u'Ｚ') {
    return static_cast<char16_t>(c + (u'ａ' - u'Ａ'));
  }
  return c;
}

OmbSpriteMatrix identity() {
  OmbSpriteMatrix m{};
  m.m[0][0] = m.m[1][1] = m.m[2][2] = 1.0f;
  return m;
}

}  // namespace

OmbSpritePools& ombSpritePools() {
  return module().pools;
}

void ombSpriteInit() {
  Module& m = module();
  if (m.initialised) {
    return;
  }
  ombListInit(&m.sets, offsetof(OmbSpriteDeviceSet, link));
  OmbSpritePools& p = m.pools;
  ombMempoolInit(&p.images, 128, sizeof(OmbSpriteImage), OMB_MEMPOOL_GROW);
  ombMempoolInit(&p.renderers, 4, sizeof(OmbSpriteRenderer), OMB_MEMPOOL_GROW);
  ombMempoolInit(&p.sprites, 512, sizeof(OmbSprite), OMB_MEMPOOL_GROW);
  ombMempoolInit(&p.rects, 256, sizeof(OmbSpriteRect), OMB_MEMPOOL_GROW);
  ombMempoolInit(&p.fonts, 8, sizeof(OmbSpriteFontEntry), OMB_MEMPOOL_GROW);
  ombMempoolInit(&p.chunks, 16, sizeof(OmbSpriteTextChunk), OMB_MEMPOOL_GROW);
  ombMempoolInit(&p.formats, 32, sizeof(OmbSpriteTextFormat), OMB_MEMPOOL_GROW);
  ombMempoolInit(&p.texts, 8, sizeof(OmbSpriteText), OMB_MEMPOOL_GROW);
  m.initialised = true;
  // The handle table must outlive the module's shut-down, which retires handles.
  scriptHandles();
  if (std::atexit(&ombSpriteUninit) != 0) {
    ombLogPuts(OMB_LOG_ERROR, u"Error: Can't initialized.");
  }
}

void ombSpriteUninit() {
  Module& m = module();
  if (!m.initialised) {
    return;
  }
  while (m.sets.count != 0) {
    ombSpriteDestroyDeviceSet(ombSpriteOf<OmbSpriteDeviceSet>(&m.sets, m.sets.head.next));
  }
  OmbSpritePools& p = m.pools;
  for (OMB_MEMPOOL* pool : {&p.images, &p.renderers, &p.sprites, &p.rects, &p.fonts, &p.chunks,
                            &p.formats, &p.texts}) {
    ombMempoolUninit(pool);
  }
  m.initialised = false;
}

OmbSpriteDeviceSet* ombSpriteCreateDeviceSet(const OmbSpriteDeviceOps* ops) {
  ombSpriteInit();
  OmbSpriteDeviceSet* set = new OmbSpriteDeviceSet{};
  set->ops = *ops;
  ombListInit(&set->images, offsetof(OmbSpriteImage, link));
  ombListInit(&set->fonts, offsetof(OmbSpriteFontEntry, link));
  ombListInit(&set->renderers, offsetof(OmbSpriteRenderer, link));
  set->cache.reserve(256);
  ombListAppend(&module().sets, &set->link);
  return set;
}

void ombSpriteDestroyDeviceSet(OmbSpriteDeviceSet* set) {
  while (set->renderers.count != 0) {
    ombSpriteDestroyRenderer(
        ombSpriteOf<OmbSpriteRenderer>(&set->renderers, set->renderers.head.next));
  }
  ombSpriteDestroyFontEntries(set);
  while (set->images.count != 0) {
    ombSpriteDestroyImage(ombSpriteOf<OmbSpriteImage>(&set->images, set->images.head.next));
  }
  ombSpriteUnlink(&module().sets, &set->link);
  delete set;
}

void ombSpriteUpdate(OmbSpriteDeviceSet* set) {
  for (OMB_LIST_LINK* l = set->renderers.head.next; l != &set->renderers.head; l = l->next) {
    ombSpriteUpdateRenderer(ombSpriteOf<OmbSpriteRenderer>(&set->renderers, l));
  }
}

void ombSpriteDraw(OmbSpriteDeviceSet* set) {
  for (OMB_LIST_LINK* l = set->renderers.head.next; l != &set->renderers.head; l = l->next) {
    ombSpriteDrawRenderer(ombSpriteOf<OmbSpriteRenderer>(&set->renderers, l));
  }
}

OmbSpriteImage* ombSpriteLoadImage(const char16_t* path, OmbSpriteDeviceSet* set) {
  std::u16string key;
  for (uint32_t i = 0; path[i] != 0 && i + 1 < OMB_SPRITE_PATH_UNITS; ++i) {
    key.push_back(lowerPathUnit(path[i]));
  }
  const auto hit = set->cache.find(key);
  if (hit != set->cache.end()) {
    ++hit->second->scriptRefs;
    return hit->second;
  }
  void* surface = set->ops.loadImage(set->ops.context, 0, path);
  if (surface == nullptr) {
    return nullptr;
  }
  OmbSpriteImage* image = ombSpritePoolNew<OmbSpriteImage>(ombSpritePools().images);
  if (image == nullptr) {
    set->ops.destroySurface(surface);
    return nullptr;
  }
  image->key = new char16_t[key.size() + 1];
  std::memcpy(image->key, key.c_str(), (key.size() + 1) * sizeof(char16_t));
  image->scriptRefs = 1;
  image->surface = surface;
  image->set = set;
  set->cache.emplace(key, image);
  ombListAppend(&set->images, &image->link);
  return image;
}

OmbSpriteImage* ombSpriteCreateTextImage(uint32_t width, uint32_t height, OmbSpriteDeviceSet* set) {
  void* surface = set->ops.createTextSurface(set->ops.context, width, height);
  if (surface == nullptr) {
    return nullptr;
  }
  OmbSpriteImage* image = ombSpritePoolNew<OmbSpriteImage>(ombSpritePools().images);
  if (image == nullptr) {
    set->ops.destroySurface(surface);
    return nullptr;
  }
  image->scriptRefs = 1;
  image->surface = surface;
  image->set = set;
  ombListAppend(&set->images, &image->link);
  return image;
}

void ombSpriteDestroyImage(OmbSpriteImage* image) {
  OmbSpriteDeviceSet* set = image->set;
  ombSpriteUnlink(&set->images, &image->link);
  set->ops.destroySurface(image->surface);
  if (image->key != nullptr) {
    set->cache.erase(std::u16string(image->key));
    delete[] image->key;
  }
  scriptHandles().remove(image->handle);
  ombSpritePoolDelete(ombSpritePools().images, image);
}

void ombSpriteReleaseImage(OmbSpriteImage* image) {
  if (image->scriptRefs != 0 && --image->scriptRefs == 0 && image->rectRefs == 0) {
    ombSpriteDestroyImage(image);
  }
}

OmbSpriteRenderer* ombSpriteCreateRenderer(OmbSpriteDeviceSet* set, uint32_t width,
                                           uint32_t height, uint32_t levelCount) {
  uint32_t screenWidth = 0;
  uint32_t screenHeight = 0;
  set->ops.screenSize(&screenWidth, &screenHeight, set->ops.context);
  OmbSpriteRenderer* r = ombSpritePoolNew<OmbSpriteRenderer>(ombSpritePools().renderers);
  if (r == nullptr) {
    return nullptr;
  }
  r->width = width == 0 ? screenWidth : width;
  r->height = height == 0 ? screenHeight : height;
  r->budget = 256;
  const float sx = r->width == screenWidth ? 1.0f
                                            : static_cast<float>(screenWidth) /
                                                  static_cast<float>(r->width);
  const float sy = r->height == screenHeight ? 1.0f
                                              : static_cast<float>(screenHeight) /
                                                    static_cast<float>(r->height);
  const float shifts[4][2] = {{0.0f, 0.0f},
                              {static_cast<float>(r->width), 0.0f},
                              {0.0f, static_cast<float>(r->height)},
                              {static_cast<float>(r->width), static_cast<float>(r->height)}};
  for (int i = 0; i < 4; ++i) {
    OmbSpriteDerived& root = r->roots[i];
    root.world = identity();
    root.world.m[3][0] = shifts[i][0];
    root.world.m[3][1] = shifts[i][1];
    // Times diag(sx, sy, 0) on the right: columns scaled, the z column gone.
    for (int row = 0; row < 4; ++row) {
      root.world.m[row][0] *= sx;
      root.world.m[row][1] *= sy;
      root.world.m[row][2] = 0.0f;
    }
    root.blend = 0;
    root.alphaTest = 0;
    root.threshold = 1.0f;
    root.scaling = 0;
    root.color[0] = root.color[1] = root.color[2] = root.color[3] = 1.0f;
    root.speed = 1.0f;
  }
  ombListInit(&r->formats, offsetof(OmbSpriteTextFormat, link));
  ombListInit(&r->rects, offsetof(OmbSpriteRect, link));
  ombListInit(&r->pendingTexts, offsetof(OmbSpriteRect, textLink));
  ombListInit(&r->shownRoots, offsetof(OmbSprite, siblingLink));
  ombListInit(&r->hiddenRoots, offsetof(OmbSprite, siblingLink));
  r->levelCount = levelCount;
  r->levels = new OMB_LIST[levelCount == 0 ? 1 : levelCount];
  for (uint32_t i = 0; i < levelCount; ++i) {
    ombListInit(&r->levels[i], offsetof(OmbSprite, levelLink));
  }
  r->set = set;
  ombListAppend(&set->renderers, &r->link);
  return r;
}

void ombSpriteDestroyRenderer(OmbSpriteRenderer* r) {
  for (OMB_LIST* roots : {&r->hiddenRoots, &r->shownRoots}) {
    while (roots->count != 0) {
      ombSpriteDestroy(ombSpriteOf<OmbSprite>(roots, roots->head.next));
    }
  }
  // Children released while their parents went have been destroyed with them; children still
  // held by the script became roots and fell into the loops above. Both loops run again in
  // case a shown root's child became a hidden root after the hidden loop had finished.
  while (r->hiddenRoots.count != 0 || r->shownRoots.count != 0) {
    OMB_LIST* roots = r->hiddenRoots.count != 0 ? &r->hiddenRoots : &r->shownRoots;
    ombSpriteDestroy(ombSpriteOf<OmbSprite>(roots, roots->head.next));
  }
  delete[] r->levels;
  r->levels = nullptr;
  while (r->rects.count != 0) {
    ombSpriteDestroyRect(ombSpriteOf<OmbSpriteRect>(&r->rects, r->rects.head.next));
  }
  ombSpriteFreeTextFormats(r);
  ombSpriteUnlink(&r->set->renderers, &r->link);
  scriptHandles().remove(r->handle);
  ombSpritePoolDelete(ombSpritePools().renderers, r);
}

void ombSpriteSetRendererSpeed(OmbSpriteRenderer* r, float speed) {
  for (OmbSpriteDerived& root : r->roots) {
    root.speed = speed;
  }
  const float scaled = std::round(speed * 256.0f);
  r->budget = scaled <= 0.0f ? 0u : scaled >= 4294967295.0f ? 0xFFFFFFFFu
                                                             : static_cast<uint32_t>(scaled);
}

OmbSpriteRect* ombSpriteCreateRect(OmbSpriteImage* image, OmbSpriteRenderer* renderer, uint32_t x,
                                   uint32_t y, uint32_t width, uint32_t height, int32_t originX,
                                   int32_t originY) {
  uint32_t w = 0;
  uint32_t h = 0;
  image->set->ops.surfaceSize(&w, &h, image->surface);
  // Clipped in 64 bits: a huge width must not wrap round to a small one.
  x = x < w ? x : w;
  if (static_cast<uint64_t>(x) + width > w) {
    width = w - x;
  }
  y = y < h ? y : h;
  if (static_cast<uint64_t>(y) + height > h) {
    height = h - y;
  }
  OmbSpriteRect* rect = ombSpritePoolNew<OmbSpriteRect>(ombSpritePools().rects);
  if (rect == nullptr) {
    return nullptr;
  }
  rect->scriptRefs = 1;
  rect->image = image;
  ++image->rectRefs;
  rect->x = x;
  rect->y = y;
  rect->width = width;
  rect->height = height;
  rect->originX = originX;
  rect->originY = originY;
  rect->renderer = renderer;
  ombListAppend(&renderer->rects, &rect->link);
  return rect;
}

void ombSpriteDestroyRect(OmbSpriteRect* rect) {
  ombSpriteCancelText(rect);
  ombSpriteUnlink(&rect->renderer->rects, &rect->link);
  OmbSpriteImage* image = rect->image;
  if (image->rectRefs != 0 && --image->rectRefs == 0 && image->scriptRefs == 0) {
    ombSpriteDestroyImage(image);
  }
  scriptHandles().remove(rect->handle);
  ombSpritePoolDelete(ombSpritePools().rects, rect);
}

void ombSpriteReleaseRect(OmbSpriteRect* rect) {
  if (rect->scriptRefs != 0 && --rect->scriptRefs == 0 && rect->spriteRefs == 0) {
    ombSpriteDestroyRect(rect);
  }
}
