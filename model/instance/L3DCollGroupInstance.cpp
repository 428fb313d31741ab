#include "model/instance/L3DCollGroupInstance.h"

#include <cstring>

void L3DCollGroupInstance::Build(const dbtl::rcptr<L3DInstanceOwner>& ownerHandle,
                                 const dbtl::rcptr<L3DCollGroupData>& groupData) {
  owner = ownerHandle;
  data = groupData;
  uint32_t n = 0;
  for (auto it = data->spheres.Begin(); it != data->spheres.End(); it = dbtl::DListBase::Next(it)) {
    ++n;
  }
  sphereCount = n;
  spheres.Reset();
  if (n > 0) spheres.Create(n);
  uint32_t i = 0;
  for (auto it = data->spheres.Begin(); it != data->spheres.End(); it = dbtl::DListBase::Next(it)) {
    L3D_COLLINST_SPHERE& s = spheres[i++];
    s.data = dbtl::DList<L3D_COLLDATA_SPHERE>::Get(it);
    s.centre = s.data->centre;
    s.previousCentre = s.data->centre;
    s.radius = s.data->radius;
  }
  Reset();
}

void L3DCollGroupInstance::Reset() {
  flags = (flags & ~L3D_COLLINST_ENABLED) | (data->flags & L3D_COLLINST_ENABLED);
  for (uint32_t i = 0; i < sphereCount; ++i) spheres[i].flags &= ~L3D_COLLINST_SPHERE_POSITIONED;
}

void l3dPlaceSphere(L3D_COLLINST_SPHERE& sphere, const LMat& world) {
  const float local[3] = {sphere.data->centre.x, sphere.data->centre.y, sphere.data->centre.z};
  float out[3];
  vec3TransformCoord(world, local, out);
  sphere.previousCentre = sphere.centre;
  sphere.centre = {out[0], out[1], out[2]};
  if ((sphere.flags & L3D_COLLINST_SPHERE_POSITIONED) == 0) {
    sphere.previousCentre = sphere.centre;
    sphere.flags |= L3D_COLLINST_SPHERE_POSITIONED;
  }
}

void l3dResetCollGroups(dbtl::DList<L3DCollGroupInstance>& groups,
                        uint8_t (&previousBoundsValid)[7]) {
  for (auto it = groups.Begin(); it != groups.End(); it = dbtl::DListBase::Next(it)) {
    dbtl::DList<L3DCollGroupInstance>::Get(it)->Reset();
  }
  std::memset(previousBoundsValid, 0, sizeof previousBoundsValid);
}
