#include "model/L3DGroupData.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DHandles.h"

void L3DPartInfoData::Clear() {
  part.Reset();
  namePool.Assign("");
  parentPart.Reset();
  parentBone.Reset();
  pivot = LVec3();
  shaderOptions.Release();
}

void L3DPartGroupData::Clear() {
  owner.Reset();
  name.Assign("");
  entries.Release();
}

dbtl::rcptr<L3DPartInfoData> L3DPartGroupData::GetInfo(const dbtl::rcptr<L3DPartData>& part) {
  dbtl::rcptr<L3DPartInfoData> found =
      l3dListFirst(entries, [&](const L3DPartInfoData& entry) { return entry.part == part; });
  if (!found) {
    lerrFatal("%s", lerrText(u"[L3DPartGroupData::GetInfo] 指定されたパーツは存在しない").c_str());
  }
  return found;
}

void L3DCollGroupData::Clear() {
  owner.Reset();
  name.Assign("");
  secondName.Assign("");
  type = 0;
  flags = 0;
  spheres.Release();
}

void L3DCollGroupData::_SetFlagsFromType() {
  if (type > L3D_COLLGROUP_TYPE_MAX) {
    lerrFatal(lerrText(L3D_MSG_COLLGROUP_TYPE).c_str(), static_cast<int>(type));
  }
  if (type >= 3) {
    flags |= L3D_COLLGROUP_FLAG_TYPED;
  } else {
    flags &= ~L3D_COLLGROUP_FLAG_TYPED;
  }
}
