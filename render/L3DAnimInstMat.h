#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/rcptr.h"
#include "render/L3DShaderOpt.h"
#include "render/device/L3DTexture.h"

#include <cstdint>

class L3DRenderer;

// Where a material's textures come from: the texture resolver of the object instance the
// material belongs to. An instance made without a resolver yields no textures.
class L3DMaterialTextures {
 public:
  virtual ~L3DMaterialTextures() = default;
  virtual bool CanResolve() = 0;
  // The loaded texture, or an empty handle (the resolver logs what it did not find).
  virtual dbtl::rcptr<L3DTexture> Resolve(const char* name, bool mip) = 0;
};

// The material of one mesh of an object instance: the shader option it draws with and the
// textures it binds. The main texture is the mesh's own (stage 0); texture2 and texture3 come
// from the option's texture names. A default material points at the renderer's embedded option
// without holding a reference to it.
struct L3D_ANIMINST_MAT {
  dbtl::rcptr<L3D_RENDERER_SHADEROPT> option;
  dbtl::rcptr<L3DTexture> texture;
  dbtl::rcptr<L3DTexture> texture2;
  dbtl::rcptr<L3DTexture> texture3;

  // The first option of the list whose selectors match firstName and secondName (without regard
  // to case; an empty selector matches anything), with the main texture resolved from
  // mainTexture with mip levels and the option's textures without. False, with the material
  // unchanged, when no option matches. An option of a kind without textures of its own
  // (6 to 9 or unknown) is fatal.
  static bool Create(L3D_ANIMINST_MAT& material, dbtl::DList<L3D_RENDERER_SHADEROPT>& options,
                     L3DMaterialTextures& textures, const char* mainTexture,
                     const char* firstName, const char* secondName);
  // The renderer's embedded default option and no textures.
  static void CreateDefault(L3D_ANIMINST_MAT& material, L3DRenderer& renderer);
};
