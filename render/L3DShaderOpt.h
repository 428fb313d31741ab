#pragma once

#include "foundation/dbtl/DObject.h"
#include "render/L3DPoolRef.h"
#include "render/L3DShaderKind.h"

#include <cstdint>

// The shader options of a model: one object per stored option, of the class of its kind. The
// model reader fills them; what the blocks and numbers mean belongs to the renderer's materials,
// which take the first option of a list whose part and material names match (an absent name
// matches everything). The names point into the pool of the loaded model.

struct L3D_RENDERER_SHADEROPT : dbtl::DObject {
  L3DPoolRef partName;
  L3DPoolRef materialName;
  uint32_t kind = 0;
  uint32_t blendMode = 0;
  float value = 0.0f;
  uint8_t params[16] = {};
  uint32_t extra = 0;
};

struct L3D_RENDERER_SHADEROPT_NORMAL : L3D_RENDERER_SHADEROPT {
  uint8_t block0[16] = {};
  uint8_t block1[16] = {};
};

struct L3D_RENDERER_SHADEROPT_HIGHLIGHT : L3D_RENDERER_SHADEROPT {
  uint8_t block0[16] = {};
  uint8_t block1[16] = {};
  L3DPoolRef texture;
  float textureValue = 0.0f;
};

struct L3D_RENDERER_SHADEROPT_FURLIGHT : L3D_RENDERER_SHADEROPT {
  uint8_t block0[16] = {};
  uint8_t block1[16] = {};
  L3DPoolRef texture;
  float textureValue = 0.0f;
  uint8_t fur[12] = {};
};

struct L3D_RENDERER_SHADEROPT_TEXLIGHT : L3D_RENDERER_SHADEROPT {
  L3DPoolRef texture;
  float textureValue = 0.0f;
};

struct L3D_RENDERER_SHADEROPT_TEXHIGHLIGHT : L3D_RENDERER_SHADEROPT {
  L3DPoolRef texture;
  float textureValue = 0.0f;
  L3DPoolRef texture2;
  float textureValue2 = 0.0f;
};

struct L3D_RENDERER_SHADEROPT_TEXFURLIGHT : L3D_RENDERER_SHADEROPT {
  L3DPoolRef texture;
  float textureValue = 0.0f;
  L3DPoolRef texture2;
  float textureValue2 = 0.0f;
  uint8_t fur[12] = {};
};

struct L3D_RENDERER_SHADEROPT_MAP3 : L3D_RENDERER_SHADEROPT {
  uint8_t block0[16] = {};
  uint8_t block1[16] = {};
  L3DPoolRef texture;
  L3DPoolRef texture2;
};
