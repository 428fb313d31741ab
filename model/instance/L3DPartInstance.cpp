#include "model/instance/L3DPartInstance.h"

#include "foundation/dbtl/DSizeMath.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DHandles.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

// A byte length of count vertices, as the device takes it; an overflow is an allocation failure.
uint32_t vertexBytes(uint32_t count, size_t size) {
  const size_t bytes = dbtl::DSizeMul(count, size);
  if (bytes > std::numeric_limits<uint32_t>::max()) dbtl::DThrowBadAlloc();
  return static_cast<uint32_t>(bytes);
}

// A vertex set whose material pointer is empty is given this nameless material.
const L3D_PARTDATA_MAT& noMaterial() {
  static const L3D_PARTDATA_MAT material;
  return material;
}

const L3D_PARTDATA_MAT& materialOf(const L3D_PARTINST_MAT& record) {
  return record.mesh->material != nullptr ? *record.mesh->material : noMaterial();
}

}  // namespace

void L3DPartInstance::Create(const dbtl::rcptr<L3DInstanceOwner>& ownerHandle,
                             const dbtl::rcptr<L3DPartData>& part) {
  owner = ownerHandle;
  m_steps.clear();
  data = owner->GetObjectData()->GetValidPartData(part);
  if (data->matCount > 0 && data->meshCount == 0) data->CompileRuntime();
  if (data->matrixCount == std::numeric_limits<uint32_t>::max()) dbtl::DThrowBadAlloc();
  paletteSize = data->matrixCount + 1;
  palette.Create(paletteSize);
  for (uint32_t i = 0; i < paletteSize; ++i) palette[i].SetIdentity();
  _CreateMats();
  _CreateBone(bones, boneCount, data->bones, data->boneCount);
  _CreateMMaps();
  _CreateMaterials();
}

void L3DPartInstance::_CreateMats() {
  matCount = data->meshCount;
  if (matCount == 0) return;
  mats.Create(matCount);
  L3DDevice* device = owner->RunsVertexShaders() ? owner->GetDevice() : nullptr;
  for (uint32_t i = 0; i < matCount; ++i) {
    L3D_PARTINST_MAT& m = mats[i];
    m.flags = 0;
    m.mesh = l3dElement(data->meshes, i);
    const L3D_RENDERER_VERTEXLIST& list = m.mesh->vertices;
    if (list.count > 0) {
      m.vertices.Create(list.count);
      std::memcpy(static_cast<void*>(m.vertices.Get()), list.vertices.Get(),
                  vertexBytes(list.count, sizeof(L3D_RENDERER_VERTEX)));
    }
    m.vertexCount = list.count;
    m.blendKind = list.blendCount;
    const bool packed = static_cast<bool>(m.mesh->packedVertices);
    if (packed) m.flags |= L3D_PARTINST_MAT_PACKED;
    if (device == nullptr) continue;
    if (packed) {
      m.vbuffer = device->CreateVBuffer(m.mesh->packedVertices.Get(),
                                        vertexBytes(m.vertexCount, sizeof(L3D_RENDERER_PACKEDVERTEX)),
                                        L3D_RENDERER_FVF_PACKED);
    } else {
      m.vbuffer = device->CreateVBuffer(m.vertices.Get(),
                                        vertexBytes(m.vertexCount, sizeof(L3D_RENDERER_VERTEX)),
                                        L3D_RENDERER_FVF);
    }
    m.ibuffer = device->CreateIBuffer(m.mesh->indices.Get(), m.mesh->indexBytes);
  }
}

void L3DPartInstance::_CreateBone(dbtl::rcptr<L3D_PARTINST_BONE>& level, uint32_t& count,
                                  const dbtl::rcptr<L3D_PARTDATA_BONE>& boneData, uint32_t n) {
  count = n;
  if (n == 0) return;
  level.Create(n);
  for (uint32_t i = 0; i < n; ++i) {
    L3D_PARTINST_BONE& b = level[i];
    b.data = l3dElement(boneData, i);
    const LVec3& pivot =
        (b.data->flags & L3D_PARTDATA_BONE_SECOND_PIVOT) != 0 ? b.data->secondPivot : b.data->pivot;
    b.pivot[0] = pivot.x;
    b.pivot[1] = pivot.y;
    b.pivot[2] = pivot.z;
    uint32_t number = 0;
    for (uint32_t j = 0; j < data->matrixCount; ++j) {
      if (data->matrixBones[j] == b.data.Get()) {
        number = j + 1;
        break;
      }
    }
    if (number == 0) {
      lerrFatal("%s",
                lerrText(u"[L3DPartInstance::_CreateBone] ボーンに対応する行列番号が見つからない").c_str());
    }
    b.matrixNumber = number;
    _CreateBone(b.children, b.childCount, b.data->children, b.data->childCount);
  }
}

void L3DPartInstance::_CreateMMaps() {
  mmapCount = data->morphMapCount;
  if (mmapCount == 0) return;
  mmaps.Create(mmapCount);
  for (uint32_t i = 0; i < mmapCount; ++i) {
    L3D_PARTINST_MMAP& map = mmaps[i];
    map.data = l3dElement(data->morphMaps, i);
    map.entryCount = map.data->entryCount;
    if (map.entryCount == 0) continue;
    map.entries.Create(map.entryCount);
    for (uint32_t e = 0; e < map.entryCount; ++e) {
      const L3D_PARTDATA_MMAPENTRY& source = map.data->entries[e];
      L3D_PARTINST_MMAPENTRY& entry = map.entries[e];
      entry.entry = &source;
      // The file's indices are not checked on load; one past the part's vertex sets would
      // otherwise point the morph at memory that is not a vertex.
      if (source.index0 < matCount && source.index1 < mats[source.index0].vertexCount) {
        entry.vertex = &mats[source.index0].vertices[source.index1];
      }
    }
  }
}

void L3DPartInstance::_CreateMaterials() {
  dbtl::rcptr<L3DObjectData> objectData = owner->GetObjectData();
  const char* partName = data->name.GetText() != nullptr ? data->name.GetText() : "";
  for (uint32_t i = 0; i < matCount; ++i) {
    L3D_PARTINST_MAT& m = mats[i];
    const L3D_PARTDATA_MAT& material = materialOf(m);
    if (!owner->CreateMaterial(m.ownMaterial, data->shaderOptions, m, partName, material) &&
        !owner->CreateMaterial(m.ownMaterial, objectData->shaderOptions, m, partName, material)) {
      owner->CreateDefaultMaterial(m.ownMaterial);
      if (owner->HasTextureResolver()) {
        m.ownMaterial.texture = owner->ResolveTexture(material.textureName.text, 1);
      }
    }
    m.currentMaterial = &m.ownMaterial;
    m.currentTexture = m.ownMaterial.texture;
  }
  _SetupTransform(root, &palette[0], nullptr, bones, boneCount);
}

void L3DPartInstance::_SetupTransform(L3D_PARTINST_TRANSFORM& t, LMat* output,
                                      const L3D_PARTINST_BONE* bone,
                                      const dbtl::rcptr<L3D_PARTINST_BONE>& children,
                                      uint32_t childCount) {
  t.flags = L3D_PARTINST_TRANSFORM_FIRST | L3D_PARTINST_TRANSFORM_DIRTY;
  t.output = output;
  t.motion = nullptr;
  for (int k = 0; k < 3; ++k) t.pivot[k] = bone != nullptr ? bone->pivot[k] : 0.0f;

  // Two walks in the same order: one to size the array, one to fill it.
  const L3D_PARTDATA_BONE* boneData = bone != nullptr ? bone->data.Get() : nullptr;
  dbtl::DList<L3DCollGroupInstance>& groups = owner->GetCollGroups();
  auto walk = [&](auto visit) {
    for (auto it = groups.Begin(); it != groups.End(); it = dbtl::DListBase::Next(it)) {
      L3DCollGroupInstance& g = *dbtl::DList<L3DCollGroupInstance>::Get(it);
      if ((g.data->flags & L3D_COLLGROUP_FLAG_TYPED) == 0) continue;
      for (uint32_t s = 0; s < g.sphereCount; ++s) {
        L3D_COLLINST_SPHERE& sphere = g.spheres[s];
        if (sphere.data->part.Get() == data.Get() && sphere.data->bone.Get() == boneData) {
          visit(sphere);
        }
      }
    }
  };
  uint32_t n = 0;
  walk([&](L3D_COLLINST_SPHERE&) { ++n; });
  t.sphereCount = n;
  t.spheres.Reset();
  if (n > 0) {
    t.spheres.Create(n);
    uint32_t i = 0;
    walk([&](L3D_COLLINST_SPHERE& sphere) { t.spheres[i++] = &sphere; });
  }

  for (uint32_t c = 0; c < childCount; ++c) {
    L3D_PARTINST_BONE& child = children[c];
    _SetupTransform(child.transform, &palette[child.matrixNumber], &child, child.children,
                    child.childCount);
  }
}

void L3DPartInstance::Clear() {
  m_steps.clear();
  root.spheres.Reset();
  root.sphereCount = 0;
  palette.Reset();
  mmaps.Reset();
  bones.Reset();
  mats.Reset();
  data.Reset();
  owner.Reset();
  matCount = 0;
  boneCount = 0;
  mmapCount = 0;
  paletteSize = 0;
}

dbtl::rcptr<L3D_PARTINST_MAT> L3DPartInstance::GetMat(const char* text, uint32_t length) const {
  for (uint32_t i = 0; i < matCount; ++i) {
    if (l3dNameEquals(materialOf(mats[i]).name, text, length)) return l3dElement(mats, i);
  }
  const std::string name(text != nullptr ? text : "", text != nullptr ? length : 0);
  lerrFatal(lerrText(u"[L3DPartInstance::GetMat] 指定されたマテリアルは見つかりません(%s)").c_str(),
            name.c_str());
}

namespace {

dbtl::rcptr<L3D_PARTINST_BONE> findBone(const dbtl::rcptr<L3D_PARTINST_BONE>& level,
                                        uint32_t count, const L3D_PARTDATA_BONE* target) {
  for (uint32_t i = 0; i < count; ++i) {
    if (level[i].data.Get() == target) return l3dElement(level, i);
    if (auto found = findBone(level[i].children, level[i].childCount, target)) return found;
  }
  return {};
}

}  // namespace

dbtl::rcptr<L3D_PARTINST_BONE> L3DPartInstance::GetBone(const L3D_PARTDATA_BONE* bone) const {
  if (auto found = findBone(bones, boneCount, bone)) return found;
  lerrFatal("%s", lerrText(u"[L3DPartInstance::GetBone] 指定されたボーンは見つかりません").c_str());
}

dbtl::rcptr<L3D_PARTINST_MMAP> L3DPartInstance::GetMMap(const L3D_PARTDATA_MMAP* map) const {
  for (uint32_t i = 0; i < mmapCount; ++i) {
    if (mmaps[i].data.Get() == map) return l3dElement(mmaps, i);
  }
  lerrFatal("%s", lerrText(u"[L3DPartInstance::GetMMap] 指定されたモーフマップがない").c_str());
}
