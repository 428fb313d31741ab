#pragma once

#include "foundation/dbtl/rcptr.h"

#include <cstddef>
#include <cstdint>

// The 56-byte vertex of the renderer, of the models and of sprite layer 1, laid out as the
// device's default vertex format 0x815E: position, four blend weights, four blend indices packed
// in one colour word (index 0 in the blue byte, the first in memory), normal, diffuse colour,
// one texture-coordinate pair.
struct L3D_RENDERER_VERTEX {
  float x = 0.0f, y = 0.0f, z = 0.0f;
  float weights[4] = {};
  // Palette slots, 1-based, 0 = none; the four bytes of one 32-bit value in memory order.
  uint8_t slots[4] = {};
  float nx = 0.0f, ny = 0.0f, nz = 0.0f;
  uint32_t colour = 0;  // A << 24 | R << 16 | G << 8 | B
  float u = 0.0f, v = 0.0f;
};
static_assert(sizeof(L3D_RENDERER_VERTEX) == 56, "the vertex format fixes 56 bytes");
static_assert(offsetof(L3D_RENDERER_VERTEX, nx) == 32);

inline constexpr uint32_t L3D_RENDERER_FVF = 0x815E;

// A vertex followed by two more texture-coordinate pairs (72 bytes, format 0x835E), for meshes
// with three texture-coordinate sets.
struct L3D_RENDERER_PACKEDVERTEX {
  L3D_RENDERER_VERTEX vertex;
  float u2 = 0.0f, v2 = 0.0f;
  float u3 = 0.0f, v3 = 0.0f;
};
static_assert(sizeof(L3D_RENDERER_PACKEDVERTEX) == 72);

// The vertex list of a vertex set: the vertices, their number and how many bone weights the
// heaviest vertex uses (0 = rigid).
struct L3D_RENDERER_VERTEXLIST {
  dbtl::rcptr<L3D_RENDERER_VERTEX> vertices;
  uint32_t count = 0;
  uint32_t blendCount = 0;
};
