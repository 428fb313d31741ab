#include "model/L3DAnimData.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DHandles.h"

void L3DAnimData::Clear() {
  events.Release();
  texAreas.Release();
  shaderOptions.Release();
  motions.Release();
  partGroup.Reset();
  owner.Reset();
  name.Assign("");
  namePool.Assign("");
  flags = 0;
  endFrame = 0;
  loopFrame = 0;
}

dbtl::rcptr<L3D_ANIMDATA_MOT> L3DAnimData::GetMotion(const dbtl::rcptr<L3DPartData>& part,
                                                     const dbtl::rcptr<L3D_PARTDATA_BONE>& bone) {
  dbtl::rcptr<L3D_ANIMDATA_MOT> found = l3dListFirst(motions, [&](const L3D_ANIMDATA_MOT& m) {
    return m.part == part && m.bone == bone;
  });
  if (!found) {
    lerrFatal("%s", lerrText(u"[L3DAnimData::GetMotion] 指定されたモーションは無い").c_str());
  }
  return found;
}
