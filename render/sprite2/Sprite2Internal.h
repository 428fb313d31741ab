#pragma once

#include "foundation/dbtl/rcptr.h"
#include "render/device/L3DTexture.h"
#include "render/sprite2/sprite2.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CACHE_H

#include <cstdint>
#include <string>
#include <vector>

namespace sprite2 {

struct DeviceSet;

struct Surface {
  dbtl::rcptr<L3DTexture> texture;
  uint32_t kind;  // 0 image, 1 text
  uint32_t width, height;  // logical
  DeviceSet* set;
};

struct Font {
  DeviceSet* set;
  uint32_t pixelSize;
  uint32_t advance;  // whole pixels of the last rendered glyph
  uint32_t carry;    // the fraction the pen still owes, 16.16
  uint32_t lineHeight;
  int32_t ascender;
  FTC_ImageTypeRec type;
  FT_BitmapGlyph glyph;
};

struct WipeSource;

struct Wipe {
  WipeSource* source;
  dbtl::rcptr<L3DTexture> texture;
  float width, height;
  uint32_t bytesPerPixel;
  uint32_t mode, level;
  uint32_t currentMode, currentLevel;
};

struct WipeSource {
  std::vector<uint8_t> mask;
  uint32_t width, height;
  std::u16string name;
  std::vector<Wipe*> wipes;
  DeviceSet* set;
};

// A vertex of the FVF XYZRHW | DIFFUSE | TEX2 layout, 36 bytes.
struct Vertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u0, v0, u1, v1;
};
static_assert(sizeof(Vertex) == 36);

inline constexpr uint32_t kVertices = 512;
inline constexpr uint32_t kIndices = 3072;

struct DeviceSet {
  DeviceSetConfig config;
  std::vector<Surface*> surfaces;
  std::vector<WipeSource*> wipeSources;
  std::vector<Font*> fonts;
  Vertex vertices[kVertices];
  uint32_t vertexCount;
  uint16_t indices[kIndices];
  uint32_t indexCount;
};

// Colour or alpha 0..1 to a byte: at or below 0 gives 0, at or above 1 gives 255.
uint8_t colorFloatToByte(float value);

// The whole pixels a glyph advance (16.16 fixed point) moves the pen, the fraction kept in
// `carry` for the next glyph.
inline uint32_t takeAdvance(uint32_t& carry, int64_t advance) {
  const int64_t a = advance + carry;
  carry = static_cast<uint32_t>(a & 0xFFFF);
  return a <= 0 ? 0u : static_cast<uint32_t>(a >> 16);
}

// Fonts and glyphs (Sprite2Font.cpp).
void* fontCreate(void* context, uint32_t pixelSize, uint32_t flags);
void fontDestroy(void* font);
int32_t fontRender(void* font, char16_t character);
int32_t fontDraw(void* surface, uint32_t x, uint32_t y, uint32_t boxWidth, uint32_t boxHeight,
                 float red, float green, float blue, void* font, const uint8_t* gamma);
void fontMetrics(uint32_t* advance, uint32_t* lineHeight, void* font);

// Wipes (Sprite2Wipe.cpp).
void* wipeLoad(void* context, uint32_t mode, const char16_t* path);
void wipeDestroy(void* wipe);
void wipeSet(void* wipe, uint32_t mode, float level);
L3DTexture* wipeGetHandle(Wipe* wipe);

// An 8-bit texture name (code page 932, at most 128 bytes, never cut inside a character).
std::string textureName(const char16_t* path);

}  // namespace sprite2
