#pragma once

// Sprite layer 1: images (texture files, or dynamic textures that texts are written into with
// a GDI font), renderers of a logical size with a fixed number of levels, and textured rects on
// those levels. An engine owns one System and draws it from its scene drawing; every renderer
// is drawn level by level with its rects batched by texture and blend kind through the
// application's renderer ("nolight" vertex shader, orthographic projection).
//
// Objects keep creation order in intrusive lists of their owner; a renderer's rects come from
// its pool. Everything runs on the game thread.

#include "foundation/dbtl/rcptr.h"
#include "foundation/omb/containers/ombList.h"
#include "foundation/omb/containers/ombMempool.h"
#include "platform/glyph/Gdi.h"
#include "render/L3DRendererVertex.h"
#include "render/device/L3DTexture.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class L3DRenderer;

namespace sprite1 {

inline constexpr uint32_t SPRITE1_RECT_ENABLE = 0x01;
inline constexpr uint32_t SPRITE1_RECT_DRAW_REVERSE_X = 0x02;
inline constexpr uint32_t SPRITE1_RECT_DRAW_REVERSE_Y = 0x04;
inline constexpr uint32_t SPRITE1_RECT_MAP_REVERSE_X = 0x08;
inline constexpr uint32_t SPRITE1_RECT_MAP_REVERSE_Y = 0x10;
inline constexpr uint32_t SPRITE1_RECT_DIRTY_DRAW = 0x20;
inline constexpr uint32_t SPRITE1_RECT_DIRTY_MAP = 0x40;

inline constexpr uint32_t kWorkVertices = 128;
inline constexpr uint32_t kWorkIndices = 256;

// Loads the texture of a name resolved against a directory (the model library's texture
// loader, which this library may not call itself); an empty handle is a failed load.
using TextureLoader = dbtl::rcptr<L3DTexture> (*)(void* context, const char16_t* directory,
                                                  const char16_t* name);

// What a system needs of its host instead of the host's System.
struct SystemConfig {
  L3DRenderer* renderer = nullptr;  // the application's renderer; its device draws
  uint32_t screenWidth = 1;         // the configured screen size
  uint32_t screenHeight = 1;
  uint32_t resourceScale = 1;  // 2 with the small resource set
  TextureLoader loadTexture = nullptr;
  void* loaderContext = nullptr;
};

struct System {
  bool owned = false;  // false after systemDestroy
  SystemConfig config;
  OMB_LIST images;
  OMB_LIST fonts;
  OMB_LIST renderers;
  std::unique_ptr<L3D_RENDERER_VERTEX[]> vertices;  // kWorkVertices
  std::unique_ptr<uint16_t[]> indices;              // kWorkIndices
  int32_t blend = 0;
};

struct Image {
  System* owner = nullptr;
  OMB_LIST_LINK link{};
  dbtl::rcptr<L3DTexture> texture;
  int32_t width = 1;  // logical size
  int32_t height = 1;
  uint8_t dynamic = 0;
  int32_t handle = 0;  // the script's handle, 0 before one was asked for
};

struct FontContext {
  gdi::HDC dc = nullptr;
  gdi::HFONT font = nullptr;
  gdi::TEXTMETRICW metrics{};
  bool eightBit = false;  // coverage into the top byte of 32-bit pixels, else the top nibble
  float scale = 0.0f;     // grey level 0..16 to alpha
  std::vector<uint8_t> glyph;
  // The last rendered glyph.
  uint32_t boxWidth = 0;
  uint32_t pitch = 0;
  uint32_t boxHeight = 0;
  int32_t originX = 0;
  int32_t top = 0;
  int32_t advance = 0;
  int32_t lineHeight = 0;
};

struct Font {
  System* owner = nullptr;
  OMB_LIST_LINK link{};
  FontContext* context = nullptr;
  int32_t handle = 0;
};

struct Level {
  OMB_LIST rects;
  int32_t previous = -1;  // neighbours in the chain of non-empty levels
  int32_t next = -1;
};

struct Rect;

struct Renderer {
  System* owner = nullptr;
  OMB_LIST_LINK link{};
  int32_t width = 0;
  int32_t height = 0;
  int32_t levelCount = 0;
  // Owned (new[] in rendererInit, delete[] in rendererDestroy); a plain pointer keeps the record
  // standard-layout for the list's node offset.
  Level* levels = nullptr;
  int32_t first = -1;  // first non-empty level
  float hx = 0.0f;
  float hy = 0.0f;
  OMB_MEMPOOL pool{};
  int32_t handle = 0;
};

struct Rect {
  Renderer* owner = nullptr;
  Image* image = nullptr;
  // The rect's own reference to its image's texture and the image's logical size, so a rect
  // whose image the script destroyed still draws from a live texture.
  dbtl::rcptr<L3DTexture> texture;
  int32_t imageWidth = 1;
  int32_t imageHeight = 1;
  int32_t level = -1;
  OMB_LIST_LINK levelLink{};
  uint32_t flags = 0;
  L3D_RENDERER_VERTEX vertices[4];
  int32_t pivotX = 0, pivotY = 0;
  int32_t drawX = 0, drawY = 0, drawWidth = 0, drawHeight = 0;
  float rotation = 0.0f;  // radians
  int32_t mapX = 0, mapY = 0, mapWidth = 0, mapHeight = 0;
  int32_t blend = 0;
  int32_t handle = 0;
};

void systemCreate(System* system, const SystemConfig& config);
void systemDestroy(System* system);

Image* imageLoad(const char16_t* directory, System* system, const char16_t* name);
Image* imageCreateDynamic(System* system, int32_t width, int32_t height);
void imageInit(Image* image, System* system, dbtl::rcptr<L3DTexture> texture, uint8_t dynamic);
void imageDestroy(Image* image);
dbtl::rcptr<L3DTexture> imageGetTexture(const Image* image);
void imageClear(Image* image);
// Writes the text into the image (white, coverage in alpha) and returns its width and height.
std::pair<int32_t, int32_t> imageDrawText(Image* image, Font* font, const char16_t* text);

Font* fontHandleCreate(System* system, int32_t size);
void fontDestroy(Font* font);
// Fatal when the font cannot be made.
FontContext* fontCreate(int32_t size, bool eightBit);
void fontContextDestroy(FontContext* context);
// Draws one character into pixels of `width` x `height` whose top-left is `destination`;
// the advance, or 0 when the glyph did not fit (nothing drawn).
int32_t fontRender(FontContext* context, void* destination, int32_t width, int32_t height,
                   int32_t pitch, char16_t character);
int32_t fontGetSpaceSize(FontContext* context);

Renderer* rendererCreate(System* system, int32_t width, int32_t height, int32_t levelCount);
void rendererInit(Renderer* renderer, System* system, int32_t width, int32_t height,
                  int32_t levelCount);
void rendererDestroy(Renderer* renderer);

Rect* rectCreate(Renderer* renderer, Image* image);
void rectInit(Rect* rect, Renderer* renderer, Image* image);
// Leaves the level and returns the block to the pool (the rect's handle is retired).
void rectFree(Rect* rect);
// Levels below 0 or at or past the count are brought to the nearest level.
void rectSetLevel(Rect* rect, int32_t level);
void rectUnlinkLevel(Rect* rect);
void rectSetColor(Rect* rect, float r, float g, float b);
void rectSetAlpha(Rect* rect, float a);

uint8_t colorFloatToByte(float value);
void setBlend(System* system, int32_t kind, bool force);
void drawAll(System* system);
void rendererDraw(Renderer* renderer);

}  // namespace sprite1
