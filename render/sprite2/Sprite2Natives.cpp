// The natives: object creation and release, texts, the sprite tree and sprite properties.

#include "render/sprite2/Sprite2Natives.h"

#include "foundation/omb/file/ombPath.h"
#include "foundation/omb/ombLog.h"
#include "render/sprite/ombSpriteText.h"
#include "script/ScriptContext.h"
#include "script/ScriptNative.h"

namespace {

using Image = ScriptHandleArg<OmbSpriteImage, kSpriteImageHandle>;
using Renderer = ScriptHandleArg<OmbSpriteRenderer, kSpriteRendererHandle>;
using Format = ScriptHandleArg<OmbSpriteTextFormat, kSpriteTextFormatHandle>;
using FormatOrNull = ScriptHandleOrNull<OmbSpriteTextFormat, kSpriteTextFormatHandle>;
using Rect = ScriptHandleArg<OmbSpriteRect, kSpriteRectHandle>;
using RectOrNull = ScriptHandleOrNull<OmbSpriteRect, kSpriteRectHandle>;
using Sprite = ScriptHandleArg<OmbSprite, kSpriteHandle>;
using SpriteOrNull = ScriptHandleOrNull<OmbSprite, kSpriteHandle>;

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kRadiansToDegrees = 57.29578f;

Sprite2SetResolver resolver = nullptr;

OmbSpriteDeviceSet* deviceSet(HSQUIRRELVM vm) {
  return resolver != nullptr ? resolver(vm) : nullptr;
}

void failed(const char16_t* message, const char* tag) {
  ombLogPrintf(OMB_LOG_ERROR, message, tag);
}

// Table values: absent keys keep the fallback; numbers convert either way.
bool has(const ScriptObject& t, const char16_t* key) {
  return t.getType() == OT_TABLE && t.hasSlot(key);
}

int32_t intOr(const ScriptObject& t, const char16_t* key, int32_t fallback) {
  if (!has(t, key)) return fallback;
  const ScriptObject v = t.getSlot(key);
  if (v.getType() == OT_INTEGER) return v.toInteger();
  if (v.getType() == OT_FLOAT) return static_cast<int32_t>(v.toFloat());
  return fallback;
}

float floatOr(const ScriptObject& t, const char16_t* key, float fallback) {
  if (!has(t, key)) return fallback;
  const ScriptObject v = t.getSlot(key);
  if (v.getType() == OT_FLOAT) return v.toFloat();
  if (v.getType() == OT_INTEGER) return static_cast<float>(v.toInteger());
  return fallback;
}

// Only a bool true is true.
bool boolOf(const ScriptObject& t, const char16_t* key) {
  return has(t, key) && t.getSlot(key).getType() == OT_BOOL && t.getBoolSlot(key);
}

template <class T>
T* objectOf(const ScriptObject& t, const char16_t* key, const ScriptHandleKind& kind) {
  const int32_t h = intOr(t, key, 0);
  return h == 0 ? nullptr : static_cast<T*>(scriptHandles().get(h, kind));
}

ScriptObject sizeTable(HSQUIRRELVM vm, uint32_t width, uint32_t height) {
  ScriptObject t = ScriptObject::newTable(vm);
  t.setIntegerSlot(u"width", static_cast<int32_t>(width));
  t.setIntegerSlot(u"height", static_cast<int32_t>(height));
  return t;
}

ScriptObject pairTable(HSQUIRRELVM vm, const ScriptObject& x, const ScriptObject& y) {
  ScriptObject t = ScriptObject::newTable(vm);
  t.setSlot(u"x", x.getObject());
  t.setSlot(u"y", y.getObject());
  return t;
}

void dirty(OmbSprite* s) {
  s->flags |= OMB_SPRITE_DIRTY;
}

// Images.
int32_t spriteImageLoad(HSQUIRRELVM vm, const char16_t* path) {
  const ScriptContext* context = scriptFindContext(vm);
  char16_t resolved[OMB_SPRITE_PATH_UNITS] = {};
  ombPathResolve(resolved, context != nullptr ? context->dir : nullptr, OMB_SPRITE_PATH_UNITS,
                 path);
  OmbSpriteDeviceSet* set = deviceSet(vm);
  OmbSpriteImage* image = set != nullptr ? ombSpriteLoadImage(resolved, set) : nullptr;
  if (image == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] スプライトイメージの読み込みに失敗しました(%ls)",
                 "`anonymous-namespace'::spriteImageLoad", resolved);
  }
  return scriptHandleOf(kSpriteImageHandle, image);
}

int32_t spriteImageCreateText(HSQUIRRELVM vm, int32_t width, int32_t height) {
  OmbSpriteDeviceSet* set = deviceSet(vm);
  OmbSpriteImage* image =
      set != nullptr && width > 0 && height > 0
          ? ombSpriteCreateTextImage(static_cast<uint32_t>(width), static_cast<uint32_t>(height), set)
          : nullptr;
  if (image == nullptr) {
    failed(u"Error: [%s] テキストイメージの作成に失敗しました。",
           "`anonymous-namespace'::spriteImageCreateText");
  }
  return scriptHandleOf(kSpriteImageHandle, image);
}

void spriteImageRelease(Image image) { ombSpriteReleaseImage(image); }

ScriptObject spriteImageGetSize(HSQUIRRELVM vm, Image image) {
  uint32_t w = 0, h = 0;
  image->set->ops.surfaceSize(&w, &h, image->surface);
  return sizeTable(vm, w, h);
}

// Renderers.
int32_t spriteRendererCreate(HSQUIRRELVM vm, int32_t width, int32_t height, int32_t levels) {
  OmbSpriteDeviceSet* set = deviceSet(vm);
  OmbSpriteRenderer* r =
      set != nullptr && width >= 0 && height >= 0 && levels >= 0
          ? ombSpriteCreateRenderer(set, static_cast<uint32_t>(width),
                                    static_cast<uint32_t>(height), static_cast<uint32_t>(levels))
          : nullptr;
  if (r == nullptr) {
    failed(u"Error: [%s] レンダラーの作成に失敗しました。",
           "`anonymous-namespace'::spriteRendererCreate");
  }
  return scriptHandleOf(kSpriteRendererHandle, r);
}

void spriteRendererDestroy(Renderer r) { ombSpriteDestroyRenderer(r); }
void spriteRendererSetSpeed(Renderer r, float speed) { ombSpriteSetRendererSpeed(r, speed); }
bool spriteRendererIsAllTextExists(Renderer r) { return r->pendingTexts.count != 0; }

void spriteRendererCancelAllTexts(Renderer r) {
  while (r->pendingTexts.count != 0) {
    ombSpriteCancelText(
        static_cast<OmbSpriteRect*>(ombListElement(&r->pendingTexts, r->pendingTexts.head.next)));
  }
}

void spriteRendererFlushAllTexts(Renderer r) { ombSpriteFlushAllTexts(r); }

// Text formats and rects.
int32_t spriteRectTextFormatCreate(Renderer r, ScriptObject t) {
  OmbSpriteTextFormatParams p{};
  p.clearFlags = static_cast<uint32_t>(intOr(t, u"flag", 0));
  p.fontSize = static_cast<uint32_t>(intOr(t, u"fontSize", 0));
  p.gamma = floatOr(t, u"fontGamma", 1.5f);
  const int32_t speed = intOr(t, u"speed", 0);
  p.speed = speed > 0 ? static_cast<uint32_t>(speed) : 0u;
  p.red = floatOr(t, u"colorRed", 1.0f);
  p.green = floatOr(t, u"colorGreen", 1.0f);
  p.blue = floatOr(t, u"colorBlue", 1.0f);
  p.alpha = 0.0f;
  p.penX = intOr(t, u"drawX", 0);
  p.penY = intOr(t, u"drawY", 0);
  p.marginX = intOr(t, u"marginX", 0);
  p.marginY = intOr(t, u"marginY", 0);
  OmbSpriteTextFormat* f = ombSpriteCreateTextFormat(r, p);
  if (f == nullptr) {
    failed(u"Error: [%s] テキスト書式の作成に失敗しました",
           "`anonymous-namespace'::spriteRectTextFormatCreate");
  }
  return scriptHandleOf(kSpriteTextFormatHandle, f);
}

void spriteRectTextFormatRelease(Format f) { ombSpriteReleaseTextFormat(f); }

int32_t spriteRectCreate(Renderer r, Image image, ScriptObject t) {
  uint32_t w = 0, h = 0;
  image->set->ops.surfaceSize(&w, &h, image->surface);
  const auto unsignedOr = [&](const char16_t* key, uint32_t fallback) {
    const int32_t v = intOr(t, key, static_cast<int32_t>(fallback));
    return v < 0 ? 0u : static_cast<uint32_t>(v);
  };
  OmbSpriteRect* rect = image->set == r->set
                            ? ombSpriteCreateRect(image, r, unsignedOr(u"x", 0), unsignedOr(u"y", 0),
                                                  unsignedOr(u"width", w), unsignedOr(u"height", h),
                                                  intOr(t, u"originX", 0), intOr(t, u"originY", 0))
                            : nullptr;
  if (rect == nullptr) {
    failed(u"Error: [%s] 矩形の作成に失敗しました", "`anonymous-namespace'::spriteRectCreate");
  }
  return scriptHandleOf(kSpriteRectHandle, rect);
}

void spriteRectRelease(Rect rect) { ombSpriteReleaseRect(rect); }

void spriteRectDrawText(Rect rect, FormatOrNull format, const char16_t* text) {
  if (format && format->renderer != rect->renderer) {
    ombSpriteCancelText(rect);  // a format of another renderer never reaches this rect
    return;
  }
  ombSpriteDrawText(rect, format, text);
}

bool spriteRectIsTextExist(Rect rect) { return rect->text != nullptr; }
void spriteRectCancelText(Rect rect) { ombSpriteCancelText(rect); }
void spriteRectFlushText(Rect rect) { ombSpriteFlushText(rect); }

ScriptObject spriteRectGetDrawedTextSize(HSQUIRRELVM vm, Rect rect) {
  return sizeTable(vm, rect->drawnWidth, rect->drawnHeight);
}

// Sprites.
void setTransformFrom(OmbSprite* s, const ScriptObject& array) {
  if (array.getType() != OT_ARRAY) {
    ombSpriteSetTransform(s, nullptr);
    return;
  }
  OmbSpriteMatrix m{};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) {
      m.m[c][r] = array.getFloatSlotByIndex(r * 4 + c, 0.0f);
    }
  }
  ombSpriteSetTransform(s, &m);
}

void copyBase(OmbSprite* s, const OmbSprite* b, bool everything) {
  ombSpriteSetRect(s, b->rect);
  ombSpriteSetParent(s, b->parent);
  ombSpriteSetLevel(s, b->level);
  ombSpriteSetShow(s, (b->flags & OMB_SPRITE_SHOW) != 0);
  if (everything) {
    s->posX = b->posX;
    s->posY = b->posY;
    s->scaleX = b->scaleX;
    s->scaleY = b->scaleY;
    ombSpriteSetRotationX(s, b->rotationX);
    ombSpriteSetRotationY(s, b->rotationY);
    ombSpriteSetRotationZ(s, b->rotationZ);
    s->scaling = b->scaling;
    s->animationSpeed = b->animationSpeed;
  }
  s->blend = b->blend;
  s->alphaTest = b->alphaTest;
  s->threshold = b->threshold;
  for (int i = 0; i < 4; ++i) s->color[i] = b->color[i];
  ombSpriteSetReverse(s, (b->flags & OMB_SPRITE_REVERSE_X) != 0, (b->flags & OMB_SPRITE_REVERSE_Y) != 0);
  ombSpriteSetTransform(s, (b->flags & OMB_SPRITE_TRANSFORM) ? &b->transform : nullptr);
  ombSpriteSetRectReverse(s, (b->flags & OMB_SPRITE_RECT_REVERSE_X) != 0,
                          (b->flags & OMB_SPRITE_RECT_REVERSE_Y) != 0);
  dirty(s);
}

void applySpriteTable(OmbSprite* s, const ScriptObject& t) {
  if (const OmbSprite* b = objectOf<OmbSprite>(t, u"base", kSpriteHandle)) copyBase(s, b, true);
  if (const OmbSprite* b = objectOf<OmbSprite>(t, u"baseBase", kSpriteHandle)) copyBase(s, b, false);
  if (const OmbSprite* b = objectOf<OmbSprite>(t, u"basePos", kSpriteHandle)) {
    s->posX = b->posX;
    s->posY = b->posY;
  }
  if (const OmbSprite* b = objectOf<OmbSprite>(t, u"baseScale", kSpriteHandle)) {
    s->scaleX = b->scaleX;
    s->scaleY = b->scaleY;
    s->scaling = b->scaling;
  }
  if (const OmbSprite* b = objectOf<OmbSprite>(t, u"baseRotation", kSpriteHandle)) {
    ombSpriteSetRotationX(s, b->rotationX);
    ombSpriteSetRotationY(s, b->rotationY);
    ombSpriteSetRotationZ(s, b->rotationZ);
  }
  if (const OmbSprite* b = objectOf<OmbSprite>(t, u"baseAnimation", kSpriteHandle)) {
    s->animationSpeed = b->animationSpeed;
  }
  if (has(t, u"rect")) ombSpriteSetRect(s, objectOf<OmbSpriteRect>(t, u"rect", kSpriteRectHandle));
  if (has(t, u"parentSprite")) {
    ombSpriteSetParent(s, objectOf<OmbSprite>(t, u"parentSprite", kSpriteHandle));
  }
  if (has(t, u"level")) ombSpriteSetLevel(s, static_cast<uint32_t>(intOr(t, u"level", 0)));
  if (has(t, u"show")) ombSpriteSetShow(s, boolOf(t, u"show"));
  s->posX = floatOr(t, u"posX", s->posX);
  s->posY = floatOr(t, u"posY", s->posY);
  s->scaleX = floatOr(t, u"scaleX", s->scaleX);
  s->scaleY = floatOr(t, u"scaleY", s->scaleY);
  if (has(t, u"rotationX")) ombSpriteSetRotationX(s, floatOr(t, u"rotationX", 0) * kDegreesToRadians);
  if (has(t, u"rotationY")) ombSpriteSetRotationY(s, floatOr(t, u"rotationY", 0) * kDegreesToRadians);
  if (has(t, u"rotationZ")) ombSpriteSetRotationZ(s, floatOr(t, u"rotationZ", 0) * kDegreesToRadians);
  s->blend = intOr(t, u"blend", s->blend);
  s->alphaTest = intOr(t, u"alphatest", s->alphaTest);
  s->threshold = floatOr(t, u"alphatestThreshold", s->threshold);
  s->scaling = intOr(t, u"scaling", s->scaling);
  s->color[0] = floatOr(t, u"colorRed", s->color[0]);
  s->color[1] = floatOr(t, u"colorGreen", s->color[1]);
  s->color[2] = floatOr(t, u"colorBlue", s->color[2]);
  s->color[3] = floatOr(t, u"alpha", s->color[3]);
  if (has(t, u"reverseX") || has(t, u"reverseY")) {
    ombSpriteSetReverse(s, has(t, u"reverseX") ? boolOf(t, u"reverseX") : (s->flags & OMB_SPRITE_REVERSE_X) != 0,
                        has(t, u"reverseY") ? boolOf(t, u"reverseY") : (s->flags & OMB_SPRITE_REVERSE_Y) != 0);
  }
  if (has(t, u"transform")) setTransformFrom(s, t.getSlot(u"transform"));
  if (has(t, u"rectReverseX") || has(t, u"rectReverseY")) {
    ombSpriteSetRectReverse(
        s, has(t, u"rectReverseX") ? boolOf(t, u"rectReverseX") : (s->flags & OMB_SPRITE_RECT_REVERSE_X) != 0,
        has(t, u"rectReverseY") ? boolOf(t, u"rectReverseY") : (s->flags & OMB_SPRITE_RECT_REVERSE_Y) != 0);
  }
  s->animationSpeed = floatOr(t, u"animationSpeed", s->animationSpeed);
  dirty(s);
}

int32_t spriteCreate(Renderer r, ScriptObject t) {
  OmbSprite* s = ombSpriteCreate(r);
  if (s == nullptr) {
    failed(u"Error: [%s] スプライトの作成に失敗しました", "`anonymous-namespace'::spriteCreate");
    return 0;
  }
  const int32_t handle = scriptHandleOf(kSpriteHandle, s);
  if (t.getType() == OT_TABLE) applySpriteTable(s, t);
  return handle;
}

void spriteRelease(Sprite s) { ombSpriteRelease(s); }
int32_t spriteGetRect(Sprite s) { return scriptHandleOf(kSpriteRectHandle, s->rect); }
void spriteSetRect(Sprite s, RectOrNull rect) { ombSpriteSetRect(s, rect); }
int32_t spriteGetParent(Sprite s) { return scriptHandleOf(kSpriteHandle, s->parent); }
void spriteSetParent(Sprite s, SpriteOrNull parent) { ombSpriteSetParent(s, parent); }
int32_t spriteGetLevel(Sprite s) { return static_cast<int32_t>(s->level); }
void spriteSetLevel(Sprite s, int32_t level) {
  if (level >= 0) ombSpriteSetLevel(s, static_cast<uint32_t>(level));
}
bool spriteIsShow(Sprite s) { return (s->flags & OMB_SPRITE_SHOW) != 0; }
void spriteSetShow(Sprite s, bool show) { ombSpriteSetShow(s, show); }

float spriteGetPosX(Sprite s) { return s->posX; }
void spriteSetPosX(Sprite s, float v) { s->posX = v; dirty(s); }
float spriteGetPosY(Sprite s) { return s->posY; }
void spriteSetPosY(Sprite s, float v) { s->posY = v; dirty(s); }
ScriptObject spriteGetPos(HSQUIRRELVM vm, Sprite s) {
  return pairTable(vm, ScriptObject::newFloat(vm, s->posX), ScriptObject::newFloat(vm, s->posY));
}
void spriteSetPos(Sprite s, float x, float y) { s->posX = x; s->posY = y; dirty(s); }
float spriteGetScaleX(Sprite s) { return s->scaleX; }
void spriteSetScaleX(Sprite s, float v) { s->scaleX = v; dirty(s); }
float spriteGetScaleY(Sprite s) { return s->scaleY; }
void spriteSetScaleY(Sprite s, float v) { s->scaleY = v; dirty(s); }
ScriptObject spriteGetScale(HSQUIRRELVM vm, Sprite s) {
  return pairTable(vm, ScriptObject::newFloat(vm, s->scaleX), ScriptObject::newFloat(vm, s->scaleY));
}
void spriteSetScale(Sprite s, float x, float y) { s->scaleX = x; s->scaleY = y; dirty(s); }
float spriteGetRotationX(Sprite s) { return s->rotationX * kRadiansToDegrees; }
void spriteSetRotationX(Sprite s, float d) { ombSpriteSetRotationX(s, d * kDegreesToRadians); }
float spriteGetRotationY(Sprite s) { return s->rotationY * kRadiansToDegrees; }
void spriteSetRotationY(Sprite s, float d) { ombSpriteSetRotationY(s, d * kDegreesToRadians); }
float spriteGetRotationZ(Sprite s) { return s->rotationZ * kRadiansToDegrees; }
void spriteSetRotationZ(Sprite s, float d) { ombSpriteSetRotationZ(s, d * kDegreesToRadians); }
int32_t spriteGetBlend(Sprite s) { return s->blend; }
void spriteSetBlend(Sprite s, int32_t v) { s->blend = v; dirty(s); }
int32_t spriteGetAlphatest(Sprite s) { return s->alphaTest; }
float spriteGetAlphatestThreshold(Sprite s) { return s->threshold; }
void spriteSetAlphatest(Sprite s, int32_t mode, float threshold) {
  s->alphaTest = mode;
  s->threshold = threshold;
  dirty(s);
}
int32_t spriteGetScaling(Sprite s) { return s->scaling; }
void spriteSetScaling(Sprite s, int32_t v) { s->scaling = v; dirty(s); }
float spriteGetColorRed(Sprite s) { return s->color[0]; }
void spriteSetColorRed(Sprite s, float v) { s->color[0] = v; dirty(s); }
float spriteGetColorGreen(Sprite s) { return s->color[1]; }
void spriteSetColorGreen(Sprite s, float v) { s->color[1] = v; dirty(s); }
float spriteGetColorBlue(Sprite s) { return s->color[2]; }
void spriteSetColorBlue(Sprite s, float v) { s->color[2] = v; dirty(s); }
ScriptObject spriteGetColor(HSQUIRRELVM vm, Sprite s) {
  ScriptObject t = ScriptObject::newTable(vm);
  t.setSlot(u"red", ScriptObject::newFloat(vm, s->color[0]).getObject());
  t.setSlot(u"green", ScriptObject::newFloat(vm, s->color[1]).getObject());
  t.setSlot(u"blue", ScriptObject::newFloat(vm, s->color[2]).getObject());
  return t;
}
void spriteSetColor(Sprite s, float r, float g, float b) {
  s->color[0] = r;
  s->color[1] = g;
  s->color[2] = b;
  dirty(s);
}
float spriteGetAlpha(Sprite s) { return s->color[3]; }
void spriteSetAlpha(Sprite s, float v) { s->color[3] = v; dirty(s); }

bool flag(const OmbSprite* s, uint32_t f) { return (s->flags & f) != 0; }
bool spriteIsReverseX(Sprite s) { return flag(s, OMB_SPRITE_REVERSE_X); }
void spriteSetReverseX(Sprite s, bool v) { ombSpriteSetReverse(s, v, flag(s, OMB_SPRITE_REVERSE_Y)); }
bool spriteIsReverseY(Sprite s) { return flag(s, OMB_SPRITE_REVERSE_Y); }
void spriteSetReverseY(Sprite s, bool v) { ombSpriteSetReverse(s, flag(s, OMB_SPRITE_REVERSE_X), v); }
ScriptObject spriteIsReverse(HSQUIRRELVM vm, Sprite s) {
  return pairTable(vm, ScriptObject::newBool(vm, flag(s, OMB_SPRITE_REVERSE_X)),
                   ScriptObject::newBool(vm, flag(s, OMB_SPRITE_REVERSE_Y)));
}
void spriteSetReverse(Sprite s, bool x, bool y) { ombSpriteSetReverse(s, x, y); }

ScriptObject spriteGetTransform(HSQUIRRELVM vm, Sprite s) {
  if (!flag(s, OMB_SPRITE_TRANSFORM)) {
    return ScriptObject::newNull(vm);
  }
  ScriptObject a = ScriptObject::newArray(vm, 12);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) {
      a.setSlotByIndex(r * 4 + c, ScriptObject::newFloat(vm, s->transform.m[c][r]).getObject());
    }
  }
  return a;
}
void spriteSetTransform(Sprite s, ScriptObject array) { setTransformFrom(s, array); }

bool spriteIsRectReverseX(Sprite s) { return flag(s, OMB_SPRITE_RECT_REVERSE_X); }
void spriteSetRectReverseX(Sprite s, bool v) {
  ombSpriteSetRectReverse(s, v, flag(s, OMB_SPRITE_RECT_REVERSE_Y));
}
bool spriteIsRectReverseY(Sprite s) { return flag(s, OMB_SPRITE_RECT_REVERSE_Y); }
void spriteSetRectReverseY(Sprite s, bool v) {
  ombSpriteSetRectReverse(s, flag(s, OMB_SPRITE_RECT_REVERSE_X), v);
}
ScriptObject spriteIsRectReverse(HSQUIRRELVM vm, Sprite s) {
  return pairTable(vm, ScriptObject::newBool(vm, flag(s, OMB_SPRITE_RECT_REVERSE_X)),
                   ScriptObject::newBool(vm, flag(s, OMB_SPRITE_RECT_REVERSE_Y)));
}
void spriteSetRectReverse(Sprite s, bool x, bool y) { ombSpriteSetRectReverse(s, x, y); }

}  // namespace

void registerSprite2Api(const ScriptObject& table, Sprite2SetResolver setResolver) {
  resolver = setResolver;
#define SPRITE2_NATIVE(name) .registerFunction(u## #name, &name)
  table SPRITE2_NATIVE(spriteImageLoad) SPRITE2_NATIVE(spriteImageCreateText)
      SPRITE2_NATIVE(spriteImageRelease) SPRITE2_NATIVE(spriteImageGetSize)
      SPRITE2_NATIVE(spriteRendererCreate) SPRITE2_NATIVE(spriteRendererDestroy)
      SPRITE2_NATIVE(spriteRendererSetSpeed) SPRITE2_NATIVE(spriteRendererIsAllTextExists)
      SPRITE2_NATIVE(spriteRendererCancelAllTexts) SPRITE2_NATIVE(spriteRendererFlushAllTexts)
      SPRITE2_NATIVE(spriteRectTextFormatCreate) SPRITE2_NATIVE(spriteRectTextFormatRelease)
      SPRITE2_NATIVE(spriteRectCreate) SPRITE2_NATIVE(spriteRectRelease)
      SPRITE2_NATIVE(spriteRectDrawText) SPRITE2_NATIVE(spriteRectIsTextExist)
      SPRITE2_NATIVE(spriteRectCancelText) SPRITE2_NATIVE(spriteRectFlushText)
      SPRITE2_NATIVE(spriteRectGetDrawedTextSize) SPRITE2_NATIVE(spriteCreate)
      SPRITE2_NATIVE(spriteRelease) SPRITE2_NATIVE(spriteGetRect) SPRITE2_NATIVE(spriteSetRect)
      SPRITE2_NATIVE(spriteGetParent) SPRITE2_NATIVE(spriteSetParent)
      SPRITE2_NATIVE(spriteGetLevel) SPRITE2_NATIVE(spriteSetLevel) SPRITE2_NATIVE(spriteIsShow)
      SPRITE2_NATIVE(spriteSetShow) SPRITE2_NATIVE(spriteGetPosX) SPRITE2_NATIVE(spriteSetPosX)
      SPRITE2_NATIVE(spriteGetPosY) SPRITE2_NATIVE(spriteSetPosY) SPRITE2_NATIVE(spriteGetPos)
      SPRITE2_NATIVE(spriteSetPos) SPRITE2_NATIVE(spriteGetScaleX) SPRITE2_NATIVE(spriteSetScaleX)
      SPRITE2_NATIVE(spriteGetScaleY) SPRITE2_NATIVE(spriteSetScaleY)
      SPRITE2_NATIVE(spriteGetScale) SPRITE2_NATIVE(spriteSetScale)
      SPRITE2_NATIVE(spriteGetRotationX) SPRITE2_NATIVE(spriteSetRotationX)
      SPRITE2_NATIVE(spriteGetRotationY) SPRITE2_NATIVE(spriteSetRotationY)
      SPRITE2_NATIVE(spriteGetRotationZ) SPRITE2_NATIVE(spriteSetRotationZ)
      SPRITE2_NATIVE(spriteGetBlend) SPRITE2_NATIVE(spriteSetBlend)
      SPRITE2_NATIVE(spriteGetAlphatest) SPRITE2_NATIVE(spriteGetAlphatestThreshold)
      SPRITE2_NATIVE(spriteSetAlphatest) SPRITE2_NATIVE(spriteGetScaling)
      SPRITE2_NATIVE(spriteSetScaling) SPRITE2_NATIVE(spriteGetColorRed)
      SPRITE2_NATIVE(spriteSetColorRed) SPRITE2_NATIVE(spriteGetColorGreen)
      SPRITE2_NATIVE(spriteSetColorGreen) SPRITE2_NATIVE(spriteGetColorBlue)
      SPRITE2_NATIVE(spriteSetColorBlue) SPRITE2_NATIVE(spriteGetColor)
      SPRITE2_NATIVE(spriteSetColor) SPRITE2_NATIVE(spriteGetAlpha) SPRITE2_NATIVE(spriteSetAlpha)
      SPRITE2_NATIVE(spriteIsReverseX) SPRITE2_NATIVE(spriteSetReverseX)
      SPRITE2_NATIVE(spriteIsReverseY) SPRITE2_NATIVE(spriteSetReverseY)
      SPRITE2_NATIVE(spriteIsReverse) SPRITE2_NATIVE(spriteSetReverse)
      SPRITE2_NATIVE(spriteGetTransform) SPRITE2_NATIVE(spriteSetTransform)
      SPRITE2_NATIVE(spriteIsRectReverseX) SPRITE2_NATIVE(spriteSetRectReverseX)
      SPRITE2_NATIVE(spriteIsRectReverseY) SPRITE2_NATIVE(spriteSetRectReverseY)
      SPRITE2_NATIVE(spriteIsRectReverse) SPRITE2_NATIVE(spriteSetRectReverse);
#undef SPRITE2_NATIVE
}
