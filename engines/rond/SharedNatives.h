#pragma once

// Native bodies that more than one versus table registers: the controller flags and a
// player's parameter read by slot (system and guide tables), and the creating sprite natives
// on the sprite set of the calling script (the system's or its guide's).

#include "render/sprite1/Sprite1Natives.h"
#include "render/sprite1/sprite1.h"
#include "squirrel/squirrel.h"

#include <algorithm>
#include <cstdint>

namespace rond {

// Flag byte index (0 to 47) of the slot's controller; false for a slot without a player.
bool ctrlGetEventOfSlot(HSQUIRRELVM vm, int32_t slot, int32_t index);
int32_t playerParameterOfSlot(HSQUIRRELVM vm, int32_t slot, int32_t index);

// The sprite set a creating native works in; null where no renderer draws (the natives then
// create nothing and return the null handle 0).
using SpriteSetOf = sprite1::System* (*)(HSQUIRRELVM vm);

template <SpriteSetOf Of>
int32_t spriteCreateDynamicImage(HSQUIRRELVM vm, int32_t width, int32_t height) {
  sprite1::System* sprites = Of(vm);
  if (sprites == nullptr) return 0;
  return sprite1ImageHandle(
      sprite1::imageCreateDynamic(sprites, std::max(width, 0), std::max(height, 0)));
}

template <SpriteSetOf Of>
int32_t spriteCreateFont(HSQUIRRELVM vm, int32_t size) {
  sprite1::System* sprites = Of(vm);
  return sprites != nullptr ? sprite1FontHandle(sprite1::fontHandleCreate(sprites, size)) : 0;
}

template <SpriteSetOf Of>
int32_t spriteCreateRenderer(HSQUIRRELVM vm, int32_t width, int32_t height, int32_t levels) {
  sprite1::System* sprites = Of(vm);
  if (sprites == nullptr) return 0;
  return sprite1RendererHandle(sprite1::rendererCreate(sprites, width, height, levels));
}

// An image of a directory in the sprite set.
template <SpriteSetOf Of>
int32_t imageOf(HSQUIRRELVM vm, const char16_t* directory, const char16_t* path) {
  sprite1::System* sprites = Of(vm);
  return sprites != nullptr ? sprite1ImageHandle(sprite1::imageLoad(directory, sprites, path)) : 0;
}

}  // namespace rond
