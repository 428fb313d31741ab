#pragma once

#include "foundation/omb/trees/ombMortonTree.h"
#include "model/math/FixedPoint.h"

#include <cstdint>

// What an object files in the object collision space: its collision cylinder and the tree link
// (objects and bullets file items of this one layout, so the space has one link offset). The
// heights are relative to the position; the cylinder reaches from y + bottom to y + top.
namespace vell {

struct SpaceItem {
  FixedVec3 position{};
  int32_t radius = 0;
  float radiusSquared = 0;  // in units²
  int32_t top = 0;
  int32_t bottom = 0;
  OMB_TREE_LINK link{};
  void* owner = nullptr;
};

// The masks objects file themselves with: standing on land, or not.
inline constexpr uint32_t kSpaceMaskOnLand = 0x1000000;
inline constexpr uint32_t kSpaceMaskInAir = 0x2000000;

}  // namespace vell
