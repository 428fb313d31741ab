#include "model/effect/L3DEffectManager.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/effect/L3DEffectData.h"
#include "render/L3DRenderer.h"
#include "render/LResManager.h"
#include "sound/se/LSeManager.h"

#include <cstring>

namespace {

constexpr uint32_t kRootChunk = 128;
constexpr uint32_t kPartChunk = 256;
constexpr uint32_t kTrackerChunk = 256;
constexpr uint32_t kKeyGrowth = 64;

// Pops a record from a free stack, first filling the stack with a new chunk of n when empty.
template <class T>
T* popFree(std::vector<std::unique_ptr<T[]>>& chunks, std::vector<T*>& stack, uint32_t n) {
  if (stack.empty()) {
    chunks.push_back(std::make_unique<T[]>(n));
    T* chunk = chunks.back().get();
    stack.reserve(stack.size() + n);
    for (uint32_t i = 0; i < n; ++i) stack.push_back(&chunk[n - 1 - i]);
  }
  T* record = stack.back();
  stack.pop_back();
  return record;
}

template <class V>
void freeAll(V& v) {
  v.clear();
  v.shrink_to_fit();
}

}  // namespace

L3DEffectManager::L3DEffectManager() = default;

L3DEffectManager::~L3DEffectManager() { Release(); }

void L3DEffectManager::Create(L3DRenderer* renderer) {
  m_renderer = renderer;
  m_pack = 0;
  m_name.clear();
  m_prop = L3DEffectProp{};
  m_playing = nullptr;
  m_keys.clear();
  m_frameFlags = 0;
}

void L3DEffectManager::Release() {
  _ReleaseAll();
  freeAll(m_batchVertices);
  freeAll(m_batchIndices);
  freeAll(m_zsdRecords);
  freeAll(m_zsdChunks);
  freeAll(m_freeTrackers);
  freeAll(m_trackerChunks);
  freeAll(m_keys);
  freeAll(m_freeRoots);
  freeAll(m_rootChunks);
  freeAll(m_freeParts);
  freeAll(m_partChunks);
  freeAll(m_sets);
  m_prop = L3DEffectProp{};
  m_renderer = nullptr;
}

void L3DEffectManager::_ReleaseAll() {
  if (m_renderer == nullptr) return;
  while (m_playing != nullptr) _FreeWorkRoot(m_playing);
  for (dbtl::rcptr<L3D_EFFECT_DATA>& set : m_sets) {
    if (m_se != nullptr) {
      for (uint32_t i = 0; i < set->seGroups.count; ++i) {
        if (set->seGroups.groups[i] != nullptr) m_se->UnloadGroup(set->seGroups.groups[i]);
      }
    }
    set->seGroups = LSeGroupList{};
  }
  m_sets.clear();
  m_pack = 0;
  m_name.clear();
  m_prop = L3DEffectProp{};
}

void L3DEffectManager::SetProp(int32_t pack, const char* name) {
  _ReleaseAll();
  m_pack = pack;
  m_name.assign(name, strnlen(name, L3D_EFFECT_NAME_SIZE - 1));
  if (m_textures) {
    l3dLoadEffectProp(m_prop, pack, m_name.c_str(), m_textures);
  } else if (m_renderer != nullptr) {
    l3dLoadEffectProp(m_prop, pack, m_name.c_str(), l3dEffectRendererTextures(*m_renderer));
  } else {
    l3dLoadEffectProp(m_prop, pack, m_name.c_str(), {});
  }
}

L3D_EFFECT_DATA* L3DEffectManager::LoadData(uintptr_t nnid, int32_t pack, const char* name) {
  if (nnid == 0) {
    lerrFatal(lerrText(u"[L3DEffectManager::LoadData] 無効なNNID(%u)").c_str(), 0u);
  }
  if (FindData(nnid)) {
    lerrFatal(lerrText(u"[L3DEffectManager::LoadData] すでに \"%s\" は読み込まれている").c_str(),
              name);
  }
  m_sets.push_back(l3dLoadEffectData(nnid, pack, name, m_prop));
  return m_sets.back().Get();
}

dbtl::rcptr<L3D_EFFECT_DATA> L3DEffectManager::GetFirstData() {
  return m_sets.empty() ? dbtl::rcptr<L3D_EFFECT_DATA>() : m_sets.front();
}

dbtl::rcptr<L3D_EFFECT_DATA> L3DEffectManager::FindData(uintptr_t nnid) const {
  for (const dbtl::rcptr<L3D_EFFECT_DATA>& set : m_sets) {
    if (set->nnid == nnid) return set;
  }
  return {};
}

dbtl::rcptr<L3D_EFFECT_DATA> L3DEffectManager::FindData(const L3D_RENDERER_NNID* nnid) {
  return FindData(reinterpret_cast<uintptr_t>(nnid));
}

void L3DEffectManager::LoadData(L3D_RENDERER_NNID* nnid, int32_t pack, const char* name) {
  LoadData(reinterpret_cast<uintptr_t>(nnid), pack, name);
}

void L3DEffectManager::SetDataSeGroups(L3D_EFFECT_DATA* data, const LSeGroupList& groups) {
  if (data == nullptr) {
    lerrFatal("%s", lerrText(u"[L3DEffectManager::Play] 無効なエフェクトデータ").c_str());
  }
  if (m_se != nullptr) m_se->UnloadGroups(data->seGroups);
  data->seGroups = LSeGroupList{};
  data->seGroups.count = groups.count;
  data->seGroups.groups.Create(groups.count);
  for (uint32_t i = 0; i < groups.count; ++i) {
    data->seGroups.groups[i] = groups.groups[i];
    if (groups.groups[i] != nullptr) ++groups.groups[i]->references;
  }
}

L3D_EFFECT_WORKROOT* L3DEffectManager::_AllocWorkRoot() {
  return popFree(m_rootChunks, m_freeRoots, kRootChunk);
}

L3D_EFFECT_TRACKER* L3DEffectManager::_AllocTracker() {
  return popFree(m_trackerChunks, m_freeTrackers, kTrackerChunk);
}

L3D_EFFECT_WORKPART* L3DEffectManager::_AllocWorkPart(L3D_EFFECT_WORKROOT* root,
                                                      const L3D_EFFECT_PARTDATA* data,
                                                      int32_t basePriority) {
  L3D_EFFECT_WORKPART* part = popFree(m_partChunks, m_freeParts, kPartChunk);
  _InitWorkPart(part, root, data, basePriority);
  return part;
}

void L3DEffectManager::Play(const L3D_EFFECT_DATA* data, uint32_t number, uint32_t delay,
                            int32_t life, const LVec3& position, const LQuat& rotation,
                            const LVec3& scale, L3DPoolRef tag, const void* key,
                            const float* attach, const float* trailA, const float* trailB) {
  dbtl::rcptr<L3D_EFFECT_DATA> shared;
  for (const dbtl::rcptr<L3D_EFFECT_DATA>& set : m_sets) {
    if (set.Get() == data) shared = set;
  }
  if (shared) {
    Play(shared, number, delay, life, position, rotation, scale, tag, key, attach, trailA, trailB);
    return;
  }
  _Play(data, {}, number, delay, life, position, rotation, scale, tag, key, attach, trailA,
        trailB);
}

void L3DEffectManager::Play(const dbtl::rcptr<L3D_EFFECT_DATA>& data, uint32_t number,
                            uint32_t delay, int32_t life, const LVec3& position,
                            const LQuat& rotation, const LVec3& scale, L3DPoolRef tag,
                            const void* key, const float* attach, const float* trailA,
                            const float* trailB) {
  _Play(data.Get(), data, number, delay, life, position, rotation, scale, tag, key, attach,
        trailA, trailB);
}

void L3DEffectManager::_Play(const L3D_EFFECT_DATA* data,
                             const dbtl::rcptr<L3D_EFFECT_DATA>& shared, uint32_t number,
                             uint32_t delay, int32_t life, const LVec3& position,
                             const LQuat& rotation, const LVec3& scale, L3DPoolRef tag,
                             const void* key, const float* attach, const float* trailA,
                             const float* trailB) {
  if (data == nullptr) {
    lerrWarning("%s", lerrText(u"[L3DEffectManager::Play] 無効なエフェクトデータ").c_str());
    return;
  }
  if (number >= data->rootCount) {
    lerrWarning(lerrText(u"[L3DEffectManager::Play] 無効なエフェクト番号(%d/%d)").c_str(),
                static_cast<int>(number), static_cast<int>(data->rootCount));
    return;
  }
  const L3D_EFFECT_ROOTDATA& rootData = data->roots[number];
  L3D_EFFECT_WORKROOT* root = _AllocWorkRoot();
  root->data = data;
  root->dataHold = shared;
  if (attach != nullptr) {
    // A transform block: the position first, the rotation after the previous and delta
    // positions.
    root->attachPosition = {attach[0], attach[1], attach[2]};
    root->attachRotation = {attach[9], attach[10], attach[11], attach[12]};
  } else {
    root->attachPosition = {};
    root->attachRotation = kQuatIdentity;
  }
  root->attach = (rootData.flags & L3D_EFFECT_ROOT_FOLLOW) != 0 ? attach : nullptr;
  root->trailA = trailA;
  root->trailB = trailB;

  LMat s;
  s.SetScaling(scale.x, scale.y, scale.z);
  LMat r;
  quatToMatrix(r, rotation);
  LMat t;
  t.SetTranslation(position.x, position.y, position.z);
  LMat::Mul(s, r, root->matrix);
  LMat::Mul(root->matrix, t, root->matrix);
  root->scale = s;
  root->rotation = rotation;
  root->tag = tag;
  root->delay = delay;
  root->holdFlags = 0;
  root->holdCount = 0;
  root->life = life;
  root->rootData = &rootData;
  root->children = nullptr;
  root->drawList = nullptr;
  root->childCount = 0;
  _InitWorkPart(&root->rootPart, root, &rootData.root, 0);

  root->prev = nullptr;
  root->next = m_playing;
  if (m_playing != nullptr) m_playing->prev = root;
  m_playing = root;
  root->keyIndex = -1;
  root->keyPrev = nullptr;
  root->keyNext = nullptr;

  const bool keyed = (rootData.flags & L3D_EFFECT_ROOT_KEYED) != 0 || root->attach != nullptr ||
                     trailA != nullptr || trailB != nullptr;
  if (key == nullptr || !keyed) return;
  uint32_t index = 0;
  while (index < m_keys.size() && m_keys[index].key != key) ++index;
  if (index == m_keys.size()) {
    if (m_keys.size() >= 0xFFFFFFFEu) {
      lerrFatal("%s", lerrText(u"[L3DEffectManager::Play] キーリストの最大数に達しました").c_str());
    }
    if (m_keys.size() == m_keys.capacity()) m_keys.reserve(m_keys.size() + kKeyGrowth);
    m_keys.push_back({key, nullptr});
  }
  L3D_EFFECT_KEY& entry = m_keys[index];
  root->keyIndex = static_cast<int32_t>(index);
  root->keyNext = entry.first;
  if (entry.first != nullptr) entry.first->keyPrev = root;
  entry.first = root;
}

void L3DEffectManager::PlayAttached(const float* attach, const void* key,
                                    const L3D_EFFECT_DATA* data, uint32_t number, int32_t life,
                                    const LVec3& position, const LQuat& rotation,
                                    const LVec3& scale) {
  Play(data, number, 0, life, position, rotation, scale, {}, key, attach, nullptr, nullptr);
}

void L3DEffectManager::Play(const L3DEffectPlayRequest& request) {
  Play(request.data, request.number, request.delay, static_cast<int32_t>(request.life),
       request.position, request.rotation, request.scale, request.tag, request.key,
       request.attach, request.trailA, request.trailB);
}

void L3DEffectManager::_UnlinkKey(L3D_EFFECT_WORKROOT* root) {
  if (root->keyIndex == -1) return;
  const uint32_t index = static_cast<uint32_t>(root->keyIndex);
  L3D_EFFECT_KEY& entry = m_keys[index];
  if (root->keyPrev != nullptr) {
    root->keyPrev->keyNext = root->keyNext;
  } else {
    entry.first = root->keyNext;
  }
  if (root->keyNext != nullptr) root->keyNext->keyPrev = root->keyPrev;
  root->keyIndex = -1;
  root->keyPrev = nullptr;
  root->keyNext = nullptr;
  if (entry.first != nullptr) return;
  const uint32_t last = static_cast<uint32_t>(m_keys.size()) - 1;
  if (index < last) {
    for (L3D_EFFECT_WORKROOT* r = m_keys[last].first; r != nullptr; r = r->keyNext) {
      r->keyIndex = static_cast<int32_t>(index);
    }
    m_keys[index] = m_keys[last];
  }
  m_keys.pop_back();
}

void L3DEffectManager::_FreeWorkRoot(L3D_EFFECT_WORKROOT* root) {
  _UnlinkKey(root);
  if (root->prev != nullptr) {
    root->prev->next = root->next;
  } else {
    m_playing = root->next;
  }
  if (root->next != nullptr) root->next->prev = root->prev;
  root->prev = root->next = nullptr;
  m_freeRoots.push_back(root);
  while (root->children != nullptr) _FreeWorkPart(root->children);
  _FreeWorkPart(&root->rootPart);
  root->dataHold.Reset();
}

void L3DEffectManager::StopKey(const void* key) {
  uint32_t index = 0;
  while (index < m_keys.size() && m_keys[index].key != key) ++index;
  if (index == m_keys.size()) return;
  L3D_EFFECT_WORKROOT* root = m_keys[index].first;
  while (root != nullptr) {
    L3D_EFFECT_WORKROOT* next = root->keyNext;
    root->attach = nullptr;
    root->trailA = nullptr;
    root->trailB = nullptr;
    if ((root->rootData->flags & L3D_EFFECT_ROOT_KEYSTOP) != 0) {
      _FreeWorkRoot(root);
    } else {
      L3D_EFFECT_WORKPART* part = root->children;
      while (part != nullptr) {
        L3D_EFFECT_WORKPART* following = part->childNext;
        if ((part->data->flags & L3D_EFFECT_PART_KEYSTOP) != 0) _FreeWorkPart(part);
        part = following;
      }
    }
    root = next;
  }
}

void L3DEffectManager::StopAll() {
  while (m_playing != nullptr) _FreeWorkRoot(m_playing);
}

void L3DEffectManager::Task() {
  m_frameFlags = 0;
  L3D_EFFECT_WORKROOT* root = m_playing;
  while (root != nullptr) {
    L3D_EFFECT_WORKROOT* next = root->next;
    if (root->holdFlags != 0) {
      if (root->holdCount >= 1) {
        --root->holdCount;
        if ((root->holdFlags & L3D_EFFECT_HOLD_STEP) != 0) {
          root = next;
          continue;
        }
      } else {
        root->holdFlags = 0;
      }
    }
    if ((root->rootData->flags & L3D_EFFECT_ROOT_FOLLOW) != 0 && root->attach != nullptr) {
      root->attachPosition = {root->attach[0], root->attach[1], root->attach[2]};
      root->attachRotation = {root->attach[9], root->attach[10], root->attach[11],
                              root->attach[12]};
    }
    if (root->life != -1) {
      if (root->life == 0) {
        _FreeWorkRoot(root);
        root = next;
        continue;
      }
      --root->life;
    }
    if (root->delay >= 1) {
      --root->delay;
      root = next;
      continue;
    }
    if (_TaskPart(&root->rootPart)) {
      _FreeWorkRoot(root);
    } else {
      L3D_EFFECT_WORKPART* part = root->children;
      while (part != nullptr) {
        L3D_EFFECT_WORKPART* following = part->childNext;
        _TaskPart(part);
        part = following;
      }
    }
    root = next;
  }
}
