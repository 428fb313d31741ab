#include "engines/vell/SphereSet.h"

#include "model/L3DGroupData.h"
#include "model/instance/L3DCollGroupInstance.h"
#include "model/object/L3DObjectInstance.h"

#include <algorithm>

namespace vell {

namespace {

constexpr uint32_t kStaticType = 4;

LVec3 toWorld(const FixedVec3& p) {
  return {fixedToFloat(p.x), fixedToFloat(p.y), fixedToFloat(p.z)};
}

float axis(const LVec3& v, int i) { return i == 0 ? v.x : i == 1 ? v.y : v.z; }
int32_t& axis(FixedVec3& v, int i) { return i == 0 ? v.x : i == 1 ? v.y : v.z; }

enum class Sweep { Moving, Static };

// The items of the enabled groups of the type; returns their count.
uint32_t collectItems(SphereSet& set, const L3DObjectInstance& instance, uint32_t type,
                      Sweep sweep) {
  uint32_t count = 0;
  auto& groups = const_cast<L3DObjectInstance&>(instance).collGroups;
  using List = dbtl::DList<L3DCollGroupInstance>;
  for (auto it = groups.Begin(); it != groups.End(); it = List::Next(it)) {
    const dbtl::rcptr<L3DCollGroupInstance> group = List::Get(it);
    if (!group || !(group->flags & 1) || !group->data || group->data->type != type) continue;
    for (uint32_t i = 0; i < group->sphereCount; ++i) {
      const L3D_COLLINST_SPHERE& s = group->spheres[i];
      if (set.items.size() <= count) set.items.resize(count + 1);
      set.items[count] = {sweep == Sweep::Moving ? s.previousCentre : s.centre, s.centre,
                          s.radius};
      count += 1;
    }
  }
  return count;
}

void emptyBox(SphereSet& set, const FixedVec3& position) {
  set.boxMin = {0, 0, 0};
  set.boxMax = {0, 0, 0};
  set.boundCentre = toWorld(position);
  set.boundRadius = 0.0f;
}

}  // namespace

void sphereSetBuild(SphereSet& set, const L3DObjectInstance& instance, uint32_t type,
                    const FixedVec3& position) {
  set.itemCount = collectItems(set, instance, type, Sweep::Moving);
  set.sweepStart = set.sweepEnd = toWorld(position);
  set.sweepRadius = 0.0f;
  if (type < L3D_OBJINST_BOUND_SLOTS && set.itemCount > 0 && instance.bounds[type].radius > 0.0f) {
    const L3DBoundSphere& now = instance.bounds[type];
    const L3DBoundSphere& before = instance.previousBounds[type];
    if (before.radius <= 0.0f) {
      set.sweepStart = set.sweepEnd = now.centre;
      set.sweepRadius = now.radius;
    } else {
      set.sweepStart = before.centre;
      set.sweepEnd = now.centre;
      set.sweepRadius = std::max(before.radius, now.radius);
    }
  }
  const float r = set.sweepRadius;
  if (!(r > 0.0f)) {
    emptyBox(set, position);
    return;
  }
  int32_t largest = 0;
  for (int i = 0; i < 3; ++i) {
    const float s = axis(set.sweepStart, i);
    const float e = axis(set.sweepEnd, i);
    const int32_t lo = floatToFixed(std::min(e - r, s - r) - 1.0f);
    const int32_t hi = floatToFixed(std::max(s + r, e + r) + 1.0f);
    axis(set.boxMin, i) = lo;
    axis(set.boxMax, i) = hi;
    const int32_t half = (hi - lo) >> 1;
    largest = std::max(largest, half);
    const float centre = fixedToFloat(lo + half);
    (i == 0 ? set.boundCentre.x : i == 1 ? set.boundCentre.y : set.boundCentre.z) = centre;
  }
  // The largest half extent, not the half diagonal.
  set.boundRadius = fixedToFloat(largest);
}

void sphereSetBuildStatic(SphereSet& set, const L3DObjectInstance& instance,
                          const FixedVec3& position) {
  set.itemCount = collectItems(set, instance, kStaticType, Sweep::Static);
  set.sweepStart = set.sweepEnd = toWorld(position);
  set.sweepRadius = 0.0f;
  const L3DBoundSphere& now = instance.bounds[kStaticType];
  if (set.itemCount > 0 && now.radius > 0.0f) {
    set.sweepStart = set.sweepEnd = now.centre;
    set.sweepRadius = now.radius;
  }
  const float e = set.sweepRadius;
  if (!(e > 0.0f)) {
    emptyBox(set, position);
    return;
  }
  for (int i = 0; i < 3; ++i) {
    const float c = axis(set.sweepEnd, i);
    axis(set.boxMin, i) = floatToFixed(c - e - 1.0f);
    axis(set.boxMax, i) = floatToFixed(c + 1.0f) + floatToFixed(e);
  }
  set.boundCentre = set.sweepEnd;
  set.boundRadius = e;
}

}  // namespace vell
