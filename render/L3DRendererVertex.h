#pragma once

#include <cstdint>

// The 56-byte vertex of the renderer and of sprite layer 1, laid out as the device's default
// vertex format 0x815E: position, four blend weights and four blend indices packed in the last
// weight's place (a colour word: index 0 in the blue byte), normal, diffuse colour, one
// texture-coordinate pair.
struct L3D_RENDERER_VERTEX {
  float x, y, z;
  float weight[4];
  uint32_t indices;
  float nx, ny, nz;
  uint32_t diffuse;
  float u, v;
};

static_assert(sizeof(L3D_RENDERER_VERTEX) == 56, "the vertex format fixes 56 bytes");
