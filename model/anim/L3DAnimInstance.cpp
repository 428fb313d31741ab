#include "model/anim/L3DAnimInstance.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DHandles.h"
#include "model/anim/L3DKeyMath.h"
#include "model/object/L3DObjectInstance.h"

#include <algorithm>
#include <string>

namespace {

const L3D_ANIMDATA_KEY kRestKey{0, 0, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 1.0f},
                                {1.0f, 1.0f, 1.0f}};

std::string animName(const L3DAnimData& anim) {
  return anim.name.GetText() != nullptr ? anim.name.GetText() : "";
}

// Rejects the animations whose tables would be built from garbage: keys out of order would make
// frame differences near 2^32, a loop frame past the end the same for the tail keys, and a
// missing part group leaves no pivots to bind.
void checkAnimation(L3DAnimData& anim) {
  if (!anim.partGroup) {
    lerrFatal("[L3DAnimInstance::_Create] animation \"%s\" has no part group",
              animName(anim).c_str());
  }
  if (anim.loopFrame > anim.endFrame) {
    lerrFatal("[L3DAnimInstance::_Create] animation \"%s\": loop frame %u is past the end frame %u",
              animName(anim).c_str(), anim.loopFrame, anim.endFrame);
  }
  for (auto it = anim.motions.Begin(); it != anim.motions.End(); it = dbtl::DListBase::Next(it)) {
    L3D_ANIMDATA_MOT& motion = *dbtl::DList<L3D_ANIMDATA_MOT>::Get(it);
    const L3D_ANIMDATA_KEY* prev = nullptr;
    for (auto k = motion.keys.Begin(); k != motion.keys.End(); k = dbtl::DListBase::Next(k)) {
      const L3D_ANIMDATA_KEY* key = dbtl::DList<L3D_ANIMDATA_KEY>::Get(k).Get();
      if (prev != nullptr && key->frame < prev->frame) {
        lerrFatal("[L3DAnimInstance::_Create] animation \"%s\": key frame %u follows frame %u",
                  animName(anim).c_str(), key->frame, prev->frame);
      }
      prev = key;
    }
    const uint32_t* prevMorph = nullptr;
    for (auto g = motion.morphGroups.Begin(); g != motion.morphGroups.End();
         g = dbtl::DListBase::Next(g)) {
      prevMorph = nullptr;
      L3D_ANIMDATA_MORPHGROUP& group = *dbtl::DList<L3D_ANIMDATA_MORPHGROUP>::Get(g);
      for (auto m = group.morphs.Begin(); m != group.morphs.End(); m = dbtl::DListBase::Next(m)) {
        const uint32_t* frame = &dbtl::DList<L3D_ANIMDATA_MORPH>::Get(m)->frame;
        if (prevMorph != nullptr && *frame <= *prevMorph) {
          lerrFatal("[L3DAnimInstance::_Create] animation \"%s\": morph frame %u follows frame %u",
                    animName(anim).c_str(), *frame, *prevMorph);
        }
        prevMorph = frame;
      }
    }
  }
}

}  // namespace

void l3dSetKeyArcs(L3D_ANIMINST_KEY& key) {
  if ((key.flags & L3D_ANIMKEY_CUBIC) != 0) {
    key.outer = l3dSlerpArc(key.q3, key.q2, L3DArc::Direct);
    key.inner = l3dSlerpArc(key.q0, key.q1, L3DArc::Direct);
  } else {
    key.outer = l3dSlerpArc(key.q0, key.q1, L3DArc::Shorter);
    key.inner = L3DSlerpArc{};
  }
}

void L3DAnimInstance::Clear() {
  events.events.clear();
  events.Rewind();
  motions.clear();
  data.Reset();
  owner = nullptr;
}

void L3DAnimInstance::_Create(const dbtl::rcptr<L3DAnimData>& animData, L3DAnimInstance& a,
                              L3DObjectInstance* owner) {
  if (owner == nullptr) {
    lerrFatal("%s", lerrText(u"[L3DAnimInstance::_Create] オブジェクトがない").c_str());
  }
  if (!animData) lerrFatal("%s", lerrText(u"[L3DAnimInstance::_Create] データがない").c_str());
  a.owner = owner;
  a.data = owner->GetObjectData()->GetValidAnimData(animData);
  checkAnimation(*a.data);

  dbtl::rcptr<L3DObjectData> object = owner->GetObjectData();
  size_t room = 0;
  for (auto it = object->parts.Begin(); it != object->parts.End(); it = dbtl::DListBase::Next(it)) {
    room += 1 + static_cast<size_t>(dbtl::DList<L3DPartData>::Get(it)->matrixCount);
  }
  a.motions.clear();
  // Transforms point at the motions: the vector never grows past this.
  a.motions.reserve(room);

  dbtl::rcptr<L3DPartGroupData> group = a.data->GetPartGroup();
  for (auto it = object->parts.Begin(); it != object->parts.End(); it = dbtl::DListBase::Next(it)) {
    dbtl::rcptr<L3DPartData> part = dbtl::DList<L3DPartData>::Get(it);
    dbtl::rcptr<L3DPartInfoData> entry = group->GetInfo(part);
    dbtl::rcptr<L3DPartInstance> partInstance = owner->GetPartInstance(part);
    {
      L3D_ANIMINST_MOT& m = a.motions.emplace_back();
      m.partInstance = partInstance;
      m.pivot[0] = entry->pivot.x;
      m.pivot[1] = entry->pivot.y;
      m.pivot[2] = entry->pivot.z;
      if (!a._BindMotion(m, entry.Get())) a.motions.pop_back();
    }
    // Bones in pre-order, each before its children.
    auto walk = [&](auto& self, const dbtl::rcptr<L3D_PARTINST_BONE>& level, uint32_t count) -> void {
      for (uint32_t i = 0; i < count; ++i) {
        L3D_ANIMINST_MOT& m = a.motions.emplace_back();
        m.partInstance = partInstance;
        m.boneInstance = l3dElement(level, i);
        for (int k = 0; k < 3; ++k) m.pivot[k] = level[i].pivot[k];
        if (!a._BindMotion(m, nullptr)) a.motions.pop_back();
        self(self, level[i].children, level[i].childCount);
      }
    };
    walk(walk, partInstance->bones, partInstance->boneCount);
  }
  owner->_CreateEvents(a.events, a.data->events, &a.data->texAreas);
}

bool L3DAnimInstance::_BindMotion(L3D_ANIMINST_MOT& m, const L3DPartInfoData* entry) {
  m.owner = this;
  m.data = data->GetMotion(m.partInstance->data,
                           m.boneInstance ? m.boneInstance->data : dbtl::rcptr<L3D_PARTDATA_BONE>());
  const bool bound = _CreateBindings(m, entry);
  const bool keyed = _BuildKeys(m, *data);
  if (keyed) m.poses = l3dSharedPoseCache(m.data->poseCache, m.keys, m.baseMatrix);
  const bool morphed = _BuildMorphGroups(m, *data);
  return bound || keyed || morphed;
}

bool L3DAnimInstance::_CreateBindings(L3D_ANIMINST_MOT& m, const L3DPartInfoData* entry) {
  m.bindings.clear();
  if (m.boneInstance) return false;
  L3DPartInstance& part = *m.partInstance;
  const char* partName = part.data->name.GetText() != nullptr ? part.data->name.GetText() : "";
  m.bindings.reserve(part.matCount);
  for (uint32_t i = 0; i < part.matCount; ++i) {
    L3D_PARTINST_MAT& record = part.mats[i];
    const L3D_PARTDATA_MAT& matData =
        record.mesh->material != nullptr ? *record.mesh->material : L3D_PARTDATA_MAT{};
    L3D_ANIMINST_MESHMAT binding;
    binding.record = &record;
    bool ok = owner->CreateMaterial(binding.material, data->shaderOptions, record, partName, matData);
    if (!ok && entry != nullptr && entry->part) {
      ok = owner->CreateMaterial(binding.material, const_cast<L3DPartInfoData*>(entry)->shaderOptions,
                                 record, partName, matData);
    }
    if (ok) m.bindings.push_back(std::move(binding));
  }
  return !m.bindings.empty();
}

bool L3DAnimInstance::_BuildKeys(L3D_ANIMINST_MOT& m, const L3DAnimData& anim) {
  m.keys.clear();
  m.poses.reset();
  m.loopKeyIndex = 0;
  m.baseMatrix.SetIdentity();
  m.baseMatrix.m[3][0] = -m.pivot[0];
  m.baseMatrix.m[3][1] = -m.pivot[1];
  m.baseMatrix.m[3][2] = -m.pivot[2];
  if (!m.data || m.data->keys.GetCount() == 0) return false;

  const uint32_t L = anim.loopFrame;
  const uint32_t E = anim.endFrame;
  std::vector<L3D_ANIMDATA_KEY> s;
  s.reserve(m.data->keys.GetCount() + 3);
  for (auto it = m.data->keys.Begin(); it != m.data->keys.End(); it = dbtl::DListBase::Next(it)) {
    const L3D_ANIMDATA_KEY& key = *dbtl::DList<L3D_ANIMDATA_KEY>::Get(it);
    if (s.empty() && key.frame != 0) s.push_back(kRestKey);
    s.push_back(key);
  }
  // Tail keys: past the end the motion runs on into its loop; without a key after the loop
  // frame it holds its last pose.
  size_t k1 = s.size();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i].frame > L) {
      k1 = i;
      break;
    }
  }
  L3D_ANIMDATA_KEY tailA, tailB;
  if (k1 == s.size()) {
    tailA = tailB = s.back();
    tailA.frame = E + 60;
    tailB.frame = E + 120;
  } else {
    tailA = s[k1];
    tailA.frame = s[k1].frame + (E - L);
    if (k1 + 1 < s.size()) {
      tailB = s[k1 + 1];
      tailB.frame = s[k1 + 1].frame + (E - L);
    } else {
      tailB = s[k1];
      tailB.frame = s[k1].frame + 2 * (E - L);
    }
  }
  s.push_back(tailA);
  s.push_back(tailB);

  const size_t n = s.size() - 2;
  m.keys.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const L3D_ANIMDATA_KEY& prev = s[i == 0 ? 0 : i - 1];
    const L3D_ANIMDATA_KEY& cur = s[i];
    const L3D_ANIMDATA_KEY& next = s[i + 1];
    const L3D_ANIMDATA_KEY& after = s[i + 2];
    const uint32_t dPrev = cur.frame - prev.frame;
    const uint32_t dCur = next.frame - cur.frame;
    const uint32_t dNext = after.frame - next.frame;
    L3D_ANIMINST_KEY& key = m.keys[i];
    key.frames = dCur;
    if (key.frames == 0) key.frames = E > cur.frame ? E - cur.frame : 1;
    key.flags = cur.flags;
    const float cp[3] = {cur.position.x, cur.position.y, cur.position.z};
    const float np[3] = {next.position.x, next.position.y, next.position.z};
    const float cs[3] = {cur.scale.x, cur.scale.y, cur.scale.z};
    const float ns[3] = {next.scale.x, next.scale.y, next.scale.z};
    if ((cur.flags & L3D_ANIMKEY_CUBIC) != 0) {
      const float pp[3] = {prev.position.x, prev.position.y, prev.position.z};
      const float ap[3] = {after.position.x, after.position.y, after.position.z};
      const float ps[3] = {prev.scale.x, prev.scale.y, prev.scale.z};
      const float as[3] = {after.scale.x, after.scale.y, after.scale.z};
      for (int axis = 0; axis < 3; ++axis) {
        const float p = m.pivot[axis];
        float rows[4];
        l3dHermite(pp[axis] + p, cp[axis] + p, np[axis] + p, ap[axis] + p, dPrev, dCur, dNext, rows);
        for (int r = 0; r < 4; ++r) key.position[r][axis] = rows[r];
        l3dHermite(ps[axis], cs[axis], ns[axis], as[axis], dPrev, dCur, dNext, rows);
        for (int r = 0; r < 4; ++r) key.scale[r][axis] = rows[r];
      }
      key.q0 = l3dSquadControl(prev.rotation, cur.rotation, next.rotation);
      key.q1 = l3dSquadControl(cur.rotation, next.rotation, after.rotation);
      key.q2 = next.rotation;
      key.q3 = cur.rotation;
    } else {
      for (int axis = 0; axis < 3; ++axis) {
        key.position[0][axis] = cp[axis] + m.pivot[axis];
        key.position[1][axis] = np[axis] - cp[axis];
        key.scale[0][axis] = cs[axis];
        key.scale[1][axis] = ns[axis] - cs[axis];
      }
      key.q0 = cur.rotation;
      key.q1 = next.rotation;
    }
    l3dSetKeyArcs(key);
  }
  m.loopKeyIndex = static_cast<uint32_t>(n - 1);
  for (size_t i = 0; i < n; ++i) {
    if (s[i].frame > L) {
      m.loopKeyIndex = static_cast<uint32_t>(i);
      break;
    }
  }
  return true;
}

bool L3DAnimInstance::_BuildMorphGroups(L3D_ANIMINST_MOT& m, const L3DAnimData& anim) {
  m.morphGroups.clear();
  m.morphRecords.clear();
  if (m.boneInstance || !m.data || m.data->morphGroups.GetCount() == 0) return false;
  const uint32_t L = anim.loopFrame;
  const uint32_t E = anim.endFrame;
  L3DPartInstance& part = *m.partInstance;
  m.morphGroups.reserve(m.data->morphGroups.GetCount());
  for (auto g = m.data->morphGroups.Begin(); g != m.data->morphGroups.End();
       g = dbtl::DListBase::Next(g)) {
    dbtl::rcptr<L3D_ANIMDATA_MORPHGROUP> groupData = dbtl::DList<L3D_ANIMDATA_MORPHGROUP>::Get(g);
    std::vector<const L3D_ANIMDATA_MORPH*> morphs;
    for (auto it = groupData->morphs.Begin(); it != groupData->morphs.End();
         it = dbtl::DListBase::Next(it)) {
      morphs.push_back(dbtl::DList<L3D_ANIMDATA_MORPH>::Get(it).Get());
    }
    if (morphs.empty()) continue;
    L3D_ANIMINST_MORPHGROUP& group = m.morphGroups.emplace_back();
    group.data = groupData;
    group.items.reserve(morphs.size() + 2);
    auto mapOf = [&](const L3D_ANIMDATA_MORPH* morph) {
      return morph->morphMap ? part.GetMMap(morph->morphMap.Get()) : dbtl::rcptr<L3D_PARTINST_MMAP>();
    };
    size_t p = morphs.size() - 1;
    for (size_t i = 0; i < morphs.size(); ++i) {
      if (morphs[i]->frame > L) {
        p = i;
        break;
      }
    }
    const bool restFirst = morphs.front()->frame != 0;
    group.items.push_back({restFirst ? dbtl::rcptr<L3D_PARTINST_MMAP>() : mapOf(morphs.front()), 0});
    uint32_t prev = 0;
    for (size_t i = restFirst ? 0 : 1; i < morphs.size(); ++i) {
      group.items.push_back({mapOf(morphs[i]), morphs[i]->frame - prev - 1});
      prev = morphs[i]->frame;
    }
    if (p != morphs.size() - 1) {
      group.items.push_back({mapOf(morphs[p]), morphs[p]->frame + E - morphs.back()->frame - L - 1});
    }
    const uint32_t loop = (restFirst ? 1u : 0u) + static_cast<uint32_t>(p) + 1;
    group.loopIndex = std::min(loop, group.itemCount());
  }
  for (const L3D_ANIMINST_MORPHGROUP& group : m.morphGroups) {
    for (const L3D_ANIMINST_MORPH& item : group.items) {
      if (!item.morphMap) continue;
      for (uint32_t e = 0; e < item.morphMap->entryCount; ++e) {
        const uint32_t index = item.morphMap->entries[e].entry->index0;
        if (index >= part.matCount) continue;
        L3D_PARTINST_MAT* record = &part.mats[index];
        if (std::find(m.morphRecords.begin(), m.morphRecords.end(), record) == m.morphRecords.end()) {
          m.morphRecords.push_back(record);
        }
      }
    }
  }
  return !m.morphGroups.empty();
}
