#pragma once

#include "foundation/dbtl/rcptr.h"
#include "render/L3DRendererVertex.h"

#include <cstddef>
#include <cstdint>

// The vertex list of a vertex set, over the renderer's vertex.
struct L3D_RENDERER_VERTEXLIST {
  dbtl::rcptr<L3D_RENDERER_VERTEX> vertices;
  uint32_t count = 0;
  // 0 = rigid; otherwise the largest number of bone weights of a vertex.
  uint32_t blendCount = 0;
};
