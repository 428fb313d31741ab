#include "engines/rond/Object.h"

#include "engines/rond/RondEngine.h"
#include "foundation/math/LMat.h"
#include "foundation/omb/file/ombPath.h"
#include "model/L3DGroupData.h"
#include "model/L3DObjectData.h"
#include "model/effect/L3DEffectManager.h"
#include "model/object/L3DObjectInstance.h"
#include "render/L3DRenderer.h"
#include "sound/se/LSeManager.h"

#include <cmath>
#include <limits>

namespace rond {

uint32_t moveResultBits(int32_t requested, int32_t applied, uint32_t shift) {
  if (requested == applied) return 0;
  uint32_t bits = 1;
  const int32_t half = requested >> 1;
  if ((requested > 0 && applied < half) || (requested < 0 && applied > half)) bits |= 2;
  if (applied == 0) bits |= 4;
  return bits << shift;
}

int32_t stepVelocity(int32_t v, int32_t target, int32_t acceleration, int32_t bias) {
  if (acceleration < 0 && target < v) {
    v = int32_t(uint32_t(v) + uint32_t(acceleration));
    if (v < target) v = target;
  } else if (acceleration >= 0 && v < target) {
    v = int32_t(uint32_t(v) + uint32_t(acceleration));
    if (v > target) v = target;
  }
  if (bias < kFixedOne) {
    const float distance = static_cast<float>(int32_t(uint32_t(v) - uint32_t(target)));
    const float kept = distance * static_cast<float>(bias) * -0.0009765625f;
    v = int32_t(uint32_t(target) - uint32_t(static_cast<int32_t>(kept)));
  }
  return v;
}

Object::~Object() {
  if (live()) unlink();
  geometries_.clear();
}

void Object::init(Engine* engine, const char16_t* directory, int32_t objectKind,
                  const FixedVec3& start, const LQuat& startRotation) {
  engine_ = engine;
  directory_ = engine != nullptr ? engine->internDirectory(directory) : directory;
  kind = objectKind;
  flags = 0;
  owner = nullptr;
  position = start;
  rotation = startRotation;
  velocity = target = acceleration = FixedVec3{0, 0, 0};
  bias = FixedVec3{kFixedOne, kFixedOne, kFixedOne};
  requestedMove = appliedMove = FixedVec3{0, 0, 0};
  moveFlags = 0;
  moveResult = 0;
  clearGeometries();
}

void Object::release() {
  if (!live()) return;
  unlink();
  clearGeometries();
  engine_ = nullptr;
}

void Object::notifyRelease(Object*) {}

void Object::unlink() {
  if ((flags & kObjectOwnerLinked) == 0) return;
  const bool notify = (flags & kObjectNotifyPlayers) != 0;
  flags &= ~(kObjectOwnerLinked | kObjectNotifyPlayers | kObjectHidden);
  if (notify && engine_ != nullptr) engine_->notifyPlayersOfRelease(owner);
  owner = nullptr;
  moveResult = 0;
}

void Object::clearGeometries() {
  stopAnimationKeys();
  currentGeometry_ = nullptr;
  currentAnimation_ = nullptr;
  if (engine_ != nullptr) {
    for (const auto& geometry : geometries_) engine_->retireGeometryHandles(*geometry);
  }
  geometries_.clear();
}

Geometry* Object::loadGeometry(const char16_t* name) {
  char16_t path[128];
  ombPathResolve(path, directory_, 128, name);
  auto geometry = std::make_unique<Geometry>();
  const std::u16string list = engine_->seListText(directory_, nullptr, false);
  geometry->model.loadWithSe(engine_->modelServices(), path, list.c_str());
  return attachGeometry(std::move(geometry));
}

Geometry* Object::cloneGeometry(const Da3dObject& source) {
  auto geometry = std::make_unique<Geometry>();
  Da3dObject::clone(source, geometry->model);
  return attachGeometry(std::move(geometry));
}

Geometry* Object::attachGeometry(std::unique_ptr<Geometry> geometry) {
  geometry->build();
  geometries_.push_back(std::move(geometry));
  return geometries_.back().get();
}

void Object::stopAnimationKeys() {
  if (currentAnimation_ == nullptr || engine_ == nullptr) return;
  L3DObjectInstance* instance = currentAnimation_->geometry->model.instance.Get();
  if (instance == nullptr) return;
  if (L3DEffectManager* effects = engine_->effectManager()) effects->StopKey(instance);
  if (LSeManager* se = engine_->seManager()) se->DetachOwner(instance);
}

void Object::setAnimation(AnimEntry* entry) {
  stopAnimationKeys();
  currentGeometry_ = entry->geometry;
  currentAnimation_ = entry;
  if (L3DObjectInstance* instance = currentGeometry_->model.instance.Get()) {
    instance->SetAnim(entry->anim, L3DObjectInstance::Restart::Yes);
  }
}

void Object::addAnimation(AnimEntry* entry) {
  stopAnimationKeys();
  if (currentGeometry_ == nullptr) {
    setAnimation(entry);
    return;
  }
  if (L3DObjectInstance* instance = currentGeometry_->model.instance.Get()) {
    instance->SetAnim(entry->anim, L3DObjectInstance::Restart::No);
  }
}

void Object::playEffect(const FixedVec3& at, uint32_t effect, bool system, int32_t life,
                        const LQuat& effectRotation, const float scale[3]) {
  if (currentGeometry_ == nullptr || engine_ == nullptr) return;
  L3DObjectInstance* instance = currentGeometry_->model.instance.Get();
  L3DEffectManager* effects = engine_->effectManager();
  if (instance == nullptr || effects == nullptr) return;
  const L3D_EFFECT_DATA* data = system ? instance->systemEffects.Get() : instance->ownEffects.Get();
  if (data == nullptr) return;
  effects->PlayAttached(instance->transform.position, instance, data, effect, life,
                        LVec3{fixedToFloat(at.x), fixedToFloat(at.y), fixedToFloat(at.z)},
                        effectRotation, LVec3{scale[0], scale[1], scale[2]});
}

bool Object::computeExtents(Extents& extents) const {
  if (currentGeometry_ == nullptr || !currentGeometry_->model.data) return false;
  bool found = false;
  float radius = 0.0f;
  float top = 0.0f;
  float bottom = 0.0f;
  auto& groups = currentGeometry_->model.data->collGroups;
  for (auto it = groups.Begin(); it != groups.End(); it = dbtl::DListBase::Next(it)) {
    dbtl::rcptr<L3DCollGroupData> group = dbtl::DList<L3DCollGroupData>::Get(it);
    if (group->type != 0) continue;
    for (auto s = group->spheres.Begin(); s != group->spheres.End(); s = dbtl::DListBase::Next(s)) {
      dbtl::rcptr<L3D_COLLDATA_SPHERE> sphere = dbtl::DList<L3D_COLLDATA_SPHERE>::Get(s);
      const float up = sphere->centre.y + sphere->radius;
      const float down = sphere->centre.y - sphere->radius;
      if (!found || sphere->radius > radius) radius = sphere->radius;
      if (!found || up > top) top = up;
      if (!found || down < bottom) bottom = down;
      found = true;
    }
  }
  if (!found) return false;
  extents.radius = floatToFixed(radius);
  extents.radiusSq = int32_t(uint32_t(extents.radius) * uint32_t(extents.radius));
  extents.top = floatToFixed(top);
  extents.bottom = floatToFixed(bottom);
  return true;
}

void Object::setMotion(const FixedVec3& v) {
  velocity = v;
  target = v;
  acceleration = FixedVec3{0, 0, 0};
  bias = FixedVec3{kFixedOne, kFixedOne, kFixedOne};
}

void Object::motionToWorld() {
  if ((moveFlags & kMoveWorldSpace) != 0) {
    requestedMove = velocity;
  } else {
    LMat m;
    quatToMatrix(m, rotation);
    const float vx = static_cast<float>(velocity.x);
    const float vy = static_cast<float>(velocity.y);
    const float vz = static_cast<float>(velocity.z);
    float out[3];
    for (int c = 0; c < 3; ++c) {
      const float xy = vx * m.m[0][c] + vy * m.m[1][c];
      out[c] = xy + vz * m.m[2][c];
    }
    requestedMove = FixedVec3{roundFixed(out[0]), roundFixed(out[1]), roundFixed(out[2])};
  }
  appliedMove = requestedMove;
}

void Object::applyMotion() {
  moveResult = moveResultBits(requestedMove.x, appliedMove.x, 0) |
               moveResultBits(requestedMove.y, appliedMove.y, 3) |
               moveResultBits(requestedMove.z, appliedMove.z, 6);
  position.x = int32_t(uint32_t(position.x) + uint32_t(appliedMove.x));
  position.y = int32_t(uint32_t(position.y) + uint32_t(appliedMove.y));
  position.z = int32_t(uint32_t(position.z) + uint32_t(appliedMove.z));
  velocity.x = stepVelocity(velocity.x, target.x, acceleration.x, bias.x);
  velocity.y = stepVelocity(velocity.y, target.y, acceleration.y, bias.y);
  velocity.z = stepVelocity(velocity.z, target.z, acceleration.z, bias.z);
  if (currentGeometry_ == nullptr) return;
  L3DObjectInstance* instance = currentGeometry_->model.instance.Get();
  if (instance == nullptr) return;
  L3D_OBJINST_TRANSFORM& t = instance->transform;
  const float p[3] = {fixedToFloat(position.x), fixedToFloat(position.y), fixedToFloat(position.z)};
  const float q[4] = {rotation.x, rotation.y, rotation.z, rotation.w};
  for (int i = 0; i < 3; ++i) {
    t.previousPosition[i] = t.position[i];
    t.position[i] = p[i];
    t.deltaPosition[i] = t.position[i] - t.previousPosition[i];
  }
  for (int i = 0; i < 4; ++i) {
    t.previousRotation[i] = t.rotation[i];
    t.rotation[i] = q[i];
  }
  instance->ForwardAnimFrame();
}

void Object::draw(const float lightDirection[3], const float multiplier[4],
                  const float offset[4]) {
  if (currentGeometry_ == nullptr || (flags & kObjectHidden) != 0 || engine_ == nullptr) return;
  L3DRenderer* renderer = engine_->renderer();
  L3DObjectInstance* instance = currentGeometry_->model.instance.Get();
  if (renderer == nullptr || instance == nullptr) return;
  float d[3] = {lightDirection[0], lightDirection[1], lightDirection[2]};
  const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (length > 0.0f) {
    for (float& c : d) c /= length;
  }
  renderer->SetLightDirection(d);
  renderer->DrawObjectInstance(*instance, multiplier, offset, 0);
}

}  // namespace rond
