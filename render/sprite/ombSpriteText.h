#pragma once

#include "render/sprite/ombSprite.h"

#include <cstdint>

// Texts written into the text surface of a rect character by character: a text format fixes
// font size, gamma, colour, pen start, margins, delay per character and the clearing of the
// area; a pending text is the text queued on one rect with its position, wait and pen.

struct OmbSpriteFontEntry {
  uint32_t pixelSize;
  void* font;
  OMB_LIST_LINK link;
};

// Clear flags: bit 0 clears the area in one advance and starts the characters in the next;
// bit 1 clears it and goes on with the characters in the same advance.
inline constexpr uint32_t OMB_SPRITE_CLEAR_ALONE = 1;
inline constexpr uint32_t OMB_SPRITE_CLEAR_THEN_WRITE = 2;

struct OmbSpriteTextFormatParams {
  uint32_t clearFlags;
  uint32_t fontSize;
  float gamma;
  uint32_t speed;  // updates per character
  float red, green, blue, alpha;
  int32_t penX, penY;
  int32_t marginX, marginY;
};

struct OmbSpriteTextFormat {
  uint32_t textRefs;
  uint32_t scriptRefs;
  uint32_t clearFlags;
  OmbSpriteFontEntry* font;
  uint8_t gamma[256];
  uint32_t wait;  // per character, 1/256 update units
  float color[4];
  int32_t penX, penY;
  int32_t marginX, marginY;
  OmbSpriteRenderer* renderer;
  OMB_LIST_LINK link;
  int32_t handle;
};

inline constexpr uint32_t OMB_SPRITE_TEXT_CHUNK_UNITS = 64;

struct OmbSpriteTextChunk {
  char16_t units[OMB_SPRITE_TEXT_CHUNK_UNITS];
  OMB_LIST_LINK link;
};

struct OmbSpriteText {
  OmbSpriteTextFormat* format;
  OMB_LIST chunks;
  OmbSpriteTextChunk* chunk;
  uint32_t index;
  uint32_t clearFlags;
  uint32_t wait;
  int32_t penX, penY;
};

OmbSpriteTextFormat* ombSpriteCreateTextFormat(OmbSpriteRenderer* renderer,
                                               const OmbSpriteTextFormatParams& params);
void ombSpriteDestroyTextFormat(OmbSpriteTextFormat* format);
void ombSpriteReleaseTextFormat(OmbSpriteTextFormat* format);  // the script's reference
int32_t ombSpriteDrawText(OmbSpriteRect* rect, OmbSpriteTextFormat* format, const char16_t* text);
void ombSpriteCancelText(OmbSpriteRect* rect);
void ombSpriteAdvanceText(OmbSpriteRect* rect, uint32_t budget);
void ombSpriteFlushText(OmbSpriteRect* rect);
void ombSpriteFlushAllTexts(OmbSpriteRenderer* renderer);
