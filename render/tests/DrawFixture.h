#pragma once

#include "render/L3DDrawable.h"
#include "render/tests/RendererFixture.h"

#include <cstring>
#include <vector>

// Object instances built by hand through the renderer's drawing interface: parts with their
// matrices and meshes, each mesh with its own vertices, indices, bone list and material.

template <class T>
dbtl::rcptr<T> NewOption(uint32_t kind, uint32_t blendMode = 0) {
  dbtl::rcptr<T> option;
  option.Create(1);
  option->kind = kind;
  option->blendMode = blendMode;
  return option;
}

inline void SetColour(float out[4], float r, float g, float b, float a) {
  out[0] = r;
  out[1] = g;
  out[2] = b;
  out[3] = a;
}

struct FakeMesh {
  std::vector<L3D_RENDERER_VERTEX> vertices;
  std::vector<L3D_RENDERER_PACKEDVERTEX> packed;
  std::vector<uint16_t> indices;
  std::vector<uint32_t> bones;
  uint32_t bonesPerVertex = 0;
  uint32_t flags = L3D_DRAWMESH_FROM_MEMORY;
  uint32_t primitiveType = d3d9::D3DPT_TRIANGLELIST;
  float pivot[3] = {};
  L3D_ANIMINST_MAT material;
  L3DTexture* texture = nullptr;  // the current main texture
};

struct FakePart {
  bool disabled = false;
  std::vector<LMat> matrices = std::vector<LMat>(1, Identity());
  std::vector<FakeMesh> meshes;

  static LMat Identity() {
    LMat m;
    m.SetIdentity();
    return m;
  }
};

class FakeDrawable : public L3DDrawable {
 public:
  uint32_t GetDrawPartCount() override { return uint32_t(parts.size()); }
  void GetDrawPart(uint32_t part, L3D_RENDERER_DRAWPART& out) override {
    const FakePart& p = parts[part];
    out.disabled = p.disabled;
    out.matrices = p.matrices.data();
    out.matrixCount = uint32_t(p.matrices.size());
    out.meshCount = uint32_t(p.meshes.size());
  }
  void GetDrawMesh(uint32_t part, uint32_t mesh, L3D_RENDERER_DRAWMESH& out) override {
    const FakeMesh& m = parts[part].meshes[mesh];
    out.flags = m.flags;
    out.primitiveType = m.primitiveType;
    out.indices = m.indices.data();
    out.indexCount = uint32_t(m.indices.size());
    out.primitiveCount = uint32_t(m.indices.size() / 3);
    out.bones = m.bones.data();
    out.boneCount = uint32_t(m.bones.size());
    std::memcpy(out.pivot, m.pivot, sizeof out.pivot);
    out.vertices = m.vertices.data();
    out.packedVertices = m.packed.empty() ? nullptr : m.packed.data();
    out.vertexCount = uint32_t(m.vertices.size());
    out.bonesPerVertex = m.bonesPerVertex;
    out.ownMaterial = &m.material;
    out.material = &m.material;
    out.texture = m.texture != nullptr ? m.texture : m.material.texture.Get();
  }

  std::vector<FakePart> parts;
};

inline L3D_RENDERER_VERTEX Vertex(float x, float y, float z, uint32_t colour = 0xFFFFFFFF) {
  L3D_RENDERER_VERTEX v;
  v.x = x;
  v.y = y;
  v.z = z;
  v.nz = -1.0f;
  v.colour = colour;
  v.weights[0] = 1.0f;
  return v;
}

// A quad of two triangles in the z = z plane.
inline void AddQuad(FakeMesh& mesh, float x0, float y0, float x1, float y1, float z,
                    uint32_t colour = 0xFFFFFFFF) {
  const uint16_t base = uint16_t(mesh.vertices.size());
  mesh.vertices.push_back(Vertex(x0, y0, z, colour));
  mesh.vertices.push_back(Vertex(x0, y1, z, colour));
  mesh.vertices.push_back(Vertex(x1, y1, z, colour));
  mesh.vertices.push_back(Vertex(x1, y0, z, colour));
  // Clockwise on screen, so the default culling keeps the side facing -z.
  for (uint16_t i : {0, 2, 1, 0, 3, 2}) mesh.indices.push_back(uint16_t(base + i));
}
