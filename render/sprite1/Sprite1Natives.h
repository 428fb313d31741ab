#pragma once

#include "render/sprite1/sprite1.h"
#include "script/ScriptHandle.h"
#include "script/ScriptObject.h"

// The script natives of sprite layer 1 that act on existing objects, write texts and create
// rects. Scripts hold images, fonts, renderers and rects as checked handles of the kinds
// below; a destroyed object's handle is refused with the handle error.
inline constexpr ScriptHandleKind kSprite1ImageHandle{u"sprite1 image"};
inline constexpr ScriptHandleKind kSprite1FontHandle{u"sprite1 font"};
inline constexpr ScriptHandleKind kSprite1RendererHandle{u"sprite1 renderer"};
inline constexpr ScriptHandleKind kSprite1RectHandle{u"sprite1 rect"};

// The handle scripts hold for an object (made on first request, retired when the object is
// destroyed); 0 for null. The engines' creating natives return these.
int32_t sprite1ImageHandle(sprite1::Image* image);
int32_t sprite1FontHandle(sprite1::Font* font);
int32_t sprite1RendererHandle(sprite1::Renderer* renderer);
int32_t sprite1RectHandle(sprite1::Rect* rect);

// Registers the natives into the table the engine's registrar hands over.
void registerSprite1Api(const ScriptObject& table);
