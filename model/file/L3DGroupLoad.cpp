// Part-group and collision-group records. Their part and bone numbers designate parts read
// earlier in the same file and are resolved through the object being loaded.

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DGroupData.h"
#include "model/L3DHandles.h"
#include "model/L3DObjectData.h"
#include "model/file/L3DModelReader.h"

namespace {

constexpr uint64_t kMinEntryBytes = 32;
constexpr uint64_t kMinSphereBytes = 24;

}  // namespace

void L3DPartGroupData::_Load(const dbtl::rcptr<L3DObjectData>& ownerData, L3DModelReader& r,
                             uint32_t version) {
  l3dCheckVersion(version, "L3DPartGroupData::_Load", r);
  Clear();
  owner = ownerData;
  r.String(name);
  l3dReadArray(entries, r.Count(kMinEntryBytes), [&](L3DPartInfoData& entry) {
    entry.part = r.PartNumber(*owner, r.U32());
    const L3DPool pool = l3dPoolOf(entry.namePool, r.Pool(entry.namePool));
    entry.parentPart = r.PartNumber(*owner, r.U32());
    entry.parentBone = r.BoneNumber(*owner, entry.parentPart, r.U32());
    entry.pivot = r.Vec3();
    L3DObjectData::_LoadShader(entry.shaderOptions, r, pool, version);
  });
}

void L3DCollGroupData::_Load(const dbtl::rcptr<L3DObjectData>& ownerData, L3DModelReader& r,
                             uint32_t version) {
  // Collision groups exist from version 4 on; older files carry another block instead.
  if (version < 4) {
    r.Fail(lerrFormat(lerrText(u"[L3DCollGroupData::_Load] サポートしていないバージョン(%d)").c_str(),
                      static_cast<int>(version)));
  }
  l3dCheckVersion(version, "L3DCollGroupData::_Load", r);
  Clear();
  owner = ownerData;
  r.String(name);
  r.String(secondName);
  type = r.U32();
  // Type 6 was added in version 15; older writers used that number for type 0.
  if (version < 15 && type == 6) type = 0;
  flags = r.U32() & ~L3D_COLLGROUP_FLAG_TYPED;
  if (type > L3D_COLLGROUP_TYPE_MAX) {
    r.Fail(lerrFormat(lerrText(L3D_MSG_COLLGROUP_TYPE).c_str(), static_cast<int>(type)));
  }
  _SetFlagsFromType();
  l3dReadArray(spheres, r.Count(kMinSphereBytes), [&](L3D_COLLDATA_SPHERE& sphere) {
    sphere.part = r.PartNumber(*owner, r.U32());
    sphere.bone = r.BoneNumber(*owner, sphere.part, r.U32());
    sphere.centre = r.Vec3();
    // Versions 5 and 6 stored 12 bytes in place of the radius; those spheres get radius 0.
    if (version == 5 || version == 6) {
      r.Skip(12);
      sphere.radius = 0.0f;
    } else {
      sphere.radius = r.F32();
    }
  });
}
