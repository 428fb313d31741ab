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
  l3dReadArray(motion.keys, r.Count(kKeyBytes), [&](L3D_ANIMDATA_KEY& key) {
    key.frame = r.U32();
    key.flags = r.U32();
    key.position = r.Vec3();
    key.rotation = r.Quat();
    key.scale = r.Vec3();
  });
}

void readMorph(L3D_ANIMDATA_MORPH& morph, const L3D_ANIMDATA_MOT& motion, L3DModelReader& r) {
  morph.frame = r.U32();
  const uint32_t number = r.U32();
  // A morph map belongs to a part: a motion of no part has none to name.
  if (number != 0 && !motion.part) {
    r.Fail(lerrText(L3D_MSG_NO_MORPH_MAP));
  }
  if (motion.part) morph.morphMap = r.MorphMapNumber(*motion.part, number);
}

void readMorphGroups(L3D_ANIMDATA_MOT& motion, L3DModelReader& r) {
  l3dReadArray(motion.morphGroups, r.Count(kMinMorphGroupBytes),
               [&](L3D_ANIMDATA_MORPHGROUP& group) {
                 r.String(group.name);
                 l3dReadArray(group.morphs, r.Count(kMorphBytes),
                              [&](L3D_ANIMDATA_MORPH& morph) { readMorph(morph, motion, r); });
               });
}

}  // namespace

void L3DAnimData::_Load(const dbtl::rcptr<L3DObjectData>& ownerData, L3DModelReader& r,
                        uint32_t version) {
  l3dCheckVersion(version, "L3DAnimData::_Load", r);
  Clear();
  owner = ownerData;
  r.String(name);
  const L3DPool pool = l3dPoolOf(namePool, r.Pool(namePool));
  flags = r.U32() & ~kFlagsClearedOnLoad;
  endFrame = r.U32();
  loopFrame = r.U32();
  partGroup = r.PartGroupNumber(*owner, r.U32());
  L3DObjectData::_LoadShader(shaderOptions, r, pool, version);
  L3DObjectData::_LoadTexArea(texAreas, r, pool, version);
  L3DObjectData::_LoadEvent(events, r, pool, version);

  l3dReadArray(motions, r.Count(kMinMotionBytes), [&](L3D_ANIMDATA_MOT& motion) {
    motion.part = r.PartNumber(*owner, r.U32());
    motion.bone = r.BoneNumber(*owner, motion.part, r.U32());
    readKeys(motion, r);
    readMorphGroups(motion, r);
  });
}
