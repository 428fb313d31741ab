#pragma once

#include "foundation/dbtl/rcptr.h"
#include "render/L3DShaderOpt.h"
#include "render/device/L3DTexture.h"

// The material of one vertex set of an object instance: the shader option it was made from
// (empty for the renderer's default material) and the texture it draws with. The renderer's
// materials build and read it; the part instances only hold it and hand it to them.
struct L3D_ANIMINST_MAT {
  dbtl::rcptr<L3D_RENDERER_SHADEROPT> option;
  dbtl::rcptr<L3DTexture> texture;
};
