#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DString.h"
#include "foundation/dbtl/rcptr.h"
#include "model/L3DModelTypes.h"
#include "model/L3DPartData.h"
#include "render/L3DShaderOpt.h"

#include <cstdint>

class L3DModelReader;
class L3DObjectData;

// One entry of a part group: where a part hangs (a parent part and one of its bones) and the
// part's shader options inside this group.
class L3DPartInfoData {
 public:
  L3DPartInfoData() = default;
  L3DPartInfoData(const L3DPartInfoData&) = delete;
  L3DPartInfoData& operator=(const L3DPartInfoData&) = delete;
  ~L3DPartInfoData() { Clear(); }

  void Clear();
  dbtl::rcptr<L3DPartData> GetParentPart() const { return parentPart; }
  dbtl::rcptr<L3D_PARTDATA_BONE> GetParentBone() const { return parentBone; }

  dbtl::rcptr<L3DPartData> part;
  dbtl::DString namePool;
  dbtl::rcptr<L3DPartData> parentPart;  // empty for a root of the group
  dbtl::rcptr<L3D_PARTDATA_BONE> parentBone;
  LVec3 pivot;
  dbtl::DList<L3D_RENDERER_SHADEROPT> shaderOptions;
};

// A layout of the model's parts that animations name.
class L3DPartGroupData {
 public:
  L3DPartGroupData() = default;
  L3DPartGroupData(const L3DPartGroupData&) = delete;
  L3DPartGroupData& operator=(const L3DPartGroupData&) = delete;
  ~L3DPartGroupData() { Clear(); }

  void Clear();
  // owner is the object being loaded, kept without a reference.
  void _Load(const dbtl::rcptr<L3DObjectData>& owner, L3DModelReader& reader, uint32_t version);
  // The entry of that part; fatal when the group has none.
  dbtl::rcptr<L3DPartInfoData> GetInfo(const dbtl::rcptr<L3DPartData>& part);

  dbtl::rcptr<L3DObjectData> owner;
  dbtl::DString name;
  dbtl::DList<L3DPartInfoData> entries;
};

// Collision-group flag set exactly for the types 3 to 6.
inline constexpr uint32_t L3D_COLLGROUP_FLAG_TYPED = 0x10000;
inline constexpr uint32_t L3D_COLLGROUP_TYPE_MAX = 6;
// A format with the type (%d).
inline constexpr char16_t L3D_MSG_COLLGROUP_TYPE[] =
    u"[L3DCollGroupData::_SetFlagsFromType] 認識できない種類(%d)";

struct L3D_COLLDATA_SPHERE {
  dbtl::rcptr<L3DPartData> part;
  dbtl::rcptr<L3D_PARTDATA_BONE> bone;
  LVec3 centre;  // in the coordinates of the part or bone
  float radius = 0.0f;
};

// A set of spheres; its type (0 to 6) is the bounding slot it fills in an object instance.
class L3DCollGroupData {
 public:
  L3DCollGroupData() = default;
  L3DCollGroupData(const L3DCollGroupData&) = delete;
  L3DCollGroupData& operator=(const L3DCollGroupData&) = delete;
  ~L3DCollGroupData() { Clear(); }

  void Clear();
  void _Load(const dbtl::rcptr<L3DObjectData>& owner, L3DModelReader& reader, uint32_t version);
  // Sets the typed flag for types 3 to 6 and clears it for 0 to 2; fatal above 6.
  void _SetFlagsFromType();

  dbtl::rcptr<L3DObjectData> owner;
  dbtl::DString name;
  dbtl::DString secondName;
  uint32_t type = 0;
  uint32_t flags = 0;
  dbtl::DList<L3D_COLLDATA_SPHERE> spheres;
};
