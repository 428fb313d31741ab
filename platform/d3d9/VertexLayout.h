#pragma once

// Where each element of a flexible-vertex-format vertex lies: position (with its blend weights),
// normal, point size, colours and texture-coordinate sets, and the vertex size.

#include "platform/d3d9/D3d9Types.h"

#include <optional>

namespace d3d9 {

struct VertexLayout {
  bool pretransformed = false;  // XYZRHW: x, y in pixels, z, 1/w
  uint32_t positionFloats = 3;  // 3, or 4 for XYZRHW and XYZW
  uint32_t betaCount = 0;       // blend weights after the position (the last may be indices)
  int32_t normal = -1;          // byte offsets, -1 when absent
  int32_t pointSize = -1;
  int32_t diffuse = -1;
  int32_t specular = -1;
  uint32_t texCount = 0;
  uint32_t texOffset[8] = {};
  uint32_t texComponents[8] = {};
  uint32_t stride = 0;
};

// Empty for a format without a position or with an unknown position kind.
std::optional<VertexLayout> vertexLayout(DWORD fvf);

}  // namespace d3d9
