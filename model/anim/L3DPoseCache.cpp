#include "model/anim/L3DPoseCache.h"

#include "model/L3DAnimData.h"
#include "model/anim/L3DAnimInstance.h"
#include "model/anim/L3DKeyMath.h"

#include <algorithm>
#include <cstring>

namespace {

bool sameBits(const void* a, const void* b, size_t size) { return std::memcmp(a, b, size) == 0; }

bool sameQuat(const LQuat& a, const LQuat& b) {
  const float x[4] = {a.x, a.y, a.z, a.w};
  const float y[4] = {b.x, b.y, b.z, b.w};
  return sameBits(x, y, sizeof x);
}

// The arcs are worked out from q0 .. q3 and the flags, so the fields below decide the poses.
bool sameKey(const L3D_ANIMINST_KEY& a, const L3D_ANIMINST_KEY& b) {
  return a.frames == b.frames && a.flags == b.flags &&
         sameBits(a.position, b.position, sizeof a.position) &&
         sameBits(a.scale, b.scale, sizeof a.scale) && sameQuat(a.q0, b.q0) && sameQuat(a.q1, b.q1) &&
         sameQuat(a.q2, b.q2) && sameQuat(a.q3, b.q3);
}

}  // namespace

void l3dEvaluateKey(const L3D_ANIMINST_KEY& key, const LMat& baseMatrix, float at, L3DKeyPose& out) {
  LQuat rotation;
  if ((key.flags & L3D_ANIMKEY_CUBIC) != 0) {
    const float t2 = at * at;
    const float t3 = t2 * at;
    for (int i = 0; i < 3; ++i) {
      out.position[i] =
          key.position[0][i] * t3 + key.position[1][i] * t2 + key.position[2][i] * at + key.position[3][i];
      out.scale[i] = key.scale[0][i] * t3 + key.scale[1][i] * t2 + key.scale[2][i] * at + key.scale[3][i];
    }
    rotation = l3dSquadAt(key.outer, key.inner, at);
  } else {
    for (int i = 0; i < 3; ++i) {
      out.position[i] = key.position[0][i] + key.position[1][i] * at;
      out.scale[i] = key.scale[0][i] + key.scale[1][i] * at;
    }
    rotation = l3dSlerpAt(key.outer, at);
  }
  out.rotation[0] = rotation.x;
  out.rotation[1] = rotation.y;
  out.rotation[2] = rotation.z;
  out.rotation[3] = rotation.w;

  LMat s, r, p;
  s.SetScaling(out.scale[0], out.scale[1], out.scale[2]);
  quatToMatrix(r, rotation);
  p.SetTranslation(out.position[0], out.position[1], out.position[2]);
  LMat::Mul(baseMatrix, s, out.matrix);
  LMat::Mul(out.matrix, r, out.matrix);
  LMat::Mul(out.matrix, p, out.matrix);
}

L3DPoseCache::L3DPoseCache(const std::vector<L3D_ANIMINST_KEY>& keys, const LMat& baseMatrix)
    : keys_(keys), baseMatrix_(baseMatrix) {
  keyStart_.reserve(keys.size());
  uint64_t frame = 0;
  for (const L3D_ANIMINST_KEY& key : keys) {
    keyStart_.push_back(frame);
    frame += key.frames;
  }
  slotCount_ = static_cast<uint32_t>(std::min<uint64_t>(frame, kMaxSlots));
  keepsEveryFrame_ = frame <= kMaxSlots;
}

const L3DKeyPose& l3dRestPose() {
  static const L3DKeyPose pose = [] {
    L3DKeyPose p{};
    p.rotation[3] = 1.0f;
    p.scale[0] = p.scale[1] = p.scale[2] = 1.0f;
    p.matrix.SetIdentity();
    return p;
  }();
  return pose;
}

bool L3DPoseCache::Matches(const std::vector<L3D_ANIMINST_KEY>& keys, const LMat& baseMatrix) const {
  if (keys.size() != keys_.size() || !sameBits(baseMatrix.m, baseMatrix_.m, sizeof baseMatrix.m)) {
    return false;
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!sameKey(keys[i], keys_[i])) return false;
  }
  return true;
}

const L3DKeyPose* L3DPoseCache::Get(uint32_t k, uint32_t framesLeft) {
  if (k >= keys_.size() || framesLeft >= keys_[k].frames || slotCount_ == 0) return nullptr;
  if (poses_.empty()) {
    tags_.assign(slotCount_, 0);
    poses_.resize(slotCount_);
  }
  const uint64_t frame = keyStart_[k] + (keys_[k].frames - 1 - framesLeft);
  const size_t slot = static_cast<size_t>(frame % slotCount_);
  L3DKeyPose& pose = poses_[slot];
  if (tags_[slot] == frame + 1) {
    ++hits;
    return &pose;
  }
  ++misses;
  l3dEvaluateKey(keys_[k], baseMatrix_, l3dKeyTime(keys_[k].frames, framesLeft), pose);
  tags_[slot] = frame + 1;
  return &pose;
}

std::shared_ptr<L3DPoseCache> l3dSharedPoseCache(std::weak_ptr<L3DPoseCache>& slot,
                                                 const std::vector<L3D_ANIMINST_KEY>& keys,
                                                 const LMat& baseMatrix) {
  std::shared_ptr<L3DPoseCache> cache = slot.lock();
  if (cache && cache->Matches(keys, baseMatrix)) return cache;
  cache = std::make_shared<L3DPoseCache>(keys, baseMatrix);
  slot = cache;
  return cache;
}
