#include "model/L3DObjectData.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DHandles.h"

namespace {

[[noreturn]] void fatal(const char16_t* text) { lerrFatal("%s", lerrText(text).c_str()); }

}  // namespace

void L3DObjectData::Clear() {
  // Animations and groups hold counted handles into the parts; they go before the parts.
  anims.Release();
  collGroups.Release();
  partGroups.Release();
  parts.Release();
  events.Release();
  texAreas.Release();
  shaderOptions.Release();
  name.Assign("");
  namePool.Assign("");
}

dbtl::rcptr<L3DPartData> L3DObjectData::GetPartDataFromNumber(uint32_t number) {
  if (number == 0) return {};
  dbtl::rcptr<L3DPartData> part = l3dListNth(parts, number);
  if (!part) fatal(L3D_MSG_NO_PART);
  return part;
}

dbtl::rcptr<L3D_PARTDATA_BONE> L3DObjectData::GetPartBoneDataFromNumber(
    const dbtl::rcptr<L3DPartData>& part, uint32_t number) {
  if (!part || number == 0) return {};
  dbtl::rcptr<L3D_PARTDATA_BONE> bone = part->_GetBoneByNumber(number);
  if (!bone) fatal(L3D_MSG_NO_BONE);
  return bone;
}

dbtl::rcptr<L3DPartGroupData> L3DObjectData::GetPartGroupDataFromNumber(uint32_t number) {
  if (number == 0) return {};
  dbtl::rcptr<L3DPartGroupData> group = l3dListNth(partGroups, number);
  if (!group) fatal(L3D_MSG_NO_PART_GROUP);
  return group;
}

dbtl::rcptr<L3DPartData> L3DObjectData::GetValidPartData(const dbtl::rcptr<L3DPartData>& part) {
  dbtl::rcptr<L3DPartData> found = l3dListFind(parts, part.Get());
  if (!found) fatal(u"[L3DObjectData::GetValidPartData] 有効なパーツが見つかりませんでした");
  return found;
}

dbtl::rcptr<L3DAnimData> L3DObjectData::GetValidAnimData(const dbtl::rcptr<L3DAnimData>& anim) {
  dbtl::rcptr<L3DAnimData> found = l3dListFind(anims, anim.Get());
  if (!found) fatal(u"[L3DObjectData::GetValidAnimData] 有効なアニメが見つかりませんでした");
  return found;
}

dbtl::rcptr<L3DPartData> L3DObjectData::GetPartDataByName(const char* text, uint32_t length) {
  return l3dListFirst(parts, [&](const L3DPartData& part) {
    return l3dNameEquals(part.name.GetText(), part.name.GetLength(), text, length);
  });
}
