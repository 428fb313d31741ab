#pragma once

#include <cstdint>

// The renderer's fog, kept as one block: the depth-sorted list saves it with every group and
// puts it back while the group is drawn. The engines write enabled, scale and offset directly;
// the vertex shaders compute the fog factor as view depth x scale + offset.
struct L3DRendererFog {
  uint8_t enabled = 0;
  uint32_t color = 0;  // 0x00RRGGBB
  float scale = 0.0f;
  float offset = 0.0f;
};
