// Drawing of object instances: opaque and alpha-tested meshes at once through their pass, the
// outline pass, and blended meshes posed on the processor for their depth and handed to the
// depth-sorted list.

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"

#include <cstring>

using namespace d3d9;

namespace {

constexpr uint32_t kAlphaChunk = 128;

// Blend modes drawn at once with the opaque meshes (no blending, or an alpha test only).
bool drawnAtOnce(uint32_t mode) { return mode == 0 || mode == 7 || mode == 8 || mode == 12; }

// Blend modes whose triangles the depth-sorted list sorts; the others keep their order.
bool sortsTriangles(uint32_t mode) {
  return mode == 1 || mode == 3 || mode == 4 || mode == 5 || mode == 6 || mode == 10 ||
         mode == 11;
}

void addScaled(float out[3], const float p[3], float w) {
  out[0] += w * p[0];
  out[1] += w * p[1];
  out[2] += w * p[2];
}

}  // namespace

void L3DRenderer::DrawObjectInstance(L3DDrawable& instance, const float colourA[4],
                                     const float colourB[4], uint32_t flags) {
  std::memcpy(m_defaultOption.colourA, colourA, sizeof m_defaultOption.colourA);
  std::memcpy(m_defaultOption.colourB, colourB, sizeof m_defaultOption.colourB);
  const uint32_t parts = instance.GetDrawPartCount();
  for (uint32_t part = 0; part < parts; ++part) _DrawAnimMotionInstance(instance, part, flags);
}

void L3DRenderer::_FillPalette(const LMat* matrices, uint32_t count) {
  m_palette.Reserve(count);
  LMat* palette = m_palette.GetData();
  for (uint32_t u = 0; u < count; ++u) LMat::Transpose(palette[u], matrices[u]);
  m_paletteCount = count;
}

void L3DRenderer::_DrawAnimMotionInstance(L3DDrawable& instance, uint32_t partIndex,
                                          uint32_t flags) {
  L3D_RENDERER_DRAWPART part;
  instance.GetDrawPart(partIndex, part);
  if (part.disabled) return;
  _FillPalette(part.matrices, part.matrixCount);

  m_meshes.Reserve(part.meshCount);
  L3D_RENDERER_DRAWMESH* meshes = m_meshes.GetData();
  for (uint32_t i = 0; i < part.meshCount; ++i) {
    meshes[i] = L3D_RENDERER_DRAWMESH{};
    instance.GetDrawMesh(partIndex, i, meshes[i]);
  }
  auto option = [&](uint32_t i) -> const L3D_RENDERER_SHADEROPT& {
    return *meshes[i].material->option;
  };

  const bool allNow = (flags & L3D_DRAW_ALL_NOW) != 0;
  for (uint32_t i = 0; i < part.meshCount; ++i) {
    if (!allNow && !drawnAtOnce(option(i).blendMode)) continue;
    for (uint32_t pass = 0; _SetShaderPass(pass, part.matrices, meshes[i], flags); ++pass) {
      _DrawMesh(meshes[i]);
    }
  }
  // Outlines of blended meshes come here too, before the meshes themselves.
  for (uint32_t i = 0; i < part.meshCount; ++i) {
    if (option(i).edgeWidth != 0.0f) _DrawOutline(part.matrices, meshes[i]);
  }
  if (allNow) return;
  for (uint32_t i = 0; i < part.meshCount; ++i) {
    if (!drawnAtOnce(option(i).blendMode)) _RegistBlended(part, meshes[i], flags);
  }
}

void L3DRenderer::_DrawMesh(const L3D_RENDERER_DRAWMESH& mesh) {
  L3DDevice& device = *m_device;
  if ((mesh.flags & L3D_DRAWMESH_PACKED) != 0) {
    device.SetFVF(L3D_RENDERER_FVF_PACKED3);
    device.ApplyState();
    if (device.IsSoftwareVP() || mesh.vbuffer == nullptr) {
      device.DrawIndexedPrimitiveUP(sizeof(L3D_RENDERER_PACKEDVERTEX), mesh.primitiveType,
                                    mesh.vertexCount, mesh.primitiveCount, mesh.indices,
                                    mesh.packedVertices);
    } else {
      device.SetStreamSource(mesh.vbuffer->buffer, sizeof(L3D_RENDERER_PACKEDVERTEX));
      device.SetIndices(mesh.ibuffer != nullptr ? mesh.ibuffer->buffer : nullptr);
      device.DrawIndexedPrimitive(mesh.primitiveType, mesh.vertexCount, mesh.primitiveCount);
    }
    // The map3 pixel shader is bound only for this draw.
    if (device.GetPShader() != nullptr) device.SetPShader(nullptr);
    return;
  }
  device.ApplyState();
  if ((mesh.flags & L3D_DRAWMESH_FROM_MEMORY) != 0 || device.IsSoftwareVP() ||
      mesh.vbuffer == nullptr) {
    device.DrawIndexedPrimitiveUP(sizeof(L3D_RENDERER_VERTEX), mesh.primitiveType,
                                  mesh.vertexCount, mesh.primitiveCount, mesh.indices,
                                  mesh.vertices);
  } else {
    device.SetStreamSource(mesh.vbuffer->buffer, sizeof(L3D_RENDERER_VERTEX));
    device.SetIndices(mesh.ibuffer != nullptr ? mesh.ibuffer->buffer : nullptr);
    device.DrawIndexedPrimitive(mesh.primitiveType, mesh.vertexCount, mesh.primitiveCount);
  }
}

float L3DRenderer::GetFrustumRatio() {
  if ((m_cacheFlags & L3D_RENDERER_CACHE_FRUSTUM) == 0) {
    const float corner[3] = {1.0f, 1.0f, 0.0f};
    float p[3];
    vec3TransformCoord(GetInverseProjection(), corner, p);
    m_frustumRatio = p[1] / p[0];
    m_frustumRatioInverse = 1.0f / m_frustumRatio;
    m_cacheFlags |= L3D_RENDERER_CACHE_FRUSTUM;
  }
  return m_frustumRatio;
}

void L3DRenderer::_DrawOutline(const LMat* matrices, const L3D_RENDERER_DRAWMESH& mesh) {
  L3DDevice& device = *m_device;
  const L3D_RENDERER_SHADEROPT& option = *mesh.material->option;
  device.ResetState();
  _SetFogStates();
  device.SetStateRender(D3DRS_CULLMODE, D3DCULL_CCW);
  _SetVShader(mesh.bonesPerVertex, L3D_SHADER_EDGE);
  const float ratio = GetFrustumRatio();
  const float width[4] = {option.edgeWidth, option.edgeWidth / ratio, 0.0f, 0.0f};

  if (mesh.bonesPerVertex > 0) {
    const uint32_t slots = 1 + mesh.boneCount;
    const uint32_t before = 7;
    m_constants.Reserve((before + 3 * slots) * 4);
    float* out = m_constants.GetData();
    const float s[4] = {1.0f, fog.scale, fog.offset, 765.01f};
    std::memcpy(out, s, sizeof s);
    std::memcpy(out + 4, width, sizeof width);
    std::memcpy(out + 8, option.edgeColour, sizeof option.edgeColour);
    std::memcpy(out + 12, &m_viewProjectionT.m[0][0], 16 * sizeof(float));
    const LMat* palette = m_palette.GetData();
    for (uint32_t k = 0; k < slots; ++k) {
      uint32_t entry = k == 0 ? 0 : mesh.bones[k - 1];
      if (entry >= m_paletteCount) entry = 0;
      const LMat& m = m_paletteCount > 0 ? palette[entry] : m_identity;
      std::memcpy(out + (before + 3 * k) * 4, &m.m[0][0], 12 * sizeof(float));
    }
    device.GetDevice()->SetVertexShaderConstantF(0, out, before + 3 * slots);
  } else {
    const LMat& world = matrices != nullptr ? matrices[0] : m_identity;
    LMat wvp;
    LMat::Mul(world, m_viewProjection, wvp);
    LMat wvpT;
    LMat::Transpose(wvpT, wvp);
    float out[7][4] = {};
    std::memcpy(out[0], width, sizeof width);
    std::memcpy(out[1], option.edgeColour, sizeof option.edgeColour);
    out[2][0] = fog.scale;
    out[2][1] = fog.offset;
    std::memcpy(out[3], &wvpT.m[0][0], 16 * sizeof(float));
    device.GetDevice()->SetVertexShaderConstantF(0, &out[0][0], 7);
  }
  _DrawMesh(mesh);
}

_L3D_RENDERER_ALPHASHADER* L3DRenderer::_NewAlphaRecord() {
  if (m_alphaUsed == m_alphaChunks.size() * kAlphaChunk) {
    m_alphaChunks.push_back(std::make_unique<_L3D_RENDERER_ALPHASHADER[]>(kAlphaChunk));
  }
  const uint32_t n = m_alphaUsed++;
  return &m_alphaChunks[n / kAlphaChunk][n % kAlphaChunk];
}

void L3DRenderer::_RegistBlended(const L3D_RENDERER_DRAWPART& part,
                                 const L3D_RENDERER_DRAWMESH& mesh, uint32_t flags) {
  if (mesh.primitiveType != D3DPT_TRIANGLELIST) {
    lerrFatal("%s", lerrText(u"[L3DRenderer::_DrawAnimMotionInstance] alphaはこの形式に対応していない")
                        .c_str());
  }
  if ((mesh.flags & L3D_DRAWMESH_PACKED) != 0) {
    lerrFatal("%s",
              lerrText(u"[L3DRenderer::_DrawAnimMotionInstance] UVが3つあるパーツ形式には対応していない")
                  .c_str());
  }
  _L3D_RENDERER_ALPHASHADER* record = _NewAlphaRecord();
  record->matrices = part.matrices;
  record->matrixCount = part.matrixCount;
  record->mesh = mesh;
  record->flags = flags;

  ProcessVertexPoses(mesh.vertices, mesh.vertexCount, mesh.bonesPerVertex, mesh.bones,
                     mesh.boneCount, part.matrices, part.matrixCount, m_view);
  float centre[3];
  vec3TransformCoord(m_view, mesh.pivot, centre);
  const uint32_t mode = mesh.material->option->blendMode;
  RegistZsd(centre, mesh.vertexCount, mesh.vertices, m_posed.GetData(), mesh.indices,
            mesh.primitiveCount * 3, &L3DRenderer::_DrawAlphaShader, record,
            sortsTriangles(mode) ? 0 : L3D_ZSD_KEEP_ORDER);
}

void L3DRenderer::_DrawAlphaShader(L3DRenderer* renderer, const L3D_RENDERER_VERTEX* vertices,
                                   uint32_t vertexCount, const uint16_t* indices,
                                   uint32_t indexCount, void* context) {
  auto* record = static_cast<_L3D_RENDERER_ALPHASHADER*>(context);
  // The palette holds whichever part was drawn last; the skinned constants of this mesh must
  // come from its own part.
  renderer->_FillPalette(record->matrices, record->matrixCount);
  L3DDevice& device = *renderer->m_device;
  for (uint32_t pass = 0;
       renderer->_SetShaderPass(pass, record->matrices, record->mesh, record->flags); ++pass) {
    device.ApplyState();
    device.DrawIndexedPrimitiveUP(sizeof(L3D_RENDERER_VERTEX), D3DPT_TRIANGLELIST, vertexCount,
                                  indexCount / 3, indices, vertices);
  }
}

void L3DRenderer::ProcessVertexPoses(const L3D_RENDERER_VERTEX* vertices, uint32_t vertexCount,
                                     uint32_t bonesPerVertex, const uint32_t* bones,
                                     uint32_t boneCount, const LMat* matrices,
                                     uint32_t matrixCount, const LMat& transform) {
  if (matrixCount == 0) {
    lerrFatal("%s", lerrText(u"[L3DRenderer::ProcessVertexPoses] matcountが0").c_str());
  }
  if (bonesPerVertex > 4) {
    lerrFatal(lerrText(u"[L3DRenderer::ProcessVertexPoses] サポートしていないボーン数(%d)").c_str(),
              int(bonesPerVertex));
  }
  // Pose 0 is the part's own matrix, pose k the matrix of bone-list entry k - 1. An entry past
  // the part's matrices, like a vertex naming a slot past the bone list, takes pose 0.
  const uint32_t poseCount = 1 + boneCount;
  m_poses.Reserve(poseCount);
  LMat* poses = m_poses.GetData();
  LMat::Mul(matrices[0], transform, poses[0]);
  for (uint32_t k = 1; k < poseCount; ++k) {
    const uint32_t entry = bones[k - 1];
    LMat::Mul(entry < matrixCount ? matrices[entry] : matrices[0], transform, poses[k]);
  }
  m_posed.Reserve(vertexCount);
  L3D_RENDERER_VERTEX* posed = m_posed.GetData();
  for (uint32_t v = 0; v < vertexCount; ++v) {
    const L3D_RENDERER_VERTEX& in = vertices[v];
    const float p[3] = {in.x, in.y, in.z};
    float out[3] = {};
    if (bonesPerVertex == 0) {
      vec3TransformCoord(poses[0], p, out);
    } else if (bonesPerVertex == 1) {
      const uint32_t slot = in.slots[0] < poseCount ? in.slots[0] : 0;
      vec3TransformCoord(poses[slot], p, out);
    } else {
      // The weights are used as stored, not renormalised.
      for (uint32_t b = 0; b < bonesPerVertex; ++b) {
        const uint32_t slot = in.slots[b] < poseCount ? in.slots[b] : 0;
        float q[3];
        vec3TransformCoord(poses[slot], p, q);
        addScaled(out, q, in.weights[b]);
      }
    }
    posed[v].x = out[0];
    posed[v].y = out[1];
    posed[v].z = out[2];
  }
}
