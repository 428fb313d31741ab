#pragma once

// A device layer for the framework sprite system that records what it is asked: surfaces with
// a size and kind, loads per path, batches handed over, fills and glyphs drawn. Fonts advance
// by a fixed width per character and have a fixed line height.

#include "render/sprite/ombSprite.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace spritetest {

struct Surface {
  uint32_t kind;
  uint32_t width, height;
};

struct Batch {
  void* surface;
  uint32_t filter, blend, alphaTest;
  float threshold;
  std::vector<OmbSpriteVertex> vertices;
};

struct Glyph {
  void* surface;
  uint32_t x, y, boxWidth, boxHeight;
  char16_t character;
};

struct Fill {
  uint32_t x, y, width, height;
};

struct Font {
  uint32_t size;
  char16_t last = 0;
};

struct FakeDevice {
  uint32_t screenWidth = 640, screenHeight = 480;
  uint32_t imageWidth = 256, imageHeight = 128;
  uint32_t advance = 10, lineHeight = 16;
  bool failFonts = false;
  std::map<std::u16string, int> loads;
  std::vector<std::unique_ptr<Surface>> surfaces;
  int liveSurfaces = 0;
  int fontsMade = 0, fontsDestroyed = 0;
  std::vector<std::vector<Batch>> renders;  // one entry per render call
  std::vector<Glyph> glyphs;
  std::vector<Fill> fills;
  int begins = 0, ends = 0;

  OmbSpriteDeviceOps ops();
};

inline FakeDevice* self(void* context) {
  return static_cast<FakeDevice*>(context);
}

inline FakeDevice*& current() {
  static FakeDevice* device = nullptr;
  return device;
}

inline OmbSpriteDeviceOps FakeDevice::ops() {
  current() = this;
  OmbSpriteDeviceOps o{};
  o.context = this;
  o.screenSize = [](uint32_t* w, uint32_t* h, void* c) {
    *w = self(c)->screenWidth;
    *h = self(c)->screenHeight;
  };
  o.begin = [](void* c) { ++self(c)->begins; };
  o.end = [](void* c) { ++self(c)->ends; };
  o.render = [](void* c, OmbSpriteBatch* batches, uint32_t count) {
    std::vector<Batch> call;
    for (uint32_t i = 0; i < count; ++i) {
      const OmbSpriteBatch& b = batches[i];
      call.push_back({b.surface, b.filter, b.blend, b.alphaTest, b.threshold,
                      std::vector<OmbSpriteVertex>(b.vertices, b.vertices + b.vertexCount)});
    }
    self(c)->renders.push_back(std::move(call));
  };
  o.loadImage = [](void* c, uint32_t, const char16_t* path) -> void* {
    FakeDevice* d = self(c);
    if (std::u16string(path).find(u"missing") != std::u16string::npos) {
      return nullptr;
    }
    ++d->loads[path];
    d->surfaces.push_back(std::make_unique<Surface>(Surface{0, d->imageWidth, d->imageHeight}));
    ++d->liveSurfaces;
    return d->surfaces.back().get();
  };
  o.createTextSurface = [](void* c, uint32_t w, uint32_t h) -> void* {
    FakeDevice* d = self(c);
    d->surfaces.push_back(std::make_unique<Surface>(Surface{1, w, h}));
    ++d->liveSurfaces;
    return d->surfaces.back().get();
  };
  o.destroySurface = [](void*) { --current()->liveSurfaces; };
  o.surfaceKind = [](void* s) { return static_cast<Surface*>(s)->kind; };
  o.surfaceSize = [](uint32_t* w, uint32_t* h, void* s) {
    *w = static_cast<Surface*>(s)->width;
    *h = static_cast<Surface*>(s)->height;
  };
  o.beginEdit = [](void*) {};
  o.endEdit = [](void*) {};
  o.fillSurface = [](void*, uint32_t x, uint32_t y, uint32_t w, uint32_t h, float, float, float,
                     float) { current()->fills.push_back({x, y, w, h}); };
  o.createFont = [](void* c, uint32_t size, uint32_t) -> void* {
    FakeDevice* d = self(c);
    if (d->failFonts) {
      return nullptr;
    }
    ++d->fontsMade;
    return new Font{size};
  };
  o.destroyFont = [](void* f) {
    ++current()->fontsDestroyed;
    delete static_cast<Font*>(f);
  };
  o.renderGlyph = [](void* f, char16_t ch) {
    static_cast<Font*>(f)->last = ch;
    return 1;
  };
  o.drawGlyph = [](void* s, uint32_t x, uint32_t y, uint32_t bw, uint32_t bh, float, float, float,
                   void* f, const uint8_t*) {
    current()->glyphs.push_back({s, x, y, bw, bh, static_cast<Font*>(f)->last});
    return 1;
  };
  o.fontMetrics = [](uint32_t* advance, uint32_t* lineHeight, void*) {
    *advance = current()->advance;
    *lineHeight = current()->lineHeight;
  };
  return o;
}

}  // namespace spritetest
