#pragma once

#include "foundation/omb/containers/ombArray.h"
#include "foundation/omb/trees/ombOctree.h"
#include "foundation/omb/trees/ombQuadtree.h"
#include "model/math/FixedPoint.h"

#include <cstdint>
#include <memory>

// The object collision space: a quadtree (x/z), an octree or no index at all over the map's
// extent, in which objects and bullets file themselves by a fixed-point box and a mask. Every
// element carries an OMB_TREE_LINK at the same offset, given when the space is made.
namespace vell {

enum SpaceMode : uint32_t { kSpaceQuadtree = 0, kSpaceOctree = 1, kSpaceNone = 2 };

// Per axis x, y, z: a box wholly below the space collapses onto its lower bound, else its low end
// is raised to it; then the same against the upper bound. Comparisons are strict.
void clampBox(FixedVec3& boxMin, FixedVec3& boxMax, const FixedVec3& spaceMin,
              const FixedVec3& spaceMax);

class ObjectSpace {
 public:
  explicit ObjectSpace(uint32_t linkOffset);
  ~ObjectSpace();
  ObjectSpace(const ObjectSpace&) = delete;
  ObjectSpace& operator=(const ObjectSpace&) = delete;

  // Any earlier tree goes first. Modes other than 0 and 1 leave the space inert.
  void init(const FixedVec3& min, const FixedVec3& max, uint32_t mode, uint32_t depth);
  void teardown();

  // Files the element for the box (clamped into the space), moving it when already filed.
  void insert(const FixedVec3& min, const FixedVec3& max, void* element);
  void remove(void* element);
  void setMask(uint32_t value, void* element);
  // Elements whose mask shares a bit with `mask` and whose filed box comes within a leaf of the
  // (clamped) box on every axis: every element whose box meets the box, in tree order.
  // The array is shared by every query and stays valid until the next one.
  const OMB_ARRAY& query(const FixedVec3& min, const FixedVec3& max, uint32_t mask);

  uint32_t mode() const { return mode_; }
  const FixedVec3& boundsMin() const { return boundsMin_; }
  const FixedVec3& boundsMax() const { return boundsMax_; }

 private:
  FixedVec3 boundsMin_{};
  FixedVec3 boundsMax_{};
  uint32_t mode_ = kSpaceNone;
  std::unique_ptr<OMB_QUADTREE> quadtree_;
  std::unique_ptr<OMB_OCTREE> octree_;
  OMB_ARRAY results_{};
  uint32_t linkOffset_;
};

}  // namespace vell
