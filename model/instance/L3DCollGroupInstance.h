#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/rcptr.h"
#include "foundation/math/LMat.h"
#include "model/L3DGroupData.h"
#include "model/L3DModelTypes.h"
#include "model/instance/L3DInstanceOwner.h"

#include <cstdint>

// Sphere flag: the centre was computed at least once since the last reset.
inline constexpr uint32_t L3D_COLLINST_SPHERE_POSITIONED = 1;
// Group flag: the group takes part in the bounds and the engines' hit tests.
inline constexpr uint32_t L3D_COLLINST_ENABLED = 1;

struct L3D_COLLINST_SPHERE {
  dbtl::rcptr<L3D_COLLDATA_SPHERE> data;
  uint32_t flags = 0;
  LVec3 centre;  // world
  LVec3 previousCentre;
  float radius = 0.0f;
};

// The run-time state of one collision group of an object instance: whether it is enabled and
// where its spheres are in the world.
class L3DCollGroupInstance {
 public:
  L3DCollGroupInstance() = default;
  L3DCollGroupInstance(const L3DCollGroupInstance&) = delete;
  L3DCollGroupInstance& operator=(const L3DCollGroupInstance&) = delete;

  // Fills this empty instance from the group data.
  void Build(const dbtl::rcptr<L3DInstanceOwner>& owner, const dbtl::rcptr<L3DCollGroupData>& data);
  // Enabled as the data says, every sphere waiting for its first position.
  void Reset();
  dbtl::rcptr<L3D_COLLINST_SPHERE> GetSpheres() const { return spheres; }

  dbtl::rcptr<L3DInstanceOwner> owner;  // uncounted
  dbtl::rcptr<L3DCollGroupData> data;
  uint32_t flags = 0;
  uint32_t sphereCount = 0;
  dbtl::rcptr<L3D_COLLINST_SPHERE> spheres;
};

// Moves a sphere to its local centre transformed by the world matrix of what it follows. The
// first position after a build or reset also becomes the previous one, so that nothing reads a
// jump from the local centre.
void l3dPlaceSphere(L3D_COLLINST_SPHERE& sphere, const LMat& world);

// Resets every group of the list and clears the owner's seven bounds-valid bytes.
void l3dResetCollGroups(dbtl::DList<L3DCollGroupInstance>& groups, uint8_t (&previousBoundsValid)[7]);
