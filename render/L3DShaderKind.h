#pragma once

#include <cstdint>

// Shader kinds: the kind stored in a model's shader option (0 to 5 and 10); 6 to 9 are the
// renderer's own.
enum L3DShaderKind : uint32_t {
  L3D_SHADER_NORMAL = 0,
  L3D_SHADER_HIGHLIGHT = 1,
  L3D_SHADER_FURLIGHT = 2,
  L3D_SHADER_TEXLIGHT = 3,
  L3D_SHADER_TEXHIGHLIGHT = 4,
  L3D_SHADER_TEXFURLIGHT = 5,
  L3D_SHADER_EDGE = 6,
  L3D_SHADER_LINE = 7,
  L3D_SHADER_LINECOLOR = 8,
  L3D_SHADER_NOLIGHT = 9,
  L3D_SHADER_MAP3 = 10,
};

constexpr uint32_t L3D_SHADER_KINDS = 11;
