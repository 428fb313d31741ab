#pragma once

#include "foundation/omb/containers/ombList.h"

#include <cstdint>
#include <string>
#include <unordered_map>

// The framework's 2D sprite system: per engine a device set of images, fonts and renderers;
// per renderer a tree of sprites that show rectangles of images, drawn level by level in
// batches of quads. It never touches the device itself: everything that does goes through the
// operation table a device layer fills (sprite2 is the one that does).
//
// Reference counting: images are held by rects and scripts, rects by sprites and scripts,
// text formats by pending texts and scripts, sprites by their parent (a lock) and scripts. An
// object goes when both of its counts are zero, or unconditionally with its renderer or set.
// Every object a script can hold has a handle slot (`handle`, 0 while none was handed out);
// destroying the object retires the handle, so a script that still holds it gets an error.

struct OmbSpriteBatch;

struct OmbSpriteDeviceOps {
  void* context;
  void (*screenSize)(uint32_t* width, uint32_t* height, void* context);
  void (*begin)(void* context);
  void (*end)(void* context);
  void (*render)(void* context, OmbSpriteBatch* batches, uint32_t count);
  void* (*loadImage)(void* context, uint32_t mode, const char16_t* path);
  void* (*createTextSurface)(void* context, uint32_t width, uint32_t height);
  void (*destroySurface)(void* surface);
  uint32_t (*surfaceKind)(void* surface);
  void (*surfaceSize)(uint32_t* width, uint32_t* height, void* surface);
  void (*beginEdit)(void* surface);
  void (*endEdit)(void* surface);
  void (*fillSurface)(void* surface, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                      float red, float green, float blue, float alpha);
  void* (*loadWipe)(void* context, uint32_t mode, const char16_t* path);
  void (*destroyWipe)(void* wipe);
  void (*setWipe)(void* wipe, uint32_t mode, float level);
  void (*setSurfaceSize)(void* surface, uint32_t width, uint32_t height);
  void* (*createFont)(void* context, uint32_t pixelSize, uint32_t flags);
  void (*destroyFont)(void* font);
  int32_t (*renderGlyph)(void* font, char16_t character);
  int32_t (*drawGlyph)(void* surface, uint32_t x, uint32_t y, uint32_t boxWidth,
                       uint32_t boxHeight, float red, float green, float blue, void* font,
                       const uint8_t* gamma);
  void (*fontMetrics)(uint32_t* advance, uint32_t* lineHeight, void* font);
};

inline constexpr uint32_t OMB_SPRITE_BATCH_VERTICES = 512;
inline constexpr uint32_t OMB_SPRITE_BATCHES = 128;

struct OmbSpriteVertex {
  float x, y;  // screen pixels
  float u, v;  // logical texels of the surface
  float red, green, blue, alpha;
};

struct OmbSpriteBatch {
  void* surface;
  void* wipe;
  uint32_t filter;     // 0 point, 1 linear
  uint32_t blend;      // 0 .. 8
  uint32_t alphaTest;  // 0 .. 4
  float threshold;
  uint32_t vertexCount;
  OmbSpriteVertex vertices[OMB_SPRITE_BATCH_VERTICES];
};

// A 4x3 affine matrix in row-vector form: rows x axis, y axis, z axis, translation.
struct OmbSpriteMatrix {
  float m[4][3];
};

// The state a sprite hands down to its children (and a renderer to its roots).
struct OmbSpriteDerived {
  OmbSpriteMatrix world;
  int32_t blend;
  int32_t alphaTest;
  float threshold;
  int32_t scaling;
  float color[4];
  float speed;
};

struct OmbSpriteDeviceSet;
struct OmbSpriteRenderer;
struct OmbSpriteText;
struct OmbSpriteFontEntry;

struct OmbSpriteImage {
  char16_t* key;  // lower-cased path; null for text images
  uint32_t rectRefs;
  uint32_t scriptRefs;
  void* surface;
  OmbSpriteDeviceSet* set;
  OMB_LIST_LINK link;
  int32_t handle;
};

struct OmbSpriteRect {
  uint32_t spriteRefs;
  uint32_t scriptRefs;
  OmbSpriteImage* image;
  uint32_t x, y, width, height;
  int32_t originX, originY;
  OmbSpriteRenderer* renderer;
  OMB_LIST_LINK link;
  OmbSpriteText* text;
  uint32_t drawnWidth, drawnHeight;
  OMB_LIST_LINK textLink;
  int32_t handle;
};

// Sprite flags.
inline constexpr uint32_t OMB_SPRITE_DIRTY = 0x1;
inline constexpr uint32_t OMB_SPRITE_SHOW = 0x2;
inline constexpr uint32_t OMB_SPRITE_VISIBLE = 0x4;
inline constexpr uint32_t OMB_SPRITE_REVERSE_X = 0x8;
inline constexpr uint32_t OMB_SPRITE_REVERSE_Y = 0x10;
inline constexpr uint32_t OMB_SPRITE_ROTATE_X = 0x20;
inline constexpr uint32_t OMB_SPRITE_ROTATE_Y = 0x40;
inline constexpr uint32_t OMB_SPRITE_ROTATE_Z = 0x80;
inline constexpr uint32_t OMB_SPRITE_TRANSFORM = 0x100;
inline constexpr uint32_t OMB_SPRITE_RECT_REVERSE_X = 0x200;
inline constexpr uint32_t OMB_SPRITE_RECT_REVERSE_Y = 0x400;
inline constexpr uint32_t OMB_SPRITE_QUAD_VALID = 0x4000;

struct OmbSprite {
  OmbSpriteRect* rect;
  uint32_t level;
  OMB_LIST_LINK levelLink;
  OmbSprite* parent;
  OMB_LIST shownChildren;
  OMB_LIST hiddenChildren;
  uint32_t flags;
  float posX, posY;
  float scaleX, scaleY;
  float rotationX, rotationY, rotationZ;
  // Sine and cosine of half of each angle, computed by the rotation setters so that the
  // update walk of a moving sprite never evaluates them again.
  float halfSin[3], halfCos[3];
  int32_t blend;
  int32_t alphaTest;
  float threshold;
  int32_t scaling;
  float color[4];
  OmbSpriteMatrix transform;
  float animationSpeed;
  // Derived by the update walk.
  OmbSpriteDerived derived;
  uint32_t blendCode, alphaTestCode, filterCode;
  float deviceThreshold;
  OmbSpriteVertex quad[4];
  uint32_t lockCount;
  uint32_t scriptRefs;
  OmbSpriteRenderer* renderer;
  OMB_LIST_LINK siblingLink;  // in the parent's (or renderer's) shown or hidden list
  int32_t handle;
};

enum class OmbSpriteRoot { Plain, X, Y, XY };

struct OmbSpriteRenderer {
  uint32_t width, height;
  uint32_t budget;  // text budget per update, 8.8 fixed point
  OmbSpriteDerived roots[4];
  OMB_LIST formats;
  OMB_LIST rects;
  OMB_LIST pendingTexts;  // rects with a pending text
  OMB_LIST shownRoots;
  OMB_LIST hiddenRoots;
  uint32_t levelCount;
  OMB_LIST* levels;
  uint32_t batchIndex;
  OmbSpriteBatch batches[OMB_SPRITE_BATCHES];
  OmbSpriteDeviceSet* set;
  OMB_LIST_LINK link;
  int32_t handle;
};

struct OmbSpriteDeviceSet {
  OmbSpriteDeviceOps ops;
  OMB_LIST images;
  std::unordered_map<std::u16string, OmbSpriteImage*> cache;
  OMB_LIST fonts;
  OMB_LIST renderers;
  OMB_LIST_LINK link;
};

// Module.
void ombSpriteInit();
void ombSpriteUninit();

// Device sets.
OmbSpriteDeviceSet* ombSpriteCreateDeviceSet(const OmbSpriteDeviceOps* ops);
void ombSpriteDestroyDeviceSet(OmbSpriteDeviceSet* set);
void ombSpriteUpdate(OmbSpriteDeviceSet* set);
void ombSpriteDraw(OmbSpriteDeviceSet* set);

// Images.
inline constexpr uint32_t OMB_SPRITE_PATH_UNITS = 128;
OmbSpriteImage* ombSpriteLoadImage(const char16_t* path, OmbSpriteDeviceSet* set);
OmbSpriteImage* ombSpriteCreateTextImage(uint32_t width, uint32_t height, OmbSpriteDeviceSet* set);
void ombSpriteDestroyImage(OmbSpriteImage* image);
void ombSpriteReleaseImage(OmbSpriteImage* image);  // the script's reference

// Renderers.
OmbSpriteRenderer* ombSpriteCreateRenderer(OmbSpriteDeviceSet* set, uint32_t width,
                                           uint32_t height, uint32_t levelCount);
void ombSpriteDestroyRenderer(OmbSpriteRenderer* renderer);
void ombSpriteSetRendererSpeed(OmbSpriteRenderer* renderer, float speed);
void ombSpriteUpdateRenderer(OmbSpriteRenderer* renderer);
void ombSpriteDrawRenderer(OmbSpriteRenderer* renderer);

// Rects.
OmbSpriteRect* ombSpriteCreateRect(OmbSpriteImage* image, OmbSpriteRenderer* renderer, uint32_t x,
                                   uint32_t y, uint32_t width, uint32_t height, int32_t originX,
                                   int32_t originY);
void ombSpriteDestroyRect(OmbSpriteRect* rect);
void ombSpriteReleaseRect(OmbSpriteRect* rect);  // the script's reference

// Sprites.
OmbSprite* ombSpriteCreate(OmbSpriteRenderer* renderer);
void ombSpriteDestroy(OmbSprite* sprite);
bool ombSpriteUnlock(OmbSprite* sprite);   // true when the sprite was destroyed
bool ombSpriteRelease(OmbSprite* sprite);  // the script's reference; true when destroyed
// A rect of another renderer is refused (false): the sprite would outlive it.
bool ombSpriteSetRect(OmbSprite* sprite, OmbSpriteRect* rect);
// A parent of another renderer, the sprite itself or one of its descendants is refused
// (false): the tree would hold a cycle or span two renderers.
bool ombSpriteSetParent(OmbSprite* sprite, OmbSprite* parent);
int32_t ombSpriteSetLevel(OmbSprite* sprite, uint32_t index);
void ombSpriteSetShow(OmbSprite* sprite, bool show);
void ombSpriteSetRotationX(OmbSprite* sprite, float radians);
void ombSpriteSetRotationY(OmbSprite* sprite, float radians);
void ombSpriteSetRotationZ(OmbSprite* sprite, float radians);
void ombSpriteSetReverse(OmbSprite* sprite, bool x, bool y);
void ombSpriteSetRectReverse(OmbSprite* sprite, bool x, bool y);
void ombSpriteSetTransform(OmbSprite* sprite, const OmbSpriteMatrix* matrix);

// Internal to the module's files.
void ombSpriteBuildQuad(OmbSprite* sprite);
void ombSpriteFlushBatches(OmbSpriteRenderer* renderer);
OMB_LIST* ombSpriteLevelList(OmbSprite* sprite);
void ombSpriteDestroyFontEntries(OmbSpriteDeviceSet* set);
void ombSpriteFreeTextFormats(OmbSpriteRenderer* renderer);
