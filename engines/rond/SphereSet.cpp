#include "engines/rond/SphereSet.h"

#include "model/instance/L3DCollGroupInstance.h"
#include "model/object/L3DObjectInstance.h"

namespace rond {

namespace {

constexpr uint32_t kGrowStep = 16;

float delta(int32_t a, int32_t b) {
  return static_cast<float>(int64_t(a) - int64_t(b)) * kFixedToFloat;
}

// (ra + rb)^2 >= |ca - cb|^2 in world units.
bool meet(int32_t ax, int32_t ay, int32_t az, int32_t ar, int32_t bx, int32_t by, int32_t bz,
          int32_t br) {
  const float dx = delta(ax, bx);
  const float dy = delta(ay, by);
  const float dz = delta(az, bz);
  const float r = static_cast<float>(int64_t(ar) + int64_t(br)) * kFixedToFloat;
  return r * r >= (dx * dx + dy * dy) + dz * dz;
}

}  // namespace

void SphereSet::clear(const FixedVec3& position) {
  centre = position;
  radius = 0;
  count = 0;
}

void SphereSet::append(const Sphere& sphere) {
  if (count == items.size()) {
    const size_t grown = (items.size() / kGrowStep + 1) * kGrowStep;
    items.resize(grown);
  }
  items[count++] = sphere;
}

void SphereSet::collect(L3DObjectInstance* instance, uint32_t slot, const FixedVec3& position) {
  clear(position);
  if (instance == nullptr) return;
  auto& groups = instance->GetCollGroups();
  for (auto it = groups.Begin(); it != groups.End(); it = dbtl::DListBase::Next(it)) {
    dbtl::rcptr<L3DCollGroupInstance> group = dbtl::DList<L3DCollGroupInstance>::Get(it);
    if ((group->flags & L3D_COLLINST_ENABLED) == 0 || !group->data || group->data->type != slot) {
      continue;
    }
    const L3D_COLLINST_SPHERE* spheres = group->GetSpheres().Get();
    for (uint32_t i = 0; i < group->sphereCount && spheres != nullptr; ++i) {
      const FixedVec3 c = vec3ToFixed(spheres[i].centre.x, spheres[i].centre.y,
                                      spheres[i].centre.z);
      append({c.x, c.y, c.z, floatToFixed(spheres[i].radius)});
    }
  }
  if (count > 0 && slot < L3D_OBJINST_BOUND_SLOTS) {
    const L3DBoundSphere& bound = instance->bounds[slot];
    centre = vec3ToFixed(bound.centre.x, bound.centre.y, bound.centre.z);
    radius = floatToFixed(bound.radius);
  }
}

bool overlaps(const SphereSet& a, const SphereSet& b) {
  if (a.count == 0 || b.count == 0) return false;
  if (!meet(a.centre.x, a.centre.y, a.centre.z, a.radius, b.centre.x, b.centre.y, b.centre.z,
            b.radius)) {
    return false;
  }
  for (uint32_t i = 0; i < a.count; ++i) {
    const Sphere& s = a.items[i];
    for (uint32_t j = 0; j < b.count; ++j) {
      const Sphere& t = b.items[j];
      if (meet(s.x, s.y, s.z, s.radius, t.x, t.y, t.z, t.radius)) return true;
    }
  }
  return false;
}

}  // namespace rond
