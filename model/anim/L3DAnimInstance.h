#pragma once

#include "foundation/dbtl/rcptr.h"
#include "foundation/math/LMat.h"
#include "model/L3DAnimData.h"
#include "model/anim/L3DKeyMath.h"
#include "model/anim/L3DObjInstEvent.h"
#include "model/anim/L3DPoseCache.h"
#include "model/instance/L3DPartInstance.h"
#include "render/L3DAnimInstMat.h"

#include <cstdint>
#include <memory>
#include <vector>

class L3DObjectInstance;
class L3DAnimInstance;

// A run-time key with its interpolation coefficients. Cubic keys: the position and scale rows
// are the coefficients of t^3, t^2, t and 1; q3 is the rotation at t = 0, q2 at t = 1, q0 and
// q1 the inner squad controls. Linear keys: row 0 is the value at t = 0, row 1 the change per
// unit of t; q0 and q1 the rotations at t = 0 and 1. The arcs are the slerps' fixed parts:
// cubic keys q3..q2 (outer) and q0..q1 (inner), linear keys q0..q1 along the shorter arc
// (outer); l3dSetKeyArcs fills them from the rotations.
struct L3D_ANIMINST_KEY {
  uint32_t frames = 0;  // at least 1
  uint32_t flags = 0;   // L3D_ANIMKEY_HIDDEN, L3D_ANIMKEY_CUBIC
  float position[4][3] = {};
  LQuat q0, q1, q2, q3;
  float scale[4][3] = {};
  L3DSlerpArc outer, inner;
};

void l3dSetKeyArcs(L3D_ANIMINST_KEY& key);

struct L3D_ANIMINST_MORPH {
  dbtl::rcptr<L3D_PARTINST_MMAP> morphMap;  // empty for the rest state
  uint32_t frames = 0;  // frames of the morph towards this item, minus one
};

struct L3D_ANIMINST_MORPHGROUP {
  dbtl::rcptr<L3D_ANIMDATA_MORPHGROUP> data;
  std::vector<L3D_ANIMINST_MORPH> items;
  uint32_t loopIndex = 0;  // items.size() when the group ends on its last item
  uint32_t currentIndex = 0;
  uint32_t framesLeft = 0;

  uint32_t itemCount() const { return static_cast<uint32_t>(items.size()); }
};

// One material binding of a root motion: the animation's material for a vertex set.
struct L3D_ANIMINST_MESHMAT {
  L3D_PARTINST_MAT* record = nullptr;
  L3D_ANIMINST_MAT material;
};

// One motion of an animation bound to a part root (bone empty) or a bone.
struct L3D_ANIMINST_MOT {
  // What every frame step reads comes first, so that it shares the struct's first cache line.
  std::vector<L3D_ANIMINST_KEY> keys;
  // The poses of keys, shared with the other instances of the model that play the motion; null
  // for tables built outside an animation instance.
  std::shared_ptr<L3DPoseCache> poses;
  std::vector<L3D_ANIMINST_MORPHGROUP> morphGroups;
  uint32_t loopKeyIndex = 0;
  L3DAnimInstance* owner = nullptr;
  dbtl::rcptr<L3D_ANIMDATA_MOT> data;
  dbtl::rcptr<L3DPartInstance> partInstance;
  dbtl::rcptr<L3D_PARTINST_BONE> boneInstance;
  float pivot[3] = {};
  LMat baseMatrix{};  // the translation by -pivot
  std::vector<L3D_ANIMINST_MESHMAT> bindings;
  std::vector<L3D_PARTINST_MAT*> morphRecords;  // the vertex sets the morph groups change

  uint32_t keyCount() const { return static_cast<uint32_t>(keys.size()); }
};

// An animation bound to one object instance: every part root and bone with a motion of the
// animation gets a motion instance with its keys, interpolation coefficients, morph items and
// material bindings, all computed here once, so that a frame step only evaluates them.
class L3DAnimInstance {
 public:
  L3DAnimInstance() = default;
  L3DAnimInstance(const L3DAnimInstance&) = delete;
  L3DAnimInstance& operator=(const L3DAnimInstance&) = delete;
  ~L3DAnimInstance() { Clear(); }

  // Fills the new instance for the animation of owner's model. An animation without a part
  // group, with keys out of order or with its loop frame past its end is refused (fatal).
  static void _Create(const dbtl::rcptr<L3DAnimData>& data, L3DAnimInstance& anim,
                      L3DObjectInstance* owner);
  dbtl::rcptr<L3DAnimData> GetAnimData() const { return data; }
  void Clear();

  L3DObjectInstance* owner = nullptr;  // uncounted: the object instance owns this
  dbtl::rcptr<L3DAnimData> data;
  std::vector<L3D_ANIMINST_MOT> motions;
  L3D_OBJINST_EVENTSET events;

  uint32_t motionCount() const { return static_cast<uint32_t>(motions.size()); }

  // The steps of _Create, public for the tests of the key tables.
  static bool _BuildKeys(L3D_ANIMINST_MOT& motion, const L3DAnimData& anim);
  static bool _BuildMorphGroups(L3D_ANIMINST_MOT& motion, const L3DAnimData& anim);

 private:
  bool _BindMotion(L3D_ANIMINST_MOT& motion, const L3DPartInfoData* entry);
  bool _CreateBindings(L3D_ANIMINST_MOT& motion, const L3DPartInfoData* entry);
};
