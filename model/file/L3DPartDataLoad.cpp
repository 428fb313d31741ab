// One part record: shared vertex arrays, materials, maps, the bone tree, shader options and,
// from version 2, the ready-made vertex sets.

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DObjectData.h"
#include "model/L3DPartData.h"
#include "model/file/L3DModelReader.h"

namespace {

constexpr uint64_t kMinMatBytes = 36;
constexpr uint64_t kMinMapBytes = 8;
constexpr uint64_t kMapEntryBytes = 32;
constexpr uint64_t kMinBoneBytes = 36;
constexpr uint64_t kMinMeshBytes = 28;
constexpr uint64_t kVertexBytes = 56;
constexpr uint64_t kPackedVertexBytes = 72;

// Bone trees are walked recursively by every user (look-ups, compilation, destruction), so
// their depth is bounded where they are read; real skeletons stay far below this.
constexpr uint32_t kMaxBoneDepth = 256;

L3D_RENDERER_VERTEX readVertex(L3DModelReader& r) {
  L3D_RENDERER_VERTEX v;
  v.x = r.F32();
  v.y = r.F32();
  v.z = r.F32();
  for (float& w : v.weights) w = r.F32();
  r.Block(v.slots, sizeof v.slots);
  v.nx = r.F32();
  v.ny = r.F32();
  v.nz = r.F32();
  v.colour = r.U32();
  v.u = r.F32();
  v.v = r.F32();
  return v;
}

void readMaterial(L3D_PARTDATA_MAT& m, L3DModelReader& r, uint32_t version) {
  r.FixedName(m.name);
  m.flags = r.U32();
  r.FixedName(m.textureName);
  m.primitiveType = r.U32();
  m.primitiveCount = r.U32();
  m.indexCount = r.Count(4);
  m.indices.Create(m.indexCount);
  for (uint32_t i = 0; i < m.indexCount; ++i) m.indices[i] = r.U32();
  m.cornerCount = r.Count(16);
  m.corners.Create(m.cornerCount);
  for (uint32_t i = 0; i < m.cornerCount; ++i) {
    L3DPartCorner& c = m.corners[i];
    c.pointIndex = r.U32();
    c.normalIndex = r.U32();
    c.colourIndex = r.U32();
    c.uvIndex = r.U32();
  }
  if (version >= 16) {
    const uint32_t n = r.U32();
    if (n != 0 && n != m.cornerCount) {
      r.Fail(lerrFormat(lerrText(u"[L3DPartData::_Load] 頂点の追加情報の数がおかしい(%u/%u)").c_str(),
                        n, m.cornerCount));
    }
    r.CheckFits(n, 8);
    m.extraUVs.Create(n);
    for (uint32_t i = 0; i < n; ++i) {
      m.extraUVs[i].uvIndex2 = r.U32();
      m.extraUVs[i].uvIndex3 = r.U32();
    }
  }
  m.pointCount = r.Count(12);
  m.points.Create(m.pointCount);
  for (uint32_t i = 0; i < m.pointCount; ++i) m.points[i] = r.Vec3();
  m.normalCount = r.Count(12);
  m.normals.Create(m.normalCount);
  for (uint32_t i = 0; i < m.normalCount; ++i) m.normals[i] = r.Vec3();
  if (version >= 8) {
    m.pivot = r.Vec3();
  } else {
    m.flags |= L3D_PARTDATA_MAT_PIVOT_COMPUTED;
    if (m.primitiveType != L3D_PRIMITIVE_TRIANGLELIST) r.Fail(lerrText(L3D_MSG_PIVOT_PRIMITIVE));
    m.pivot = L3DPartData::CalcMatPivot(m);
  }
}

void readMap(L3D_PARTDATA_MMAP& map, L3DModelReader& r) {
  r.FixedName(map.name);
  map.entryCount = r.Count(kMapEntryBytes);
  map.entries.Create(map.entryCount);
  for (uint32_t i = 0; i < map.entryCount; ++i) {
    L3D_PARTDATA_MMAPENTRY& e = map.entries[i];
    e.index0 = r.U32();
    e.index1 = r.U32();
    for (float& value : e.values) value = r.F32();
  }
}

void readMaps(dbtl::rcptr<L3D_PARTDATA_MMAP>& maps, uint32_t& count, L3DModelReader& r) {
  count = r.Count(kMinMapBytes);
  maps.Create(count);
  for (uint32_t i = 0; i < count; ++i) readMap(maps[i], r);
}

void readMesh(L3D_PARTDATA_MESH& mesh, const L3DPartData& part, L3DModelReader& r,
              uint32_t version) {
  const uint32_t materialIndex = r.U32();
  // A vertex set must draw one of the part's own materials.
  if (materialIndex >= part.matCount) {
    r.Fail(lerrFormat(
        "[L3DPartData::_Load] vertex set of material %u in a part of %u materials in \"%s\"",
        materialIndex, part.matCount, r.FileName()));
  }
  mesh.material = &part.mats[materialIndex];
  L3D_RENDERER_VERTEXLIST& list = mesh.vertices;
  list.count = r.Count(kVertexBytes);
  list.vertices.Create(list.count);
  for (uint32_t i = 0; i < list.count; ++i) list.vertices[i] = readVertex(r);
  list.blendCount = r.U32();
  if (version >= 16) {
    const uint32_t n = r.U32();
    if (n != 0 && n != list.count) {
      r.Fail(lerrFormat(
          lerrText(u"[L3DPartData::_Load] パックされた頂点の追加情報の数がおかしい(%u/%u)").c_str(),
          n, list.count));
    }
    r.CheckFits(n, kPackedVertexBytes);
    mesh.packedVertices.Create(n);
    for (uint32_t i = 0; i < n; ++i) {
      L3D_RENDERER_PACKEDVERTEX& p = mesh.packedVertices[i];
      p.vertex = readVertex(r);
      p.u2 = r.F32();
      p.v2 = r.F32();
      p.u3 = r.F32();
      p.v3 = r.F32();
    }
  }
  mesh.indexBytes = r.Count(1);
  mesh.indices.Create(mesh.indexBytes);
  r.Block(mesh.indices.Get(), mesh.indexBytes);
  mesh.primitiveType = r.U32();
  mesh.primitiveCount = r.U32();
  mesh.paletteCount = r.Count(4);
  mesh.palette.Create(mesh.paletteCount);
  for (uint32_t i = 0; i < mesh.paletteCount; ++i) mesh.palette[i] = r.U32();
}

}  // namespace

void L3DPartData::_LoadBone(dbtl::rcptr<L3D_PARTDATA_BONE>& children, uint32_t& count,
                            L3DModelReader& r, uint32_t version, uint32_t depth) {
  l3dCheckVersion(version, "L3DPartData::_LoadBone", r);
  count = r.Count(kMinBoneBytes);
  if (count != 0 && depth >= kMaxBoneDepth) {
    r.Fail(lerrFormat("[L3DPartData::_LoadBone] bone tree deeper than %u levels in \"%s\"",
                      kMaxBoneDepth, r.FileName()));
  }
  children.Create(count);
  for (uint32_t i = 0; i < count; ++i) {
    L3D_PARTDATA_BONE& bone = children[i];
    r.FixedName(bone.name);
    r.FixedName(bone.weightMapName);
    bone.pivot = r.Vec3();
    bone.secondPivot = r.Vec3();
    bone.flags = version >= 15 ? r.U32() : 0;
    _LoadBone(bone.children, bone.childCount, r, version, depth + 1);
  }
}

void L3DPartData::_Load(L3DModelReader& r, uint32_t version) {
  l3dCheckVersion(version, "L3DPartData::_Load", r);
  Clear();
  r.String(name);
  const L3DPool pool = l3dPoolOf(namePool, r.Pool(namePool));

  colourCount = r.Count(4);
  colours.Create(colourCount);
  for (uint32_t i = 0; i < colourCount; ++i) colours[i] = r.U32();
  uvCount = r.Count(8);
  uvs.Create(uvCount);
  for (uint32_t i = 0; i < uvCount; ++i) {
    uvs[i].u = r.F32();
    uvs[i].v = r.F32();
  }
  matCount = r.Count(kMinMatBytes);
  mats.Create(matCount);
  for (uint32_t i = 0; i < matCount; ++i) readMaterial(mats[i], r, version);
  readMaps(weightMaps, weightMapCount, r);
  readMaps(morphMaps, morphMapCount, r);
  _LoadBone(bones, boneCount, r, version);
  L3DObjectData::_LoadShader(shaderOptions, r, pool, version);

  if (version < 2) return;
  _BuildMatrixList();
  meshCount = r.Count(kMinMeshBytes);
  meshes.Create(meshCount);
  for (uint32_t i = 0; i < meshCount; ++i) readMesh(meshes[i], *this, r, version);
}
