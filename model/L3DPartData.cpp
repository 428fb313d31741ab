#include "model/L3DPartData.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DHandles.h"

namespace {

// Walks the bones of an array and their subtrees in pre-order, calling visit(array, index)
// until it returns true. Returns true when the walk was stopped.
template <class Visit>
bool walkBones(const dbtl::rcptr<L3D_PARTDATA_BONE>& array, uint32_t count, Visit& visit) {
  for (uint32_t i = 0; i < count; ++i) {
    if (visit(array, i)) return true;
    if (walkBones(array[i].children, array[i].childCount, visit)) return true;
  }
  return false;
}

}  // namespace

void L3DPartData::Clear() {
  name.Assign("");
  namePool.Assign("");
  colourCount = 0;
  colours.Reset();
  uvCount = 0;
  uvs.Reset();
  // The vertex sets point into the materials and the matrix list into the bones: they go first.
  meshCount = 0;
  meshes.Reset();
  matrixCount = 0;
  matrixBones.Reset();
  matCount = 0;
  mats.Reset();
  weightMapCount = 0;
  weightMaps.Reset();
  morphMapCount = 0;
  morphMaps.Reset();
  boneCount = 0;
  bones.Reset();
  shaderOptions.Release();
}

uint32_t L3DPartData::_CountBones() const {
  uint32_t n = 0;
  auto count = [&](const dbtl::rcptr<L3D_PARTDATA_BONE>&, uint32_t) {
    ++n;
    return false;
  };
  walkBones(bones, boneCount, count);
  return n;
}

void L3DPartData::_BuildMatrixList() {
  matrixCount = 0;
  matrixBones.Create(_CountBones());
  auto add = [&](const dbtl::rcptr<L3D_PARTDATA_BONE>& array, uint32_t i) {
    matrixBones[matrixCount++] = array.Get() + i;
    return false;
  };
  walkBones(bones, boneCount, add);
}

dbtl::rcptr<L3D_PARTDATA_BONE> L3DPartData::_GetBoneByNumber(uint32_t number) const {
  dbtl::rcptr<L3D_PARTDATA_BONE> found;
  if (number == 0) return found;
  uint32_t left = number;
  auto count = [&](const dbtl::rcptr<L3D_PARTDATA_BONE>& array, uint32_t i) {
    if (--left != 0) return false;
    found = l3dElement(array, i);
    return true;
  };
  walkBones(bones, boneCount, count);
  return found;
}

dbtl::rcptr<L3D_PARTDATA_MMAP> L3DPartData::GetMmapDataFromNumber(uint32_t number) const {
  if (number == 0) return {};
  if (number > morphMapCount) {
    lerrFatal("%s", lerrText(L3D_MSG_NO_MORPH_MAP).c_str());
  }
  return l3dElement(morphMaps, number - 1);
}

dbtl::rcptr<L3D_PARTDATA_BONE> L3DPartData::GetBoneByName(const char* text,
                                                          uint32_t length) const {
  dbtl::rcptr<L3D_PARTDATA_BONE> found;
  if (text == nullptr || length == 0) return found;
  auto match = [&](const dbtl::rcptr<L3D_PARTDATA_BONE>& array, uint32_t i) {
    if (!l3dNameEquals(array[i].name, text, length)) return false;
    found = l3dElement(array, i);
    return true;
  };
  walkBones(bones, boneCount, match);
  return found;
}

dbtl::rcptr<L3D_PARTDATA_MMAP> L3DPartData::GetWeightMap(const L3D_PARTDATA_BONE& bone) const {
  if (bone.weightMapName.length == 0) return {};
  for (uint32_t i = 0; i < weightMapCount; ++i) {
    if (l3dNameEquals(weightMaps[i].name, bone.weightMapName.text, bone.weightMapName.length)) {
      return l3dElement(weightMaps, i);
    }
  }
  return {};
}
