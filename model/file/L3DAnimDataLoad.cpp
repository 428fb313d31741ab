// The animation record: the last block of a model file.

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DAnimData.h"
#include "model/L3DHandles.h"
#include "model/L3DObjectData.h"
#include "model/file/L3DModelReader.h"

namespace {

constexpr uint64_t kMinMotionBytes = 16;
constexpr uint64_t kKeyBytes = 48;
constexpr uint64_t kMinMorphGroupBytes = 8;
constexpr uint64_t kMorphBytes = 8;

// Bit 1 of the stored flags is cleared on load.
constexpr uint32_t kFlagsClearedOnLoad = 2;

void readKeys(L3D_ANIMDATA_MOT& motion, L3DModelReader& r) {
  const uint32_t count = r.Count(kKeyBytes);
  dbtl::rcptr<L3D_ANIMDATA_KEY> keys;
  keys.Create(count);
  for (uint32_t i = 0; i < count; ++i) {
    L3D_ANIMDATA_KEY& key = keys[i];
    key.frame = r.U32();
    key.flags = r.U32();
    key.position = r.Vec3();
    key.rotation = r.Quat();
    key.scale = r.Vec3();
    motion.keys.PushBack(l3dElement(keys, i));
  }
}

void readMorphGroups(L3D_ANIMDATA_MOT& motion, L3DModelReader& r) {
  const uint32_t count = r.Count(kMinMorphGroupBytes);
  dbtl::rcptr<L3D_ANIMDATA_MORPHGROUP> groups;
  groups.Create(count);
  for (uint32_t i = 0; i < count; ++i) {
    L3D_ANIMDATA_MORPHGROUP& group = groups[i];
    motion.morphGroups.PushBack(l3dElement(groups, i));
    r.String(group.name);
    const uint32_t morphCount = r.Count(kMorphBytes);
    dbtl::rcptr<L3D_ANIMDATA_MORPH> morphs;
    morphs.Create(morphCount);
    for (uint32_t k = 0; k < morphCount; ++k) {
      L3D_ANIMDATA_MORPH& morph = morphs[k];
      group.morphs.PushBack(l3dElement(morphs, k));
      morph.frame = r.U32();
      const uint32_t number = r.U32();
      // A morph map belongs to a part: a motion of no part has none to name.
      if (number != 0 && !motion.part) {
        lerrFatal("%s",
                  lerrText(u"[L3DPartData::GetMmapDataFromNumber] 指定された番号のモーフマップが見つからない")
                      .c_str());
      }
      if (motion.part) morph.morphMap = motion.part->GetMmapDataFromNumber(number);
    }
  }
}

}  // namespace

void L3DAnimData::_Load(const dbtl::rcptr<L3DObjectData>& ownerData, L3DModelReader& r,
                        uint32_t version) {
  l3dCheckVersion(version, "L3DAnimData::_Load");
  Clear();
  owner = ownerData;
  r.String(name);
  const L3DPool pool = l3dPoolOf(namePool, r.Pool(namePool));
  flags = r.U32() & ~kFlagsClearedOnLoad;
  endFrame = r.U32();
  loopFrame = r.U32();
  partGroup = owner->GetPartGroupDataFromNumber(r.U32());
  L3DObjectData::_LoadShader(shaderOptions, r, pool, version);
  L3DObjectData::_LoadTexArea(texAreas, r, pool, version);
  L3DObjectData::_LoadEvent(events, r, pool, version);

  motions.Clear();
  const uint32_t count = r.Count(kMinMotionBytes);
  dbtl::rcptr<L3D_ANIMDATA_MOT> array;
  array.Create(count);
  for (uint32_t i = 0; i < count; ++i) {
    L3D_ANIMDATA_MOT& motion = array[i];
    motions.PushBack(l3dElement(array, i));
    motion.part = owner->GetPartDataFromNumber(r.U32());
    motion.bone = owner->GetPartBoneDataFromNumber(motion.part, r.U32());
    readKeys(motion, r);
    readMorphGroups(motion, r);
  }
}
