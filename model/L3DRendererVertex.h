#pragma once

#include "foundation/dbtl/rcptr.h"

#include <cstddef>
#include <cstdint>

// The renderer's vertex as models store it (56 bytes, flexible vertex format 0x815E) and the
// vertex list of a vertex set. Like the shader options, these are the renderer's records,
// declared here until the renderer's drawing code exists.

struct L3D_RENDERER_VERTEX {
  float x = 0.0f, y = 0.0f, z = 0.0f;
  float weights[4] = {};
  // Palette slots, 1-based, 0 = none; the four bytes of one 32-bit value in memory order.
  uint8_t slots[4] = {};
  float nx = 0.0f, ny = 0.0f, nz = 0.0f;
  uint32_t colour = 0;  // A << 24 | R << 16 | G << 8 | B
  float u = 0.0f, v = 0.0f;
};
static_assert(sizeof(L3D_RENDERER_VERTEX) == 56);
static_assert(offsetof(L3D_RENDERER_VERTEX, nx) == 32);

// A vertex followed by two more texture-coordinate pairs (72 bytes).
struct L3D_RENDERER_PACKEDVERTEX {
  L3D_RENDERER_VERTEX vertex;
  float u2 = 0.0f, v2 = 0.0f;
  float u3 = 0.0f, v3 = 0.0f;
};
static_assert(sizeof(L3D_RENDERER_PACKEDVERTEX) == 72);

inline constexpr uint32_t L3D_RENDERER_FVF = 0x815E;

struct L3D_RENDERER_VERTEXLIST {
  dbtl::rcptr<L3D_RENDERER_VERTEX> vertices;
  uint32_t count = 0;
  // 0 = rigid; otherwise the largest number of bone weights of a vertex.
  uint32_t blendCount = 0;
};
