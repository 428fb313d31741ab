#include "model/object/L3DObjectInstance.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DHandles.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"

#include <cstring>
#include <string>

void l3dReleaseObjectInstance(L3DObjectInstance* instance) { instance->Release(); }

void L3DObjectInstance::Create(const L3DModelServices& given, const dbtl::rcptr<L3DObjectData>& objectData,
                               const L3DTextureResolver& givenResolver) {
  services = given;
  data = objectData;
  resolver = givenResolver;
  m_released = false;
  m_ownRandom.Seed(1);
  transform = L3D_OBJINST_TRANSFORM{};
  if (services.effects != nullptr) {
    systemEffects = services.effects->GetFirstData();
    ownEffects = resolver.nnid != nullptr ? services.effects->FindData(resolver.nnid)
                                          : dbtl::rcptr<L3D_EFFECT_DATA>();
  }
  flags = 0;
  materialFlags = 0;
  if (services.renderer != nullptr) {
    services.renderer->_AddObjectInstance(this);
    m_listed = true;
  }
  _Build();
}

void L3DObjectInstance::_Build() {
  SetAnim({}, Restart::Yes);
  for (auto it = data->collGroups.Begin(); it != data->collGroups.End(); it = dbtl::DListBase::Next(it)) {
    auto group = l3dNewObject<L3DCollGroupInstance>();
    group->Build(_Self(), dbtl::DList<L3DCollGroupData>::Get(it));
    collGroups.PushBack(group);
    m_collGroups.push_back(group.Get());
  }
  for (auto it = data->parts.Begin(); it != data->parts.End(); it = dbtl::DListBase::Next(it)) {
    auto part = l3dNewObject<L3DPartInstance>();
    parts.PushBack(part);
    part->Create(_Self(), dbtl::DList<L3DPartData>::Get(it));
    m_drawParts.push_back(part.Get());
  }
  m_stepsValid = false;
  for (auto it = data->partGroups.Begin(); it != data->partGroups.End(); it = dbtl::DListBase::Next(it)) {
    auto group = l3dNewObject<L3DPartGroupInstance>();
    group->Build(_Self(), dbtl::DList<L3DPartGroupData>::Get(it));
    partGroups.PushBack(group);
  }
  spheres.clear();
  for (auto it = collGroups.Begin(); it != collGroups.End(); it = dbtl::DListBase::Next(it)) {
    L3DCollGroupInstance& group = *dbtl::DList<L3DCollGroupInstance>::Get(it);
    if ((group.data->flags & L3D_COLLGROUP_FLAG_TYPED) != 0) continue;
    for (uint32_t s = 0; s < group.sphereCount; ++s) spheres.push_back(&group.spheres[s]);
  }
  std::memset(previousBoundsValid, 0, sizeof previousBoundsValid);
  _CreateEvents(objectEvents, data->events, nullptr);
  SetAnim({}, Restart::Yes);
  flags |= L3D_OBJINST_BUILDING;
  ResetAnimFrame();
  ForwardAnimFrame();
  flags &= ~L3D_OBJINST_BUILDING;
}

void L3DObjectInstance::Release() {
  if (m_released) return;
  m_released = true;
  // Voices and effects follow transform blocks of this instance: they let go before the blocks
  // are freed. Both calls are harmless when nothing is attached.
  if (services.seManager != nullptr) services.seManager->DetachOwner(this);
  if (services.effects != nullptr) services.effects->StopKey(this);

  anims.clear();
  eventSets.clear();
  residents.clear();
  objectEvents.events.clear();
  objectEvents.Rewind();
  currentPartGroup.Reset();
  m_drawParts.clear();
  m_partSteps.clear();
  m_stepsValid = false;
  m_collGroups.clear();
  parts.Clear();
  partGroups.Clear();
  collGroups.Clear();
  spheres.clear();
  if (services.seManager != nullptr) services.seManager->UnloadGroups(seGroups);
  seGroups.count = 0;
  seGroups.groups.Reset();
  systemEffects.Reset();
  ownEffects.Reset();
  data.Reset();
  if (m_listed && services.renderer != nullptr) services.renderer->_RemoveObjectInstance(this);
  m_listed = false;
  services = {};
}

void L3DObjectInstance::SetSeGroups(const LSeGroupList& list) {
  if (services.seManager != nullptr) {
    for (uint32_t i = 0; i < seGroups.count; ++i) services.seManager->UnloadGroup(seGroups.groups[i]);
  }
  seGroups.count = 0;
  seGroups.groups.Reset();
  if (list.count == 0) return;
  seGroups.groups.Create(list.count);
  seGroups.count = list.count;
  for (uint32_t i = 0; i < list.count; ++i) {
    seGroups.groups[i] = list.groups[i];
    if (list.groups[i] != nullptr) list.groups[i]->references += 1;
  }
}

dbtl::rcptr<L3DPartInstance> L3DObjectInstance::GetPartInstance(const dbtl::rcptr<L3DPartData>& part) {
  for (auto it = parts.Begin(); it != parts.End(); it = dbtl::DListBase::Next(it)) {
    dbtl::rcptr<L3DPartInstance> p = dbtl::DList<L3DPartInstance>::Get(it);
    if (p->data.Get() == part.Get()) return p;
  }
  lerrFatal("%s", lerrText(u"[L3DObjectInstance::GetPartInstance] 指定されたパーツのインスタンスは存在しません")
                      .c_str());
}

L3D_PARTINST_TRANSFORM* L3DObjectInstance::_FindTransform(const L3DPoolRef& partName,
                                                          const L3DPoolRef& boneName) {
  dbtl::rcptr<L3DPartData> part = data->GetPartDataByName(partName.text, partName.length);
  if (!part) return nullptr;
  dbtl::rcptr<L3DPartInstance> instance = GetPartInstance(part);
  if (boneName.text == nullptr || boneName.length == 0) return &instance->root;
  dbtl::rcptr<L3D_PARTDATA_BONE> bone = part->GetBoneByName(boneName.text, boneName.length);
  if (!bone) return nullptr;
  return &instance->GetBone(bone.Get())->transform;
}

dbtl::rcptr<L3D_PARTINST_MAT> L3DObjectInstance::_FindMat(const L3DPoolRef& partName,
                                                          const L3DPoolRef& materialName) {
  dbtl::rcptr<L3DPartData> part = data->GetPartDataByName(partName.text, partName.length);
  if (!part) return {};
  return GetPartInstance(part)->GetMat(materialName.text, materialName.length);
}

LMat L3DObjectInstance::_CalcWorldMatrix() const {
  LMat s, r, out;
  s.SetScaling(transform.scale[0], transform.scale[1], transform.scale[2]);
  quatToMatrix(r, LQuat{transform.rotation[0], transform.rotation[1], transform.rotation[2],
                        transform.rotation[3]});
  LMat::Mul(s, r, out);
  out.m[3][0] += transform.position[0];
  out.m[3][1] += transform.position[1];
  out.m[3][2] += transform.position[2];
  return out;
}

L3DDevice* L3DObjectInstance::GetDevice() {
  return services.renderer != nullptr ? services.renderer->GetDevice().Get() : nullptr;
}

// The device wrapper makes vertex and index buffers on every adapter and the renderer picks
// hardware or software vertex processing per draw, so a device is all the buffers need.
bool L3DObjectInstance::RunsVertexShaders() { return GetDevice() != nullptr; }

bool L3DObjectInstance::CreateMaterial(L3D_ANIMINST_MAT& material,
                                       dbtl::DList<L3D_RENDERER_SHADEROPT>& options,
                                       L3D_PARTINST_MAT&, const char* partName,
                                       const L3D_PARTDATA_MAT& matData) {
  return L3D_ANIMINST_MAT::Create(material, options, *this, matData.textureName.text, partName,
                                  matData.name.text);
}

void L3DObjectInstance::CreateDefaultMaterial(L3D_ANIMINST_MAT& material) {
  if (services.renderer != nullptr) {
    L3D_ANIMINST_MAT::CreateDefault(material, *services.renderer);
    return;
  }
  // Without a renderer there is no default option to point at; nothing draws such a material.
  material = L3D_ANIMINST_MAT{};
}

dbtl::rcptr<L3DTexture> L3DObjectInstance::ResolveTexture(const char* name, uint32_t option) {
  dbtl::rcptr<L3DTexture> out;
  if (resolver.callback != nullptr && name != nullptr && name[0] != '\0') {
    resolver.callback(out, this, name, option);
  }
  return out;
}

dbtl::rcptr<L3DTexture> L3DObjectInstance::Resolve(const char* name, bool mip) {
  return ResolveTexture(name, mip ? 1 : 0);
}

void L3DObjectInstance::_ResetCollGroups() { l3dResetCollGroups(collGroups, previousBoundsValid); }

bool L3DObjectInstance::MotionRestoresUVs(const L3D_ANIMINST_MOT& motion) {
  return motion.owner != nullptr && motion.owner->data &&
         (motion.owner->data->flags & L3D_ANIMDATA_RESTORE_UV) != 0;
}

L3DRandom& L3DObjectInstance::_Random() {
  if (services.random != nullptr) return *services.random;
  if (services.renderer != nullptr) return services.renderer->GetRandom();
  return m_ownRandom;
}
