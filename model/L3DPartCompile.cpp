// Vertex sets for parts of old model files, which store only materials whose corners index
// shared arrays and bone-weight maps named after the bones.

#include "foundation/bytes/ByteWriter.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DPartData.h"

#include <algorithm>

namespace {

// Weights at or below this are noise from the modelling tool.
constexpr float kMinWeight = 0.001f;
constexpr uint32_t kMaxBlend = 4;
// Slot numbers are bytes and 0 means none: a vertex set addresses 255 palette entries.
constexpr uint32_t kMaxPalette = 256;

struct CompileFlags {
  bool tooManyWeights = false;
  bool tooManyBones = false;
};

// The corner's indices must stay inside the part's arrays; the stored data is not trusted.
[[noreturn]] void badCorner(const L3DPartData& part, uint32_t material, uint32_t corner) {
  lerrFatal("[L3DPartData::CompileRuntime] corner %u of material %u of part \"%s\" indexes "
            "outside its arrays",
            corner, material, part.name.GetText());
}

void fillCorner(const L3DPartData& part, const L3D_PARTDATA_MAT& mat, uint32_t matIndex,
                uint32_t j, L3D_RENDERER_VERTEX& v) {
  const L3DPartCorner& c = mat.corners[j];
  if (c.pointIndex >= mat.pointCount || c.normalIndex >= mat.normalCount ||
      c.colourIndex >= part.colourCount || c.uvIndex >= part.uvCount) {
    badCorner(part, matIndex, j);
  }
  v = L3D_RENDERER_VERTEX();
  const LVec3& p = mat.points[c.pointIndex];
  const LVec3& n = mat.normals[c.normalIndex];
  v.x = p.x;
  v.y = p.y;
  v.z = p.z;
  v.nx = n.x;
  v.ny = n.y;
  v.nz = n.z;
  v.colour = part.colours[c.colourIndex];
  v.u = part.uvs[c.uvIndex].u;
  v.v = part.uvs[c.uvIndex].v;
}

// Finds or adds the palette slot of matrix number k + 1.
uint32_t paletteSlot(L3D_PARTDATA_MESH& mesh, uint32_t k) {
  for (uint32_t s = 0; s < mesh.paletteCount; ++s) {
    if (mesh.palette[s] == k + 1) return s;
  }
  mesh.palette[mesh.paletteCount] = k + 1;
  return mesh.paletteCount++;
}

void blendVertex(L3DPartData& part, L3D_PARTDATA_MESH& mesh, uint32_t matIndex, uint32_t j,
                 L3D_RENDERER_VERTEX& v, CompileFlags& flags) {
  uint32_t count = 0;
  for (uint32_t k = 0; k < part.matrixCount; ++k) {
    const dbtl::rcptr<L3D_PARTDATA_MMAP> map = part.GetWeightMap(*part.matrixBones[k]);
    if (!map) continue;
    bool haveSlot = false;
    uint32_t s = 0;
    for (uint32_t e = 0; e < map->entryCount; ++e) {
      const L3D_PARTDATA_MMAPENTRY& entry = map->entries[e];
      if (entry.index0 != matIndex || entry.index1 != j || !(entry.Weight() > kMinWeight)) {
        continue;
      }
      // A fifth weight overwrites the fourth.
      if (++count > kMaxBlend) {
        count = kMaxBlend;
        flags.tooManyWeights = true;
      }
      if (!haveSlot) {
        s = paletteSlot(mesh, k);
        haveSlot = true;
      }
      v.weights[count - 1] = entry.Weight();
      v.slots[count - 1] = static_cast<uint8_t>(s + 1);
    }
  }
  mesh.vertices.blendCount = std::max(mesh.vertices.blendCount, count);
  if (v.slots[0] != 0) {
    uint32_t used = 0;
    float sum = 0.0f;
    while (used < kMaxBlend && v.slots[used] != 0) sum += v.weights[used++];
    for (uint32_t i = 0; i < used; ++i) v.weights[i] /= sum;
  } else {
    v.weights[0] = 1.0f;  // rigid: drawn with the part's own matrix
  }
}

void compileMaterial(L3DPartData& part, uint32_t i, L3D_PARTDATA_MESH& mesh,
                     CompileFlags& flags) {
  const L3D_PARTDATA_MAT& mat = part.mats[i];
  mesh.material = &mat;
  mesh.paletteCount = 0;
  mesh.palette.Create(part.matrixCount);
  L3D_RENDERER_VERTEXLIST& list = mesh.vertices;
  list.count = mat.cornerCount;
  list.vertices.Create(list.count);
  list.blendCount = 0;
  for (uint32_t j = 0; j < list.count; ++j) {
    fillCorner(part, mat, i, j, list.vertices[j]);
    blendVertex(part, mesh, i, j, list.vertices[j], flags);
  }
  if (mesh.paletteCount + 1 > kMaxPalette) flags.tooManyBones = true;

  if (mat.extraUVs && list.count != 0) {
    mesh.packedVertices.Create(list.count);
    for (uint32_t j = 0; j < list.count; ++j) {
      const L3DPartExtraUV& extra = mat.extraUVs[j];
      if (extra.uvIndex2 >= part.uvCount || extra.uvIndex3 >= part.uvCount) badCorner(part, i, j);
      L3D_RENDERER_PACKEDVERTEX& p = mesh.packedVertices[j];
      p.vertex = list.vertices[j];
      p.u2 = part.uvs[extra.uvIndex2].u;
      p.v2 = part.uvs[extra.uvIndex2].v;
      p.u3 = part.uvs[extra.uvIndex3].u;
      p.v3 = part.uvs[extra.uvIndex3].v;
    }
  }
  mesh.primitiveType = mat.primitiveType;
  mesh.primitiveCount = mat.primitiveCount;
  mesh.indexBytes = 2 * mat.indexCount;
  mesh.indices.Create(mesh.indexBytes);
  for (uint32_t k = 0; k < mat.indexCount; ++k) {
    storeU16le(&mesh.indices[2 * k], static_cast<uint16_t>(mat.indices[k]));
  }
}

}  // namespace

void L3DPartData::CompileRuntime() {
  _BuildMatrixList();
  // Built aside and stored whole, so a part whose compilation failed keeps no vertex sets.
  dbtl::rcptr<L3D_PARTDATA_MESH> built;
  built.Create(matCount);
  CompileFlags flags;
  uint32_t maxBlend = 0;
  uint32_t maxBone = 0;
  for (uint32_t i = 0; i < matCount; ++i) {
    compileMaterial(*this, i, built[i], flags);
    maxBlend = std::max(maxBlend, built[i].vertices.blendCount);
    maxBone = std::max(maxBone, built[i].paletteCount);
  }
  meshes = built;
  meshCount = matCount;
  if (flags.tooManyWeights) {
    lerrWarning("%s", lerrText(u"[L3DPartData::CompileRuntime] 最大頂点ブレンド数が多すぎます").c_str());
  }
  if (flags.tooManyBones) {
    lerrWarning("%s", lerrText(u"[L3DPartData::CompileRuntime] 最大ボーン数が多すぎます").c_str());
  }
  lerrLog(2, "[L3DPartData::CompileRuntime] Part \"%s\": MaxBlend(%d), MaxBone(%d)",
          name.GetText(), static_cast<int>(maxBlend), static_cast<int>(maxBone));
}

LVec3 L3DPartData::CalcMatPivot(const L3D_PARTDATA_MAT& material) {
  if (material.primitiveType != L3D_PRIMITIVE_TRIANGLELIST) {
    lerrFatal("%s", lerrText(L3D_MSG_PIVOT_PRIMITIVE).c_str());
  }
  if (material.pointCount == 0) return {};
  LVec3 lo = material.points[0];
  LVec3 hi = lo;
  for (uint32_t i = 1; i < material.pointCount; ++i) {
    const LVec3& p = material.points[i];
    lo.x = std::min(lo.x, p.x);
    lo.y = std::min(lo.y, p.y);
    lo.z = std::min(lo.z, p.z);
    hi.x = std::max(hi.x, p.x);
    hi.y = std::max(hi.y, p.y);
    hi.z = std::max(hi.z, p.z);
  }
  return {(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f};
}
