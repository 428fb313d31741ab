#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DString.h"
#include "foundation/dbtl/rcptr.h"
#include "model/L3DGroupData.h"
#include "model/L3DModelTypes.h"
#include "model/L3DObjDataEvent.h"
#include "model/L3DPartData.h"
#include "render/L3DShaderOpt.h"

#include <cstdint>
#include <memory>

class L3DModelReader;
class L3DObjectData;
class L3DPoseCache;

// Key flags.
inline constexpr uint32_t L3D_ANIMKEY_HIDDEN = 1;  // the part is hidden while the key is current
inline constexpr uint32_t L3D_ANIMKEY_CUBIC = 2;   // cubic interpolation to the next key

// One transform key: the same 48 bytes in the file and in memory.
struct L3D_ANIMDATA_KEY {
  uint32_t frame = 0;
  uint32_t flags = 0;
  LVec3 position;  // before the pivot is added
  LQuat rotation;
  LVec3 scale;
};
static_assert(sizeof(L3D_ANIMDATA_KEY) == 48);

struct L3D_ANIMDATA_MORPH {
  uint32_t frame = 0;
  dbtl::rcptr<L3D_PARTDATA_MMAP> morphMap;  // empty for number 0
};

struct L3D_ANIMDATA_MORPHGROUP {
  dbtl::DString name;
  dbtl::DList<L3D_ANIMDATA_MORPH> morphs;
};

// The motion of one part root (bone empty) or one bone.
struct L3D_ANIMDATA_MOT {
  dbtl::rcptr<L3DPartData> part;
  dbtl::rcptr<L3D_PARTDATA_BONE> bone;
  dbtl::DList<L3D_ANIMDATA_KEY> keys;
  dbtl::DList<L3D_ANIMDATA_MORPHGROUP> morphGroups;
  // The evaluated poses that the instances playing this motion share (model/anim/L3DPoseCache.h);
  // the motion instances own them, this only finds them.
  std::weak_ptr<L3DPoseCache> poseCache;
};

// Animation flag: restore the texture coordinates of the vertex copies on refresh.
inline constexpr uint32_t L3D_ANIMDATA_RESTORE_UV = 1;

class L3DAnimData {
 public:
  L3DAnimData() = default;
  L3DAnimData(const L3DAnimData&) = delete;
  L3DAnimData& operator=(const L3DAnimData&) = delete;
  ~L3DAnimData() { Clear(); }

  void Clear();
  // Reads one animation record; its numbers resolve through owner, the object being loaded.
  void _Load(const dbtl::rcptr<L3DObjectData>& owner, L3DModelReader& reader, uint32_t version);
  // The first motion of that part and bone (both compared by identity; an empty bone asks for
  // the root motion); fatal when there is none.
  dbtl::rcptr<L3D_ANIMDATA_MOT> GetMotion(const dbtl::rcptr<L3DPartData>& part,
                                          const dbtl::rcptr<L3D_PARTDATA_BONE>& bone);
  dbtl::rcptr<L3DPartGroupData> GetPartGroup() const { return partGroup; }

  dbtl::rcptr<L3DObjectData> owner;
  dbtl::DString name;
  dbtl::DString namePool;
  uint32_t flags = 0;
  uint32_t endFrame = 0;
  uint32_t loopFrame = 0;
  dbtl::rcptr<L3DPartGroupData> partGroup;
  dbtl::DList<L3D_ANIMDATA_MOT> motions;
  dbtl::DList<L3D_RENDERER_SHADEROPT> shaderOptions;
  dbtl::DList<L3D_OBJDATA_TEXAREA> texAreas;
  dbtl::DList<L3D_OBJDATA_EVENT> events;
};
