#pragma once

#include "foundation/math/LMat.h"

#include <cstdint>
#include <memory>
#include <vector>

struct L3D_ANIMINST_KEY;

// The local pose of a motion at one frame of one key, before the transform's pivot is taken off
// the position: what the key evaluation computes from the key's rows, arcs and base matrix.
struct L3DKeyPose {
  float position[3];
  float rotation[4];
  float scale[3];
  LMat matrix;
};

// Position 0, no rotation, scale 1, the identity matrix: the pose of a transform without keys.
const L3DKeyPose& l3dRestPose();

// The time in [0, 1) of a key frames long with framesLeft (0 .. frames - 1) frames to go.
inline float l3dKeyTime(uint32_t frames, uint32_t framesLeft) {
  return 1.0f - static_cast<float>(framesLeft + 1) / static_cast<float>(frames);
}

// Evaluates key at t in [0, 1) over the motion's base matrix.
void l3dEvaluateKey(const L3D_ANIMINST_KEY& key, const LMat& baseMatrix, float t, L3DKeyPose& out);

// The poses of one motion's key table, shared by every instance of a model that plays the
// animation, so that the instances that stand on the same frame evaluate it once. A pose is a
// pure function of the key table, the base matrix and the frame, so a stored pose carries the
// same bits as a fresh evaluation: sharing changes the speed, never a result.
//
// Frames are counted from the table's first key; a frame's slot is its number modulo the slot
// count, and the slot keeps the number of the frame it holds. Tables up to kMaxSlots frames
// long get a slot for every frame; longer ones keep the last frame evaluated in each slot, which
// bounds the memory of long animations. The slots are allocated on the first look-up.
//
// The cache is written while instances step: like the rest of the simulation it belongs to the
// game thread.
class L3DPoseCache {
 public:
  static constexpr uint32_t kMaxSlots = 256;

  L3DPoseCache(const std::vector<L3D_ANIMINST_KEY>& keys, const LMat& baseMatrix);
  L3DPoseCache(const L3DPoseCache&) = delete;
  L3DPoseCache& operator=(const L3DPoseCache&) = delete;

  // Whether poses computed from keys over baseMatrix are the ones stored here: the frame counts,
  // flags and every coefficient are compared bit for bit.
  bool Matches(const std::vector<L3D_ANIMINST_KEY>& keys, const LMat& baseMatrix) const;

  // The pose of key k with framesLeft frames to go (0 .. frames - 1), evaluated at
  // l3dKeyTime(frames, framesLeft) and stored on the first request. Null when the frame lies
  // outside the key (the caller evaluates).
  const L3DKeyPose* Get(uint32_t k, uint32_t framesLeft);

  // The table the poses come from: the same keys as every motion instance that holds this cache,
  // and the copy that stays in cache memory while all of them step.
  const std::vector<L3D_ANIMINST_KEY>& Keys() const { return keys_; }

  // Whether every frame of the table has a slot of its own: then a pose, once stored, stays
  // until the cache goes, and callers may keep pointers to it instead of copies.
  bool KeepsEveryFrame() const { return keepsEveryFrame_; }

  uint64_t hits = 0;    // look-ups answered from a slot
  uint64_t misses = 0;  // look-ups that evaluated the key

 private:
  std::vector<L3D_ANIMINST_KEY> keys_;
  LMat baseMatrix_;
  std::vector<uint64_t> keyStart_;  // the table's frame number of each key's first frame
  uint32_t slotCount_ = 0;
  bool keepsEveryFrame_ = false;
  std::vector<uint64_t> tags_;  // frame number + 1 of the pose in each slot, 0 when empty
  std::vector<L3DKeyPose> poses_;
};

// The cache for keys over baseMatrix: the one held in slot when it matches, else a new one that
// slot then names (slot only observes: the motion instances own their caches).
std::shared_ptr<L3DPoseCache> l3dSharedPoseCache(std::weak_ptr<L3DPoseCache>& slot,
                                                 const std::vector<L3D_ANIMINST_KEY>& keys,
                                                 const LMat& baseMatrix);
