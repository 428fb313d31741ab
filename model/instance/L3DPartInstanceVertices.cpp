#include "model/instance/L3DPartInstance.h"

// Upkeep of the vertex copies: what morphing and texture animation changed is put back from the
// part data, and a changed copy reaches the vertex buffer once it is no longer drawn from memory.

void L3DPartInstance::_RestoreVertices() {
  for (uint32_t i = 0; i < matCount; ++i) {
    L3D_PARTINST_MAT& m = mats[i];
    if ((m.flags & L3D_PARTINST_MAT_MORPHED) == 0) continue;
    const L3D_RENDERER_VERTEX* source = m.mesh->vertices.vertices.Get();
    for (uint32_t v = 0; v < m.vertexCount; ++v) {
      L3D_RENDERER_VERTEX& d = m.vertices[v];
      d.x = source[v].x;
      d.y = source[v].y;
      d.z = source[v].z;
      d.nx = source[v].nx;
      d.ny = source[v].ny;
      d.nz = source[v].nz;
    }
    m.flags = (m.flags & ~L3D_PARTINST_MAT_MORPHED) | L3D_PARTINST_MAT_UPLOAD;
  }
}

void L3DPartInstance::_RestoreUVs() {
  for (uint32_t i = 0; i < matCount; ++i) {
    L3D_PARTINST_MAT& m = mats[i];
    if ((m.flags & L3D_PARTINST_MAT_UV_CHANGED) == 0) continue;
    const L3D_RENDERER_VERTEX* source = m.mesh->vertices.vertices.Get();
    for (uint32_t v = 0; v < m.vertexCount; ++v) {
      m.vertices[v].u = source[v].u;
      m.vertices[v].v = source[v].v;
    }
    m.flags = (m.flags & ~L3D_PARTINST_MAT_UV_CHANGED) | L3D_PARTINST_MAT_UPLOAD;
  }
}

void L3DPartInstance::_UploadVertices() {
  for (uint32_t i = 0; i < matCount; ++i) {
    L3D_PARTINST_MAT& m = mats[i];
    if ((m.flags & L3D_PARTINST_MAT_DRAW_COPY) != 0 || (m.flags & L3D_PARTINST_MAT_UPLOAD) == 0) {
      continue;
    }
    // A 72-byte set keeps the buffer made from the part data: the copy has no room for its
    // extra coordinate sets, so writing it would garble the buffer.
    if (m.vbuffer && (m.flags & L3D_PARTINST_MAT_PACKED) == 0) {
      m.vbuffer->SetData(m.vertices.Get(),
                         static_cast<uint32_t>(m.vertexCount * sizeof(L3D_RENDERER_VERTEX)));
    }
    m.flags &= ~L3D_PARTINST_MAT_UPLOAD;
  }
}

void L3DPartInstance::_Refresh() {
  _RestoreVertices();
  owner->_ResetCollGroups();
  if (root.motion != nullptr && owner->MotionRestoresUVs(*root.motion)) _RestoreUVs();
}
