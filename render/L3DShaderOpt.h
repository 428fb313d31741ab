#pragma once

#include "foundation/dbtl/DObject.h"
#include "render/L3DPoolRef.h"
#include "render/L3DShaderKind.h"

#include <cstdint>

// The shader options of a model: one object per stored option, of the class of its kind. The
// model reader fills them; the renderer's materials take the first option of a list whose part
// and material selectors match (an empty selector matches everything) and the passes read their
// colours, parameters and textures. Selector and texture names point into the name pool of the
// loaded model, which outlives every option made from it.

// Texture address mode of an option that makes the material's textures wrap; any other value
// keeps the device's clamp.
constexpr uint32_t L3D_SHADEROPT_ADDRESS_WRAP = 1;

[[noreturn]] void l3dShaderOptMismatch(uint32_t kind);

struct L3D_RENDERER_SHADEROPT : dbtl::DObject {
  L3DPoolRef partName;      // first selector, matched against the part's name
  L3DPoolRef materialName;  // second selector, matched against the material's name
  uint32_t kind = 0;
  uint32_t blendMode = 0;
  float edgeWidth = 0.0f;  // 0: no outline pass
  float edgeColour[4] = {};
  uint32_t addressMode = 0;
};

struct L3D_RENDERER_SHADEROPT_NORMAL : L3D_RENDERER_SHADEROPT {
  float colourA[4] = {};
  float colourB[4] = {};
};

struct L3D_RENDERER_SHADEROPT_HIGHLIGHT : L3D_RENDERER_SHADEROPT {
  float colourA[4] = {};
  float colourB[4] = {};
  L3DPoolRef texture;
  float parameter = 0.0f;
};

struct L3D_RENDERER_SHADEROPT_FURLIGHT : L3D_RENDERER_SHADEROPT {
  float colourA[4] = {};
  float colourB[4] = {};
  L3DPoolRef texture;
  float parameter = 0.0f;
  float direction[3] = {};
};

struct L3D_RENDERER_SHADEROPT_TEXLIGHT : L3D_RENDERER_SHADEROPT {
  L3DPoolRef texture;
  float parameter = 0.0f;
};

struct L3D_RENDERER_SHADEROPT_TEXHIGHLIGHT : L3D_RENDERER_SHADEROPT {
  L3DPoolRef texture;
  float parameter = 0.0f;
  L3DPoolRef texture2;
  float parameter2 = 0.0f;
};

struct L3D_RENDERER_SHADEROPT_TEXFURLIGHT : L3D_RENDERER_SHADEROPT {
  L3DPoolRef texture;
  float parameter = 0.0f;
  L3DPoolRef texture2;
  float parameter2 = 0.0f;
  float direction[3] = {};
};

struct L3D_RENDERER_SHADEROPT_MAP3 : L3D_RENDERER_SHADEROPT {
  float colourA[4] = {};
  float colourB[4] = {};
  L3DPoolRef texture;
  L3DPoolRef texture2;
};

// The option as the class of its kind. An option whose class does not match its kind cannot come
// from the model reader; meeting one is fatal rather than a read of fields it does not have.
template <class T>
T& l3dShaderOptAs(L3D_RENDERER_SHADEROPT& option) {
  T* typed = dynamic_cast<T*>(&option);
  if (typed == nullptr) l3dShaderOptMismatch(option.kind);
  return *typed;
}
