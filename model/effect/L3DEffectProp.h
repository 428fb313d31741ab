#pragma once

// The effect definition file ("EFSD"): the textures, images and models that every effect of an
// engine draws with. The effect manager loads it first; data files check their image and model
// numbers against it.

#include "foundation/bytes/Parsed.h"
#include "foundation/dbtl/rcptr.h"
#include "model/effect/L3DEffectTypes.h"
#include "render/device/L3DTexture.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class L3DRenderer;

constexpr uint32_t L3D_EFFECT_PROP_MAGIC = 0x44534645;  // "EFSD"

// Loads the texture of a definition's texture entry: (pack, texture name, option byte).
using L3DEffectTextureLoader =
    std::function<dbtl::rcptr<L3DTexture>(int32_t pack, const char* name, uint8_t option)>;

// L3DRenderer::LoadTexture, which takes the option as its mip switch (non-zero: mip levels).
L3DEffectTextureLoader l3dEffectRendererTextures(L3DRenderer& renderer);

// Parses a definition from its descrambled bytes into prop (whose tables are replaced).
// fullName names the file in messages; texture i is loaded as name followed by i in decimal.
// A broken file gives the game's message, which l3dLoadEffectProp raises as the fatal error.
Parsed<> l3dParseEffectProp(L3DEffectProp& prop, const uint8_t* bytes, size_t size,
                            const char* fullName, int32_t pack, const char* name,
                            const L3DEffectTextureLoader& textures);

// The definition "name.dat" of the pack. A missing file is logged and leaves the tables empty.
void l3dLoadEffectProp(L3DEffectProp& prop, int32_t pack, const char* name,
                       const L3DEffectTextureLoader& textures);

// The full pack file name of name, for messages.
std::string l3dEffectPackFileName(int32_t pack, const char* name);
// name with the extension "dat" (no directory added).
std::string l3dEffectFileName(const char* name);
