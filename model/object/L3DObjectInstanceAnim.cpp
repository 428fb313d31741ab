#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DHandles.h"
#include "model/object/L3DObjectInstance.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

// Animation control and the per-frame step of an object instance.

namespace {

// Shader kinds that the renderer draws through its depth-sorted list.
bool isSortedKind(uint32_t kind) {
  return kind == 1 || kind == 3 || kind == 4 || kind == 5 || kind == 6 || kind == 10 || kind == 11;
}

template <class T, class F>
void forEach(dbtl::DList<T>& list, F f) {
  for (auto it = list.Begin(); it != list.End(); it = dbtl::DListBase::Next(it)) {
    f(*dbtl::DList<T>::Get(it));
  }
}

}  // namespace

dbtl::rcptr<L3DAnimInstance> L3DObjectInstance::CreateAnim(const char* name) {
  const uint32_t length = static_cast<uint32_t>(std::strlen(name));
  for (auto it = data->anims.Begin(); it != data->anims.End(); it = dbtl::DListBase::Next(it)) {
    dbtl::rcptr<L3DAnimData> anim = dbtl::DList<L3DAnimData>::Get(it);
    const char* text = anim->name.GetText() != nullptr ? anim->name.GetText() : "";
    if (l3dNameEquals(text, static_cast<uint32_t>(std::strlen(text)), name, length)) {
      return GetAnimInstance(anim);
    }
  }
  lerrFatal(lerrText(u"[L3DObjectInstance::CreateAnim] 指定されたアニメーション\"%s\"が見つかりません").c_str(),
            name);
}

dbtl::rcptr<L3DAnimInstance> L3DObjectInstance::GetAnimInstance(const dbtl::rcptr<L3DAnimData>& anim) {
  for (const auto& a : anims) {
    if (a->data.Get() == anim.Get()) return a;
  }
  auto created = l3dNewObject<L3DAnimInstance>();
  L3DAnimInstance::_Create(anim, *created, this);
  anims.push_back(created);
  return created;
}

void L3DObjectInstance::SetAnim(const dbtl::rcptr<L3DAnimInstance>& anim, Restart restart) {
  if (restart == Restart::Yes || !anim) {
    residents.clear();
    _ResetCollGroups();
    eventSets.clear();
    objectEvents.Rewind();
    eventSets.push_back(&objectEvents);
    if (services.seManager != nullptr) services.seManager->DetachOwner(this);
    if (services.effects != nullptr) services.effects->StopKey(this);
  } else {
    eventSets.clear();
    eventSets.push_back(&objectEvents);
  }

  if (anim) {
    if (restart == Restart::Yes) {
      forEach(parts, [](L3DPartInstance& part) {
        part.root.flags |= L3D_PARTINST_TRANSFORM_DIRTY;
        part.root.motion = nullptr;
        L3DPartInstance::_UnbindMotions(part.bones, part.boneCount);
      });
    }
    currentPartGroup.Reset();
    if (anim->data->partGroup) {
      for (auto it = partGroups.Begin(); it != partGroups.End(); it = dbtl::DListBase::Next(it)) {
        dbtl::rcptr<L3DPartGroupInstance> group = dbtl::DList<L3DPartGroupInstance>::Get(it);
        if (group->data.Get() == anim->data->partGroup.Get()) {
          currentPartGroup = group;
          break;
        }
      }
    }
    for (L3D_ANIMINST_MOT& motion : anim->motions) {
      for (L3D_ANIMINST_MESHMAT& binding : motion.bindings) {
        L3D_PARTINST_MAT& record = *binding.record;
        // A texture placed by a texture-set event stays.
        const L3DTexture* current =
            record.currentMaterial != nullptr ? record.currentMaterial->texture.Get() : nullptr;
        if (record.currentTexture.Get() == current) record.currentTexture = binding.material.texture;
        record.currentMaterial = &binding.material;
      }
      if (motion.keys.empty() && motion.morphGroups.empty()) continue;
      L3D_PARTINST_TRANSFORM& target =
          motion.boneInstance ? motion.boneInstance->transform : motion.partInstance->root;
      if (target.motion != &motion) {
        target.motion = &motion;
        target.flags |= L3D_PARTINST_TRANSFORM_DIRTY;
      }
    }
    if (anim->events.count() > 0) {
      anim->events.Rewind();
      eventSets.erase(std::remove(eventSets.begin(), eventSets.end(), &anim->events), eventSets.end());
      eventSets.push_back(&anim->events);
    }
  } else {
    currentPartGroup.Reset();
    forEach(parts, [](L3DPartInstance& part) {
      part.root.flags |= L3D_PARTINST_TRANSFORM_DIRTY;
      part.root.motion = nullptr;
      L3DPartInstance::_UnbindMotions(part.bones, part.boneCount);
      for (uint32_t i = 0; i < part.matCount; ++i) {
        L3D_PARTINST_MAT& record = part.mats[i];
        record.currentMaterial = &record.ownMaterial;
        record.currentTexture = record.ownMaterial.texture;
      }
      part._RestoreUVs();
    });
  }

  materialFlags = 0;
  forEach(parts, [this](L3DPartInstance& part) {
    if ((part.root.flags & L3D_PARTINST_TRANSFORM_DIRTY) != 0) {
      part._Refresh();
      for (int k = 0; k < 3; ++k) part.root.pivot[k] = part.root.motion != nullptr ? part.root.motion->pivot[k] : 0.0f;
    }
    part._EvaluateTransforms(part.root, part.bones, part.boneCount);
    for (uint32_t i = 0; i < part.matCount; ++i) {
      const L3D_ANIMINST_MAT* material = part.mats[i].currentMaterial;
      if (material != nullptr && material->option && isSortedKind(material->option->kind)) {
        materialFlags |= 1;
      }
    }
  });
}

void L3DObjectInstance::ResetAnimFrame() {
  forEach(parts, [](L3DPartInstance& part) {
    part._Refresh();
    L3DPartInstance::_ResetTransform(part.root);
    L3DPartInstance::_ResetBones(part.bones, part.boneCount);
  });
  for (L3D_OBJINST_EVENTSET* set : eventSets) set->Rewind();
  residents.clear();
}

void L3DObjectInstance::_BuildPartSteps() {
  m_partSteps.clear();
  m_stepsGroup = currentPartGroup.Get();
  m_stepsValid = true;
  if (!currentPartGroup) {
    for (L3DPartInstance* part : m_drawParts) m_partSteps.push_back({part, nullptr});
    return;
  }
  forEach(currentPartGroup->levels, [&](L3D_PARTGROUPINST_DATASET& level) {
    for (uint32_t i = 0; i < level.count; ++i) {
      const L3D_PARTGROUPINST_ENTRY& entry = level.entries[i];
      const L3D_PARTINST_TRANSFORM* parent = nullptr;
      if (entry.parentBone) {
        parent = &entry.parentBone->transform;
      } else if (entry.parentPart) {
        parent = &entry.parentPart->root;
      }
      m_partSteps.push_back({entry.part.Get(), parent});
    }
  });
}

void L3DObjectInstance::_ForwardParts(const LMat& world) {
  if (!m_stepsValid || m_stepsGroup != currentPartGroup.Get()) _BuildPartSteps();
  for (const PartStep& step : m_partSteps) {
    if (step.parent != nullptr) {
      step.part->ForwardFrame(step.parent->worldMatrix, step.parent->rotation);
    } else {
      step.part->ForwardFrame(world, transform.rotation);
    }
  }
}

void L3DObjectInstance::_CalcBounds() {
  std::memcpy(previousBounds, bounds, sizeof bounds);
  bool boxed[L3D_OBJINST_BOUND_SLOTS] = {};
  float lo[L3D_OBJINST_BOUND_SLOTS][3], hi[L3D_OBJINST_BOUND_SLOTS][3];
  auto eachSphere = [&](auto visit) {
    for (const L3DCollGroupInstance* group : m_collGroups) {
      if ((group->flags & L3D_COLLINST_ENABLED) == 0) continue;
      const uint32_t slot = group->data->type;
      if (slot >= L3D_OBJINST_BOUND_SLOTS) continue;
      for (uint32_t s = 0; s < group->sphereCount; ++s) visit(slot, group->spheres[s]);
    }
  };
  eachSphere([&](uint32_t j, const L3D_COLLINST_SPHERE& s) {
    const float q[3] = {s.centre.x, s.centre.y, s.centre.z};
    for (int a = 0; a < 3; ++a) {
      const float low = q[a] - s.radius;
      const float high = q[a] + s.radius;
      if (!boxed[j] || low < lo[j][a]) lo[j][a] = low;
      if (!boxed[j] || high > hi[j][a]) hi[j][a] = high;
    }
    boxed[j] = true;
  });
  for (uint32_t j = 0; j < L3D_OBJINST_BOUND_SLOTS; ++j) {
    bounds[j].centre = boxed[j] ? LVec3{(lo[j][0] + hi[j][0]) * 0.5f, (lo[j][1] + hi[j][1]) * 0.5f,
                                        (lo[j][2] + hi[j][2]) * 0.5f}
                                : LVec3{};
    bounds[j].radius = 0.0f;
  }
  eachSphere([&](uint32_t j, const L3D_COLLINST_SPHERE& s) {
    const LVec3 d = vec3Subtract(s.centre, bounds[j].centre);
    const float r = std::sqrt(vec3Dot(d, d)) + s.radius;
    if (r > bounds[j].radius) bounds[j].radius = r;
  });
  for (uint32_t j = 0; j < L3D_OBJINST_BOUND_SLOTS; ++j) {
    if (previousBoundsValid[j] == 0) {
      previousBounds[j] = bounds[j];
      previousBoundsValid[j] = 1;
    }
  }
}

void L3DObjectInstance::ForwardAnimFrame() {
  const LMat world = _CalcWorldMatrix();
  _ForwardParts(world);
  for (L3D_COLLINST_SPHERE* sphere : spheres) l3dPlaceSphere(*sphere, world);
  // A step may not change the list it walks: events never add or remove sets.
  for (size_t i = 0; i < eventSets.size(); ++i) _StepEvents(*eventSets[i]);
  for (size_t i = 0; i < residents.size(); ++i) _ApplyResident(residents[i]);
  _CalcBounds();
  for (L3DPartInstance* part : m_drawParts) part->_UploadVertices();
}
