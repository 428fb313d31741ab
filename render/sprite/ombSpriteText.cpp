#include "render/sprite/ombSpriteText.h"

#include "render/sprite/ombSpritePools.h"
#include "script/ScriptHandle.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

OmbSpriteFontEntry* findOrCreateFont(OmbSpriteDeviceSet* set, uint32_t size) {
  for (OMB_LIST_LINK* l = set->fonts.head.next; l != &set->fonts.head; l = l->next) {
    OmbSpriteFontEntry* entry = ombSpriteOf<OmbSpriteFontEntry>(&set->fonts, l);
    if (entry->pixelSize == size) {
      return entry;
    }
  }
  void* font = set->ops.createFont(set->ops.context, size, 4);
  if (font == nullptr) {
    return nullptr;
  }
  OmbSpriteFontEntry* entry = ombSpritePoolNew<OmbSpriteFontEntry>(ombSpritePools().fonts);
  if (entry == nullptr) {
    set->ops.destroyFont(font);
    return nullptr;
  }
  entry->pixelSize = size;
  entry->font = font;
  ombListAppend(&set->fonts, &entry->link);
  return entry;
}

void freeFormat(OmbSpriteTextFormat* format) {
  ombListRemove(&format->renderer->formats, &format->link);
  scriptHandles().remove(format->handle);
  ombSpritePoolDelete(ombSpritePools().formats, format);
}

char16_t currentUnit(const OmbSpriteText* text) {
  return text->chunk->units[text->index];
}

void nextUnit(OmbSpriteText* text) {
  if (++text->index == OMB_SPRITE_TEXT_CHUNK_UNITS) {
    text->index = 0;
    text->chunk = ombSpriteOf<OmbSpriteTextChunk>(&text->chunks, text->chunk->link.next);
  }
}

}  // namespace

OmbSpriteTextFormat* ombSpriteCreateTextFormat(OmbSpriteRenderer* renderer,
                                               const OmbSpriteTextFormatParams& params) {
  OmbSpriteFontEntry* font = findOrCreateFont(renderer->set, params.fontSize);
  if (font == nullptr) {
    return nullptr;
  }
  OmbSpriteTextFormat* f = ombSpritePoolNew<OmbSpriteTextFormat>(ombSpritePools().formats);
  if (f == nullptr) {
    return nullptr;
  }
  f->scriptRefs = 1;
  f->clearFlags = params.clearFlags;
  f->font = font;
  const double g = params.gamma > 0.0f ? params.gamma : 1.0;
  for (int i = 0; i < 256; ++i) {
    const double value = std::pow(i / 255.0, 1.0 / g) * 255.0 + 0.5;
    f->gamma[i] = static_cast<uint8_t>(std::clamp(static_cast<int>(value), 0, 255));
  }
  // The wait is kept in 32 bits; a delay beyond its range waits as long as it can.
  const uint64_t wait = static_cast<uint64_t>(params.speed) * 256u;
  f->wait = wait > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(wait);
  f->color[0] = params.red;
  f->color[1] = params.green;
  f->color[2] = params.blue;
  f->color[3] = params.alpha;
  f->penX = params.penX;
  f->penY = params.penY;
  f->marginX = params.marginX;
  f->marginY = params.marginY;
  f->renderer = renderer;
  ombListAppend(&renderer->formats, &f->link);
  return f;
}

void ombSpriteDestroyTextFormat(OmbSpriteTextFormat* format) {
  freeFormat(format);
}

void ombSpriteReleaseTextFormat(OmbSpriteTextFormat* format) {
  if (format->scriptRefs != 0 && --format->scriptRefs == 0 && format->textRefs == 0) {
    freeFormat(format);
  }
}

void ombSpriteFreeTextFormats(OmbSpriteRenderer* renderer) {
  while (renderer->formats.count != 0) {
    freeFormat(ombSpriteOf<OmbSpriteTextFormat>(&renderer->formats, renderer->formats.head.next));
  }
}

void ombSpriteDestroyFontEntries(OmbSpriteDeviceSet* set) {
  while (set->fonts.count != 0) {
    OmbSpriteFontEntry* entry = ombSpriteOf<OmbSpriteFontEntry>(&set->fonts, set->fonts.head.next);
    ombListRemove(&set->fonts, &entry->link);
    set->ops.destroyFont(entry->font);
    ombSpritePoolDelete(ombSpritePools().fonts, entry);
  }
}

int32_t ombSpriteDrawText(OmbSpriteRect* rect, OmbSpriteTextFormat* format, const char16_t* text) {
  ombSpriteCancelText(rect);
  if (format == nullptr) {
    return 1;
  }
  OmbSpriteText* t = ombSpritePoolNew<OmbSpriteText>(ombSpritePools().texts);
  if (t == nullptr) {
    return 1;
  }
  ++format->textRefs;
  t->format = format;
  ombListInit(&t->chunks, offsetof(OmbSpriteTextChunk, link));
  const char16_t empty[1] = {0};
  const char16_t* units = text != nullptr ? text : empty;
  std::size_t i = 0;
  for (;;) {
    OmbSpriteTextChunk* chunk = ombSpritePoolNew<OmbSpriteTextChunk>(ombSpritePools().chunks);
    if (chunk == nullptr) {
      break;
    }
    ombListAppend(&t->chunks, &chunk->link);
    bool ended = false;
    for (uint32_t k = 0; k < OMB_SPRITE_TEXT_CHUNK_UNITS; ++k) {
      chunk->units[k] = units[i];
      if (units[i++] == 0) {
        ended = true;
        break;
      }
    }
    if (ended) {
      break;
    }
  }
  t->chunk = ombSpriteOf<OmbSpriteTextChunk>(&t->chunks, t->chunks.head.next);
  t->index = 0;
  t->clearFlags = format->clearFlags;
  t->wait = 0;
  t->penX = format->penX;
  t->penY = format->penY;
  rect->text = t;
  rect->drawnWidth = 0;
  rect->drawnHeight = 0;
  ombListAppend(&rect->renderer->pendingTexts, &rect->textLink);
  return 1;
}

void ombSpriteCancelText(OmbSpriteRect* rect) {
  OmbSpriteText* t = rect->text;
  if (t == nullptr) {
    return;
  }
  OmbSpriteTextFormat* format = t->format;
  if (format->textRefs != 0 && --format->textRefs == 0 && format->scriptRefs == 0) {
    freeFormat(format);
  }
  while (t->chunks.count != 0) {
    OmbSpriteTextChunk* chunk =
        ombSpriteOf<OmbSpriteTextChunk>(&t->chunks, t->chunks.head.next);
    ombListRemove(&t->chunks, &chunk->link);
    ombSpritePoolDelete(ombSpritePools().chunks, chunk);
  }
  ombSpritePoolDelete(ombSpritePools().texts, t);
  rect->text = nullptr;
  ombListRemove(&rect->renderer->pendingTexts, &rect->textLink);
}

void ombSpriteAdvanceText(OmbSpriteRect* rect, uint32_t budget) {
  OmbSpriteText* t = rect->text;
  if (t == nullptr) {
    return;
  }
  OmbSpriteTextFormat* f = t->format;
  const OmbSpriteDeviceOps& ops = rect->renderer->set->ops;
  void* surface = rect->image->surface;
  void* font = f->font->font;
  ops.beginEdit(surface);
  if (t->clearFlags != 0) {
    const uint32_t flags = t->clearFlags;
    t->clearFlags = 0;
    ops.fillSurface(surface, rect->x, rect->y, rect->width, rect->height, f->color[0],
                    f->color[1], f->color[2], f->color[3]);
    if (flags & OMB_SPRITE_CLEAR_ALONE) {
      ops.endEdit(surface);
      return;
    }
  }
  // Positions are computed in 64 bits: pens and margins come from scripts and may be far
  // outside the rect.
  const int64_t right = static_cast<int64_t>(rect->x) + rect->width;
  const int64_t bottom = static_cast<int64_t>(rect->y) + rect->height;
  for (;;) {
    const char16_t c = currentUnit(t);
    if (c == 0) {
      ops.endEdit(surface);
      ombSpriteCancelText(rect);
      return;
    }
    if (budget < t->wait) {
      t->wait -= budget;
      ops.endEdit(surface);
      return;
    }
    budget -= t->wait;
    t->wait = f->wait;
    uint32_t advance = 0;
    uint32_t lineHeight = 0;
    if (c == u'\n') {
      ops.fontMetrics(&advance, &lineHeight, font);
      rect->drawnHeight = static_cast<uint32_t>(t->penY - f->penY + static_cast<int64_t>(lineHeight));
      t->penX = f->penX;
      t->penY += f->marginY + static_cast<int32_t>(lineHeight);
    } else {
      const int64_t left = std::min<int64_t>(rect->x + static_cast<int64_t>(t->penX), right);
      const int64_t top = std::min<int64_t>(rect->y + static_cast<int64_t>(t->penY), bottom);
      const int64_t availableWidth = right - left;
      const int64_t availableHeight = bottom - top;
      // A pen left of or above the rect has no place on the surface: the character is skipped.
      if (availableWidth != 0 && availableHeight != 0 && left >= 0 && top >= 0 &&
          left >= rect->x && top >= rect->y) {
        ops.renderGlyph(font, c);
        ops.drawGlyph(surface, static_cast<uint32_t>(left), static_cast<uint32_t>(top),
                      static_cast<uint32_t>(availableWidth), static_cast<uint32_t>(availableHeight),
                      f->color[0], f->color[1], f->color[2], font, f->gamma);
        ops.fontMetrics(&advance, &lineHeight, font);
        if (advance != 0) {
          const int64_t extent = static_cast<int64_t>(t->penX) - f->penX + advance;
          rect->drawnWidth = std::max<uint32_t>(rect->drawnWidth, static_cast<uint32_t>(extent));
          rect->drawnHeight = static_cast<uint32_t>(t->penY - f->penY + static_cast<int64_t>(lineHeight));
          t->penX += f->marginX + static_cast<int32_t>(advance);
        }
      }
    }
    nextUnit(t);
  }
}

void ombSpriteFlushText(OmbSpriteRect* rect) {
  while (rect->text != nullptr) {
    ombSpriteAdvanceText(rect, 0xFFFFFFFFu);
  }
}

void ombSpriteFlushAllTexts(OmbSpriteRenderer* renderer) {
  while (renderer->pendingTexts.count != 0) {
    ombSpriteFlushText(
        ombSpriteOf<OmbSpriteRect>(&renderer->pendingTexts, renderer->pendingTexts.head.next));
  }
}
