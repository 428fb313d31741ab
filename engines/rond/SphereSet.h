#pragma once

#include "model/math/FixedPoint.h"

#include <cstdint>
#include <vector>

class L3DObjectInstance;

namespace rond {

struct Sphere {
  int32_t x;
  int32_t y;
  int32_t z;
  int32_t radius;
};

// The collision spheres of one bounding slot, rebuilt every frame. The array keeps its storage
// between frames and grows in steps of 16 spheres only when a frame needs more than ever before.
struct SphereSet {
  FixedVec3 centre{0, 0, 0};
  int32_t radius = 0;
  uint32_t count = 0;
  std::vector<Sphere> items;

  // Empties the set (centre and radius included) without giving the storage back.
  void clear(const FixedVec3& position);
  void append(const Sphere& sphere);
  // The spheres of the instance's enabled collision groups of that slot, in list order, with
  // the instance's bounding sphere of the slot as the set's bound when any was found; only the
  // position without an instance.
  void collect(L3DObjectInstance* instance, uint32_t slot, const FixedVec3& position);
};

// Bounding spheres first, then every pair (a's spheres outer); touching counts as overlapping,
// an empty set never overlaps. Distances are taken in world units as floats.
bool overlaps(const SphereSet& a, const SphereSet& b);

}  // namespace rond
