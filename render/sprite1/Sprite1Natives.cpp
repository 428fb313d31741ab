// The natives: images, fonts and renderers already made, rect creation from a table of keys,
// and the rect's properties.

#include "render/sprite1/Sprite1Natives.h"

#include "script/ScriptAngle.h"
#include "script/ScriptNative.h"

namespace {

using namespace sprite1;

using ImageArg = ScriptHandleArg<Image, kSprite1ImageHandle>;
using FontArg = ScriptHandleArg<Font, kSprite1FontHandle>;
using RendererArg = ScriptHandleArg<Renderer, kSprite1RendererHandle>;
using RectArg = ScriptHandleArg<Rect, kSprite1RectHandle>;

ScriptObject sizeTable(HSQUIRRELVM vm, int32_t width, int32_t height) {
  ScriptObject t = ScriptObject::newTable(vm);
  t.setIntegerSlot(u"width", width);
  t.setIntegerSlot(u"height", height);
  return t;
}

ScriptObject posTable(HSQUIRRELVM vm, int32_t x, int32_t y) {
  ScriptObject t = ScriptObject::newTable(vm);
  t.setIntegerSlot(u"x", x);
  t.setIntegerSlot(u"y", y);
  return t;
}

ScriptObject posSizeTable(HSQUIRRELVM vm, int32_t x, int32_t y, int32_t w, int32_t h) {
  ScriptObject t = posTable(vm, x, y);
  t.setIntegerSlot(u"width", w);
  t.setIntegerSlot(u"height", h);
  return t;
}

void drawDirty(Rect* r) { r->flags |= SPRITE1_RECT_DIRTY_DRAW; }
void mapDirty(Rect* r) { r->flags |= SPRITE1_RECT_DIRTY_MAP; }

void setFlag(Rect* r, uint32_t flag, bool on) {
  r->flags = on ? (r->flags | flag) : (r->flags & ~flag);
}

// Images, fonts and renderers.
void spriteDestroyImage(ImageArg image) { imageDestroy(image); }
ScriptObject spriteGetImageSize(HSQUIRRELVM vm, ImageArg image) {
  return sizeTable(vm, image->width, image->height);
}
ScriptObject spriteDrawImageText(HSQUIRRELVM vm, ImageArg image, FontArg font,
                                 const char16_t* text) {
  const auto [w, h] = imageDrawText(image, font, text);
  return sizeTable(vm, w, h);
}
void spriteDestroyFont(FontArg font) { fontDestroy(font); }
void spriteDestroyRenderer(RendererArg r) { rendererDestroy(r); }
ScriptObject spriteGetRendererSize(HSQUIRRELVM vm, RendererArg r) {
  return sizeTable(vm, r->width, r->height);
}

// Rect creation. A key counts when its value is not null; the "base" keys name rects.
bool present(const ScriptObject& t, const char16_t* key) {
  return t.getType() == OT_TABLE && t.hasSlot(key) && t.getSlot(key).getType() != OT_NULL;
}

const Rect* baseRect(const ScriptObject& t, const char16_t* key) {
  if (!present(t, key)) return nullptr;
  const ScriptObject v = t.getSlot(key);
  if (v.getType() != OT_INTEGER) {
    ScriptHandleTable::reportInvalid(0, kSprite1RectHandle);
    return nullptr;
  }
  return static_cast<const Rect*>(scriptHandles().get(v.toInteger(), kSprite1RectHandle));
}

int32_t intKey(const ScriptObject& t, const char16_t* key, int32_t value) {
  if (!present(t, key)) return value;
  const ScriptObject v = t.getSlot(key);
  if (v.getType() == OT_INTEGER) return v.toInteger();
  if (v.getType() == OT_FLOAT) return static_cast<int32_t>(v.toFloat());
  return value;
}

float floatKey(const ScriptObject& t, const char16_t* key, float value) {
  if (!present(t, key)) return value;
  const ScriptObject v = t.getSlot(key);
  if (v.getType() == OT_FLOAT) return v.toFloat();
  if (v.getType() == OT_INTEGER) return static_cast<float>(v.toInteger());
  return value;
}

struct RectValues {
  int32_t level = 0;
  int32_t mapX = 0, mapY = 0, mapWidth = 0, mapHeight = 0;
  int32_t pivotX = 0, pivotY = 0;
  int32_t drawX = 0, drawY = 0, drawWidth = 0, drawHeight = 0;
  bool widthGiven = false, heightGiven = false;
  float rotation = 0.0f;
  int32_t blend = 0;

  void takeMap(const Rect* b) {
    mapX = b->mapX, mapY = b->mapY, mapWidth = b->mapWidth, mapHeight = b->mapHeight;
  }
  void takeDraw(const Rect* b) {
    drawX = b->drawX, drawY = b->drawY, drawWidth = b->drawWidth, drawHeight = b->drawHeight;
    widthGiven = heightGiven = true;
    rotation = b->rotation;
  }
};

int32_t spriteCreateRect(RendererArg renderer, ImageArg image, ScriptObject t) {
  RectValues v;
  v.mapWidth = image->width;
  v.mapHeight = image->height;
  if (const Rect* b = baseRect(t, u"base")) {
    v.level = b->level;
    v.takeMap(b);
    v.pivotX = b->pivotX, v.pivotY = b->pivotY;
    v.takeDraw(b);
    v.blend = b->blend;
  }
  if (const Rect* b = baseRect(t, u"baseLevel")) v.level = b->level;
  if (const Rect* b = baseRect(t, u"baseMap")) v.takeMap(b);
  if (const Rect* b = baseRect(t, u"basePivot")) v.pivotX = b->pivotX, v.pivotY = b->pivotY;
  if (const Rect* b = baseRect(t, u"baseDraw")) v.takeDraw(b);
  if (const Rect* b = baseRect(t, u"baseBlend")) v.blend = b->blend;
  v.level = intKey(t, u"level", v.level);
  v.mapX = intKey(t, u"mapX", v.mapX);
  v.mapY = intKey(t, u"mapY", v.mapY);
  v.mapWidth = intKey(t, u"mapWidth", v.mapWidth);
  v.mapHeight = intKey(t, u"mapHeight", v.mapHeight);
  v.pivotX = intKey(t, u"pivotX", v.pivotX);
  v.pivotY = intKey(t, u"pivotY", v.pivotY);
  v.drawX = intKey(t, u"drawX", v.drawX);
  v.drawY = intKey(t, u"drawY", v.drawY);
  if (present(t, u"drawWidth")) v.drawWidth = intKey(t, u"drawWidth", 0), v.widthGiven = true;
  if (present(t, u"drawHeight")) v.drawHeight = intKey(t, u"drawHeight", 0), v.heightGiven = true;
  if (present(t, u"drawRotation")) {
    v.rotation = floatKey(t, u"drawRotation", 0.0f) * kScriptDegreesToRadians;
  }
  v.blend = intKey(t, u"blend", v.blend);
  if (!v.widthGiven) v.drawWidth = v.mapWidth;
  if (!v.heightGiven) v.drawHeight = v.mapHeight;

  Rect* rect = rectCreate(renderer, image);
  if (rect == nullptr) return 0;
  rectSetLevel(rect, v.level);
  rect->flags |= SPRITE1_RECT_DIRTY_DRAW | SPRITE1_RECT_DIRTY_MAP;
  rect->mapX = v.mapX, rect->mapY = v.mapY, rect->mapWidth = v.mapWidth;
  rect->mapHeight = v.mapHeight;
  rect->pivotX = v.pivotX, rect->pivotY = v.pivotY;
  rect->drawX = v.drawX, rect->drawY = v.drawY, rect->drawWidth = v.drawWidth;
  rect->drawHeight = v.drawHeight;
  rect->rotation = v.rotation;
  rect->blend = v.blend;
  return scriptHandleOf(kSprite1RectHandle, rect);
}

void spriteDestroyRect(RectArg r) {
  if (r->owner != nullptr) rectFree(r);
}

int32_t spriteGetRectLevel(RectArg r) { return r->level; }
void spriteSetRectLevel(RectArg r, int32_t level) { rectSetLevel(r, level < 0 ? 0 : level); }
void spriteSetRectEnable(RectArg r, bool on) { setFlag(r, SPRITE1_RECT_ENABLE, on); }

int32_t spriteGetRectPivotX(RectArg r) { return r->pivotX; }
int32_t spriteGetRectPivotY(RectArg r) { return r->pivotY; }
void spriteSetRectPivotX(RectArg r, int32_t v) { r->pivotX = v, drawDirty(r); }
void spriteSetRectPivotY(RectArg r, int32_t v) { r->pivotY = v, drawDirty(r); }
ScriptObject spriteGetRectPivotPos(HSQUIRRELVM vm, RectArg r) {
  return posTable(vm, r->pivotX, r->pivotY);
}
void spriteSetRectPivotPos(RectArg r, int32_t x, int32_t y) {
  r->pivotX = x, r->pivotY = y, drawDirty(r);
}

void spriteSetRectDrawReverseX(RectArg r, bool on) {
  setFlag(r, SPRITE1_RECT_DRAW_REVERSE_X, on), drawDirty(r);
}
void spriteSetRectDrawReverseY(RectArg r, bool on) {
  setFlag(r, SPRITE1_RECT_DRAW_REVERSE_Y, on), drawDirty(r);
}
int32_t spriteGetRectDrawX(RectArg r) { return r->drawX; }
int32_t spriteGetRectDrawY(RectArg r) { return r->drawY; }
void spriteSetRectDrawX(RectArg r, int32_t v) { r->drawX = v, drawDirty(r); }
void spriteSetRectDrawY(RectArg r, int32_t v) { r->drawY = v, drawDirty(r); }
ScriptObject spriteGetRectDrawPos(HSQUIRRELVM vm, RectArg r) {
  return posTable(vm, r->drawX, r->drawY);
}
void spriteSetRectDrawPos(RectArg r, int32_t x, int32_t y) {
  r->drawX = x, r->drawY = y, drawDirty(r);
}
int32_t spriteGetRectDrawWidth(RectArg r) { return r->drawWidth; }
int32_t spriteGetRectDrawHeight(RectArg r) { return r->drawHeight; }
void spriteSetRectDrawWidth(RectArg r, int32_t v) { r->drawWidth = v, drawDirty(r); }
void spriteSetRectDrawHeight(RectArg r, int32_t v) { r->drawHeight = v, drawDirty(r); }
ScriptObject spriteGetRectDrawSize(HSQUIRRELVM vm, RectArg r) {
  return sizeTable(vm, r->drawWidth, r->drawHeight);
}
void spriteSetRectDrawSize(RectArg r, int32_t w, int32_t h) {
  r->drawWidth = w, r->drawHeight = h, drawDirty(r);
}
ScriptObject spriteGetRectDrawPosSize(HSQUIRRELVM vm, RectArg r) {
  return posSizeTable(vm, r->drawX, r->drawY, r->drawWidth, r->drawHeight);
}
void spriteSetRectDrawPosSize(RectArg r, int32_t x, int32_t y, int32_t w, int32_t h) {
  r->drawX = x, r->drawY = y, r->drawWidth = w, r->drawHeight = h, drawDirty(r);
}
float spriteGetRectDrawRotation(RectArg r) { return r->rotation * kScriptRadiansToDegrees; }
void spriteSetRectDrawRotation(RectArg r, float degrees) {
  r->rotation = degrees * kScriptDegreesToRadians, drawDirty(r);
}

void spriteSetRectMapReverseX(RectArg r, bool on) {
  setFlag(r, SPRITE1_RECT_MAP_REVERSE_X, on), mapDirty(r);
}
void spriteSetRectMapReverseY(RectArg r, bool on) {
  setFlag(r, SPRITE1_RECT_MAP_REVERSE_Y, on), mapDirty(r);
}
int32_t spriteGetRectMapX(RectArg r) { return r->mapX; }
int32_t spriteGetRectMapY(RectArg r) { return r->mapY; }
void spriteSetRectMapX(RectArg r, int32_t v) { r->mapX = v, mapDirty(r); }
void spriteSetRectMapY(RectArg r, int32_t v) { r->mapY = v, mapDirty(r); }
ScriptObject spriteGetRectMapPos(HSQUIRRELVM vm, RectArg r) {
  return posTable(vm, r->mapX, r->mapY);
}
void spriteSetRectMapPos(RectArg r, int32_t x, int32_t y) {
  r->mapX = x, r->mapY = y, mapDirty(r);
}
int32_t spriteGetRectMapWidth(RectArg r) { return r->mapWidth; }
int32_t spriteGetRectMapHeight(RectArg r) { return r->mapHeight; }
void spriteSetRectMapWidth(RectArg r, int32_t v) { r->mapWidth = v, mapDirty(r); }
void spriteSetRectMapHeight(RectArg r, int32_t v) { r->mapHeight = v, mapDirty(r); }
ScriptObject spriteGetRectMapSize(HSQUIRRELVM vm, RectArg r) {
  return sizeTable(vm, r->mapWidth, r->mapHeight);
}
void spriteSetRectMapSize(RectArg r, int32_t w, int32_t h) {
  r->mapWidth = w, r->mapHeight = h, mapDirty(r);
}
ScriptObject spriteGetRectMapPosSize(HSQUIRRELVM vm, RectArg r) {
  return posSizeTable(vm, r->mapX, r->mapY, r->mapWidth, r->mapHeight);
}
void spriteSetRectMapPosSize(RectArg r, int32_t x, int32_t y, int32_t w, int32_t h) {
  r->mapX = x, r->mapY = y, r->mapWidth = w, r->mapHeight = h, mapDirty(r);
}

void spriteSetRectColor(RectArg r, float red, float green, float blue) {
  rectSetColor(r, red, green, blue);
}
void spriteSetRectAlpha(RectArg r, float a) { rectSetAlpha(r, a); }
int32_t spriteGetRectBlend(RectArg r) { return r->blend; }
void spriteSetRectBlend(RectArg r, int32_t kind) { r->blend = kind; }

}  // namespace

int32_t sprite1ImageHandle(Image* image) { return scriptHandleOf(kSprite1ImageHandle, image); }
int32_t sprite1FontHandle(Font* font) { return scriptHandleOf(kSprite1FontHandle, font); }
int32_t sprite1RendererHandle(Renderer* renderer) {
  return scriptHandleOf(kSprite1RendererHandle, renderer);
}
int32_t sprite1RectHandle(Rect* rect) { return scriptHandleOf(kSprite1RectHandle, rect); }

void registerSprite1Api(const ScriptObject& table) {
#define SPRITE1_NATIVE(name) .registerFunction(u## #name, &name)
  table SPRITE1_NATIVE(spriteDestroyImage) SPRITE1_NATIVE(spriteGetImageSize)
      SPRITE1_NATIVE(spriteDrawImageText) SPRITE1_NATIVE(spriteDestroyFont)
      SPRITE1_NATIVE(spriteDestroyRenderer) SPRITE1_NATIVE(spriteGetRendererSize)
      SPRITE1_NATIVE(spriteCreateRect) SPRITE1_NATIVE(spriteDestroyRect)
      SPRITE1_NATIVE(spriteGetRectLevel) SPRITE1_NATIVE(spriteSetRectLevel)
      SPRITE1_NATIVE(spriteSetRectEnable) SPRITE1_NATIVE(spriteGetRectPivotX)
      SPRITE1_NATIVE(spriteGetRectPivotY) SPRITE1_NATIVE(spriteSetRectPivotX)
      SPRITE1_NATIVE(spriteSetRectPivotY) SPRITE1_NATIVE(spriteGetRectPivotPos)
      SPRITE1_NATIVE(spriteSetRectPivotPos) SPRITE1_NATIVE(spriteSetRectDrawReverseX)
      SPRITE1_NATIVE(spriteSetRectDrawReverseY) SPRITE1_NATIVE(spriteGetRectDrawX)
      SPRITE1_NATIVE(spriteGetRectDrawY) SPRITE1_NATIVE(spriteSetRectDrawX)
      SPRITE1_NATIVE(spriteSetRectDrawY) SPRITE1_NATIVE(spriteGetRectDrawPos)
      SPRITE1_NATIVE(spriteSetRectDrawPos) SPRITE1_NATIVE(spriteGetRectDrawWidth)
      SPRITE1_NATIVE(spriteGetRectDrawHeight) SPRITE1_NATIVE(spriteSetRectDrawWidth)
      SPRITE1_NATIVE(spriteSetRectDrawHeight) SPRITE1_NATIVE(spriteGetRectDrawSize)
      SPRITE1_NATIVE(spriteSetRectDrawSize) SPRITE1_NATIVE(spriteGetRectDrawPosSize)
      SPRITE1_NATIVE(spriteSetRectDrawPosSize) SPRITE1_NATIVE(spriteGetRectDrawRotation)
      SPRITE1_NATIVE(spriteSetRectDrawRotation) SPRITE1_NATIVE(spriteSetRectMapReverseX)
      SPRITE1_NATIVE(spriteSetRectMapReverseY) SPRITE1_NATIVE(spriteGetRectMapX)
      SPRITE1_NATIVE(spriteGetRectMapY) SPRITE1_NATIVE(spriteSetRectMapX)
      SPRITE1_NATIVE(spriteSetRectMapY) SPRITE1_NATIVE(spriteGetRectMapPos)
      SPRITE1_NATIVE(spriteSetRectMapPos) SPRITE1_NATIVE(spriteGetRectMapWidth)
      SPRITE1_NATIVE(spriteGetRectMapHeight) SPRITE1_NATIVE(spriteSetRectMapWidth)
      SPRITE1_NATIVE(spriteSetRectMapHeight) SPRITE1_NATIVE(spriteGetRectMapSize)
      SPRITE1_NATIVE(spriteSetRectMapSize) SPRITE1_NATIVE(spriteGetRectMapPosSize)
      SPRITE1_NATIVE(spriteSetRectMapPosSize) SPRITE1_NATIVE(spriteSetRectColor)
      SPRITE1_NATIVE(spriteSetRectAlpha) SPRITE1_NATIVE(spriteGetRectBlend)
      SPRITE1_NATIVE(spriteSetRectBlend);
#undef SPRITE1_NATIVE
}
