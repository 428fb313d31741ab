#pragma once

#include "render/sprite/ombSprite.h"
#include "script/ScriptHandle.h"
#include "script/ScriptObject.h"

// The script natives of sprite layer 2. Scripts hold images, renderers, text formats, rects
// and sprites as checked handles of the kinds below.
inline constexpr ScriptHandleKind kSpriteImageHandle{u"sprite image"};
inline constexpr ScriptHandleKind kSpriteRendererHandle{u"sprite renderer"};
inline constexpr ScriptHandleKind kSpriteTextFormatHandle{u"sprite text format"};
inline constexpr ScriptHandleKind kSpriteRectHandle{u"sprite rect"};
inline constexpr ScriptHandleKind kSpriteHandle{u"sprite"};

// Finds the device set of the engine a machine works for.
using Sprite2SetResolver = OmbSpriteDeviceSet* (*)(HSQUIRRELVM vm);

// Registers the 78 natives in the table; the natives reach their device set through the
// resolver (one per process: the engine that uses this layer sets it).
void registerSprite2Api(const ScriptObject& table, Sprite2SetResolver resolver);
