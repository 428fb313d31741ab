#pragma once

// What the renderer reads of an object instance when it draws it. The model library's object
// instance implements L3DDrawable over its part instances; the renderer copies each part's
// description and its meshes into its own scratch, so nothing here is kept beyond one call
// except the arrays the descriptions point at, which belong to the instance and stay valid until
// the instance is animated or released (blended meshes are drawn from them at DrawZsd).

#include "foundation/math/LMat.h"
#include "render/L3DAnimInstMat.h"
#include "render/L3DRendererVertex.h"
#include "render/device/L3DResources.h"
#include "render/device/L3DTexture.h"

#include <cstdint>

// Mesh flags.
constexpr uint32_t L3D_DRAWMESH_FROM_MEMORY = 0x01;  // draw from the vertex array, not the buffer
constexpr uint32_t L3D_DRAWMESH_WRAP = 0x10;         // the textures wrap
constexpr uint32_t L3D_DRAWMESH_PACKED = 0x20;       // 72-byte vertices, three coordinate sets

// Draw flags of DrawObjectInstance.
constexpr uint32_t L3D_DRAW_KEEP_STAGE0 = 0x01;  // stage 0 (all of map3) as the caller set it
constexpr uint32_t L3D_DRAW_ALL_NOW = 0x02;      // blended meshes too, at once, unsorted

// The 72-byte vertex format.
constexpr uint32_t L3D_RENDERER_FVF_PACKED3 = 0x835E;

// One mesh of a part instance.
struct L3D_RENDERER_DRAWMESH {
  uint32_t flags = 0;
  uint32_t primitiveType = 0;  // a D3DPRIMITIVETYPE
  uint32_t primitiveCount = 0;
  const uint16_t* indices = nullptr;
  uint32_t indexCount = 0;  // indices in the array, for checks
  // Palette positions of the bone list: slot k >= 1 of a vertex is entry k - 1.
  const uint32_t* bones = nullptr;
  uint32_t boneCount = 0;
  float pivot[3] = {};  // of the part material, in the part's space: the depth of a blended mesh
  const L3D_RENDERER_VERTEX* vertices = nullptr;
  const L3D_RENDERER_PACKEDVERTEX* packedVertices = nullptr;
  uint32_t vertexCount = 0;
  uint32_t bonesPerVertex = 0;  // 0 = rigid
  L3DVBuffer* vbuffer = nullptr;
  L3DIBuffer* ibuffer = nullptr;
  const L3D_ANIMINST_MAT* ownMaterial = nullptr;
  const L3D_ANIMINST_MAT* material = nullptr;  // the current one
  L3DTexture* texture = nullptr;               // the current main texture
};

// One part instance: its matrices (matrix 0 is the part's world matrix, the rest its bones) and
// its meshes.
struct L3D_RENDERER_DRAWPART {
  bool disabled = false;
  const LMat* matrices = nullptr;
  uint32_t matrixCount = 0;
  uint32_t meshCount = 0;
};

class L3DDrawable {
 public:
  virtual ~L3DDrawable() = default;
  virtual uint32_t GetDrawPartCount() = 0;
  virtual void GetDrawPart(uint32_t part, L3D_RENDERER_DRAWPART& out) = 0;
  virtual void GetDrawMesh(uint32_t part, uint32_t mesh, L3D_RENDERER_DRAWMESH& out) = 0;
};
