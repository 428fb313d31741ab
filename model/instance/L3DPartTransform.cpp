#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/anim/L3DAnimInstance.h"
#include "model/anim/L3DKeyMath.h"
#include "model/anim/L3DPoseCache.h"
#include "model/instance/L3DPartInstance.h"

#include <cstddef>

// The block that voices and effects follow is read as position, previous position, delta,
// rotation, ... from a pointer to the position.
static_assert(offsetof(L3D_PARTINST_TRANSFORM, previousPosition) ==
              offsetof(L3D_PARTINST_TRANSFORM, position) + 3 * sizeof(float));
static_assert(offsetof(L3D_PARTINST_TRANSFORM, deltaPosition) ==
              offsetof(L3D_PARTINST_TRANSFORM, position) + 6 * sizeof(float));
static_assert(offsetof(L3D_PARTINST_TRANSFORM, rotation) ==
              offsetof(L3D_PARTINST_TRANSFORM, position) + 9 * sizeof(float));

namespace {

// The transform's own copy of a pose, for poses that are not shared or not kept.
L3DKeyPose& ownPose(L3D_PARTINST_TRANSFORM& t) {
  if (!t.ownPose) t.ownPose = std::make_unique<L3DKeyPose>();
  return *t.ownPose;
}

void usePose(L3D_PARTINST_TRANSFORM& t, const L3DKeyPose& pose) {
  for (int i = 0; i < 3; ++i) t.localPosition[i] = pose.position[i] - t.pivot[i];
  t.pose = &pose;
}

}  // namespace

void L3DPartInstance::_calcInterpolatedKey(uint32_t k, L3D_PARTINST_TRANSFORM& t, float at) {
  const L3D_ANIMINST_MOT* motion = t.motion;
  if (motion == nullptr) {
    lerrFatal("%s", lerrText(u"[L3DPartInstance::_calcInterpolatedKey] モーションがない").c_str());
  }
  if (k >= motion->keyCount()) {
    lerrFatal(lerrText(u"[L3DPartInstance::_calcInterpolatedKey] モーションキーが異常(%u/%u)").c_str(),
              k, motion->keyCount());
  }
  L3DKeyPose& pose = ownPose(t);
  l3dEvaluateKey(motion->keys[k], motion->baseMatrix, at, pose);
  usePose(t, pose);
}

void L3DPartInstance::_UpdateTransform(L3D_PARTINST_TRANSFORM& t, uint32_t n, const LMat& parentWorld,
                                       const float parentRotation[4],
                                       const dbtl::rcptr<L3D_PARTINST_BONE>& children,
                                       uint32_t childCount) {
  _StepTransform(t, n, parentWorld, parentRotation);
  for (uint32_t c = 0; c < childCount; ++c) {
    L3D_PARTINST_BONE& child = children[c];
    _UpdateTransform(child.transform, n, t.worldMatrix, t.rotation, child.children, child.childCount);
  }
}

void L3DPartInstance::_StepTransform(L3D_PARTINST_TRANSFORM& t, uint32_t n, const LMat& parentWorld,
                                     const float parentRotation[4]) {
  const L3D_ANIMINST_MOT* motion = t.motion;
  L3DPoseCache* poses = motion != nullptr ? motion->poses.get() : nullptr;
  // The shared cache's copy of the table when there is one: the instance's own copy holds the
  // same keys but would be one more block of memory to fetch per transform.
  const std::vector<L3D_ANIMINST_KEY>* keys = poses != nullptr ? &poses->Keys() : nullptr;
  if (keys == nullptr && motion != nullptr) keys = &motion->keys;
  const uint32_t keyCount = keys != nullptr ? static_cast<uint32_t>(keys->size()) : 0;
  if (keyCount > 1) {
    uint32_t m = n;
    while (t.framesLeft < m) {
      m -= t.framesLeft;
      t.keyIndex += 1;
      if (t.keyIndex >= keyCount) t.keyIndex = motion->loopKeyIndex;
      t.framesLeft = (*keys)[t.keyIndex].frames;
    }
    t.framesLeft -= m;
    const L3DKeyPose* pose = poses != nullptr ? poses->Get(t.keyIndex, t.framesLeft) : nullptr;
    if (pose != nullptr && poses->KeepsEveryFrame()) {
      usePose(t, *pose);
    } else if (pose != nullptr) {
      // The slot takes other frames later on: keep a copy.
      L3DKeyPose& own = ownPose(t);
      own = *pose;
      usePose(t, own);
    } else {
      _calcInterpolatedKey(t.keyIndex, t, l3dKeyTime((*keys)[t.keyIndex].frames, t.framesLeft));
    }
  }

  LMat::Mul(t.pose->matrix, parentWorld, t.worldMatrix);
  float newPosition[3];
  vec3TransformCoord(t.worldMatrix, t.pivot, newPosition);
  LQuat newRotation;
  const LQuat parent{parentRotation[0], parentRotation[1], parentRotation[2], parentRotation[3]};
  const float* lr = t.pose->rotation;
  const LQuat local{lr[0], lr[1], lr[2], lr[3]};
  quatMultiply(newRotation, parent, local);
  const float rotation[4] = {newRotation.x, newRotation.y, newRotation.z, newRotation.w};

  if ((t.flags & L3D_PARTINST_TRANSFORM_FIRST) != 0) {
    t.flags &= ~L3D_PARTINST_TRANSFORM_FIRST;
    for (int i = 0; i < 3; ++i) {
      t.position[i] = t.previousPosition[i] = newPosition[i];
      t.deltaPosition[i] = 0.0f;
      t.scale[i] = t.previousScale[i] = 1.0f;
    }
    for (int i = 0; i < 4; ++i) t.rotation[i] = t.previousRotation[i] = rotation[i];
  } else {
    for (int i = 0; i < 3; ++i) {
      t.previousPosition[i] = t.position[i];
      t.position[i] = newPosition[i];
      t.deltaPosition[i] = t.position[i] - t.previousPosition[i];
      t.previousScale[i] = t.scale[i];
      t.scale[i] = 1.0f;
    }
    for (int i = 0; i < 4; ++i) {
      t.previousRotation[i] = t.rotation[i];
      t.rotation[i] = rotation[i];
    }
  }

  t.keyFlags = keyCount > 0 ? (*keys)[t.keyIndex].flags : 0;
  if (&t != &root) t.keyFlags &= ~L3D_ANIMKEY_HIDDEN;

  if (motion != nullptr && !motion->morphGroups.empty()) {
    bool morphing = false;
    // The morph cursors belong to the bound motion's groups; the update writes them.
    auto& groups = const_cast<std::vector<L3D_ANIMINST_MORPHGROUP>&>(motion->morphGroups);
    for (L3D_ANIMINST_MORPHGROUP& g : groups) {
      if (g.currentIndex == g.itemCount()) continue;
      morphing = true;
      uint32_t m = n;
      while (m > 0) {
        L3D_ANIMINST_MORPH& item = g.items[g.currentIndex];
        if (g.framesLeft > 0 && g.framesLeft < m) {
          m -= g.framesLeft;
          g.framesLeft = 0;
          continue;
        }
        if (g.framesLeft >= m) {
          const float steps = static_cast<float>(m);
          if (item.morphMap) {
            for (uint32_t e = 0; e < item.morphMap->entryCount; ++e) {
              L3D_PARTINST_MMAPENTRY& entry = item.morphMap->entries[e];
              if (entry.vertex == nullptr) continue;
              entry.vertex->x += steps * entry.positionStep[0];
              entry.vertex->y += steps * entry.positionStep[1];
              entry.vertex->z += steps * entry.positionStep[2];
              entry.vertex->nx += steps * entry.normalStep[0];
              entry.vertex->ny += steps * entry.normalStep[1];
              entry.vertex->nz += steps * entry.normalStep[2];
            }
          }
          g.framesLeft -= m;
          break;
        }
        // framesLeft == 0: onto the exact target, then towards the next item.
        if (item.morphMap) {
          for (uint32_t e = 0; e < item.morphMap->entryCount; ++e) {
            L3D_PARTINST_MMAPENTRY& entry = item.morphMap->entries[e];
            if (entry.vertex == nullptr) continue;
            const LVec3 p = entry.entry->Position();
            const LVec3 q = entry.entry->Normal();
            entry.vertex->x = p.x;
            entry.vertex->y = p.y;
            entry.vertex->z = p.z;
            entry.vertex->nx = q.x;
            entry.vertex->ny = q.y;
            entry.vertex->nz = q.z;
          }
        }
        g.currentIndex += 1;
        if (g.currentIndex >= g.itemCount()) {
          g.currentIndex = g.loopIndex;
          if (g.currentIndex >= g.itemCount()) break;
        }
        L3D_ANIMINST_MORPH& nextItem = g.items[g.currentIndex];
        g.framesLeft = nextItem.frames;
        if (nextItem.morphMap) {
          const float divisor = static_cast<float>(nextItem.frames) + 1.0f;
          for (uint32_t e = 0; e < nextItem.morphMap->entryCount; ++e) {
            L3D_PARTINST_MMAPENTRY& entry = nextItem.morphMap->entries[e];
            if (entry.vertex == nullptr) continue;
            const LVec3 p = entry.entry->Position();
            const LVec3 q = entry.entry->Normal();
            entry.positionStep[0] = (p.x - entry.vertex->x) / divisor;
            entry.positionStep[1] = (p.y - entry.vertex->y) / divisor;
            entry.positionStep[2] = (p.z - entry.vertex->z) / divisor;
            entry.normalStep[0] = (q.x - entry.vertex->nx) / divisor;
            entry.normalStep[1] = (q.y - entry.vertex->ny) / divisor;
            entry.normalStep[2] = (q.z - entry.vertex->nz) / divisor;
          }
        }
        m -= 1;
      }
    }
    if (morphing) {
      for (L3D_PARTINST_MAT* record : motion->morphRecords) {
        record->flags |= L3D_PARTINST_MAT_DRAW_COPY | L3D_PARTINST_MAT_UPLOAD | L3D_PARTINST_MAT_MORPHED;
      }
    }
  }

  for (uint32_t s = 0; s < t.sphereCount; ++s) l3dPlaceSphere(*t.spheres[s], t.worldMatrix);
  if (t.output != nullptr) *t.output = t.worldMatrix;
}

void L3DPartInstance::_BuildStepOrder() {
  m_steps.clear();
  m_steps.push_back({&root, -1});
  auto walk = [&](auto& self, const dbtl::rcptr<L3D_PARTINST_BONE>& level, uint32_t count,
                  int32_t parent) -> void {
    for (uint32_t i = 0; i < count; ++i) {
      const int32_t index = static_cast<int32_t>(m_steps.size());
      m_steps.push_back({&level[i].transform, parent});
      self(self, level[i].children, level[i].childCount, index);
    }
  };
  walk(walk, bones, boneCount, 0);
}

namespace {

// Asks for the cache lines of a transform that the next steps read, so that fetching the next
// bones overlaps the arithmetic of this one: every bone of every instance is in its own block,
// and a frame over many instances finds few of them in the cache.
void prefetchBlock(const void* p, size_t size) {
  const char* c = static_cast<const char*>(p);
  for (size_t offset = 0; offset < size; offset += 64) __builtin_prefetch(c + offset, 1);
  __builtin_prefetch(c + size - 1, 1);
}

void prefetchLinks(const L3D_PARTINST_TRANSFORM& t) {
  if (t.motion != nullptr) __builtin_prefetch(t.motion);
  if (t.output != nullptr) prefetchBlock(t.output, sizeof(LMat));
  if (t.sphereCount > 0) __builtin_prefetch(t.spheres.Get());
}

void prefetchSpheres(const L3D_PARTINST_TRANSFORM& t) {
  for (uint32_t s = 0; s < t.sphereCount; ++s) __builtin_prefetch(t.spheres[s], 1);
}

}  // namespace

void L3DPartInstance::ForwardFrame(const LMat& parentWorld, const float parentRotation[4]) {
  for (uint32_t i = 0; i < matCount; ++i) {
    mats[i].flags &= ~(L3D_PARTINST_MAT_DRAW_COPY | L3D_PARTINST_MAT_TEXANIM);
  }
  if (m_steps.empty()) _BuildStepOrder();
  const size_t count = m_steps.size();
  for (size_t i = 0; i < count && i < 3; ++i) prefetchBlock(m_steps[i].transform, sizeof(L3D_PARTINST_TRANSFORM));
  if (count > 0) prefetchLinks(*m_steps[0].transform);
  for (size_t i = 0; i < count; ++i) {
    if (i + 3 < count) prefetchBlock(m_steps[i + 3].transform, sizeof(L3D_PARTINST_TRANSFORM));
    if (i + 2 < count) prefetchLinks(*m_steps[i + 2].transform);
    if (i + 1 < count) prefetchSpheres(*m_steps[i + 1].transform);
    const TransformStep& step = m_steps[i];
    if (step.parent < 0) {
      _StepTransform(*step.transform, 1, parentWorld, parentRotation);
    } else {
      const L3D_PARTINST_TRANSFORM& parent = *m_steps[static_cast<size_t>(step.parent)].transform;
      _StepTransform(*step.transform, 1, parent.worldMatrix, parent.rotation);
    }
  }
}

void L3DPartInstance::_ResetTransform(L3D_PARTINST_TRANSFORM& t) {
  t.flags |= L3D_PARTINST_TRANSFORM_FIRST;
  t.keyIndex = 0;
  t.keyFlags = 0;
  if (t.motion == nullptr) return;
  if (t.motion->keyCount() > 0) t.framesLeft = t.motion->keys[0].frames;
  auto& groups = const_cast<std::vector<L3D_ANIMINST_MORPHGROUP>&>(t.motion->morphGroups);
  for (L3D_ANIMINST_MORPHGROUP& g : groups) {
    g.currentIndex = 0;
    g.framesLeft = g.items.empty() ? 0 : g.items[0].frames;
  }
}

void L3DPartInstance::_ResetBones(const dbtl::rcptr<L3D_PARTINST_BONE>& bones, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    _ResetTransform(bones[i].transform);
    _ResetBones(bones[i].children, bones[i].childCount);
  }
}

void L3DPartInstance::_UnbindMotions(const dbtl::rcptr<L3D_PARTINST_BONE>& bones, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    bones[i].transform.flags |= L3D_PARTINST_TRANSFORM_DIRTY;
    bones[i].transform.motion = nullptr;
    _UnbindMotions(bones[i].children, bones[i].childCount);
  }
}

void L3DPartInstance::_EvaluateTransforms(L3D_PARTINST_TRANSFORM& t,
                                          const dbtl::rcptr<L3D_PARTINST_BONE>& children,
                                          uint32_t childCount) {
  if ((t.flags & L3D_PARTINST_TRANSFORM_DIRTY) != 0) {
    t.flags &= ~L3D_PARTINST_TRANSFORM_DIRTY;
    if (t.motion == nullptr || t.motion->keyCount() == 0) {
      for (int i = 0; i < 3; ++i) t.localPosition[i] = 0.0f;
      t.pose = &l3dRestPose();
    } else if (t.motion->keyCount() == 1) {
      _calcInterpolatedKey(0, t, 0.0f);
    }
    _ResetTransform(t);
  }
  for (uint32_t c = 0; c < childCount; ++c) {
    _EvaluateTransforms(children[c].transform, children[c].children, children[c].childCount);
  }
}
