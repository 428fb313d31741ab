// The object instance as the renderer draws it: its part instances in list order, each with its
// matrix palette and its vertex sets.

#include "model/L3DAnimData.h"
#include "model/object/L3DObjectInstance.h"

uint32_t L3DObjectInstance::GetDrawPartCount() { return uint32_t(m_drawParts.size()); }

void L3DObjectInstance::GetDrawPart(uint32_t index, L3D_RENDERER_DRAWPART& out) {
  const L3DPartInstance& part = *m_drawParts[index];
  out.disabled = (part.root.keyFlags & L3D_ANIMKEY_HIDDEN) != 0;
  out.matrices = part.palette.Get();
  out.matrixCount = part.paletteSize;
  out.meshCount = part.matCount;
}

void L3DObjectInstance::GetDrawMesh(uint32_t partIndex, uint32_t index,
                                    L3D_RENDERER_DRAWMESH& out) {
  const L3D_PARTINST_MAT& m = m_drawParts[partIndex]->mats[index];
  const L3D_PARTDATA_MESH& mesh = *m.mesh;
  // The vertex-set flags keep the bits the renderer reads in the same places: 0x01 draw from
  // the copy, 0x10 scrolled texture coordinates (the textures wrap), 0x20 packed vertices.
  out.flags = m.flags;
  out.primitiveType = mesh.primitiveType;
  out.primitiveCount = mesh.primitiveCount;
  out.indices = reinterpret_cast<const uint16_t*>(mesh.indices.Get());
  out.indexCount = mesh.indexBytes / 2;
  out.bones = mesh.palette.Get();
  out.boneCount = mesh.paletteCount;
  if (mesh.material != nullptr) {
    out.pivot[0] = mesh.material->pivot.x;
    out.pivot[1] = mesh.material->pivot.y;
    out.pivot[2] = mesh.material->pivot.z;
  }
  out.vertices = m.vertices.Get();
  out.packedVertices = mesh.packedVertices.Get();
  out.vertexCount = m.vertexCount;
  out.bonesPerVertex = m.blendKind;
  out.vbuffer = m.vbuffer.Get();
  out.ibuffer = m.ibuffer.Get();
  out.ownMaterial = &m.ownMaterial;
  out.material = m.currentMaterial != nullptr ? m.currentMaterial : &m.ownMaterial;
  out.texture = m.currentTexture.Get();
}
