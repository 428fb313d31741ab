#include "engines/vell/ObjectSpace.h"

#include "foundation/omb/trees/ombMortonTree.h"

namespace vell {

namespace {

void clampAxis(int32_t& lo, int32_t& hi, int32_t m, int32_t M) {
  if (hi < m) {
    lo = m;
    hi = m;
  } else if (lo < m) {
    lo = m;
  }
  if (lo > M) {
    hi = M;
    lo = M;
  } else if (hi > M) {
    hi = M;
  }
}

OMB_TREE_LINK* linkOf(void* element, uint32_t offset) {
  return reinterpret_cast<OMB_TREE_LINK*>(static_cast<char*>(element) + offset);
}

}  // namespace

void clampBox(FixedVec3& boxMin, FixedVec3& boxMax, const FixedVec3& spaceMin,
              const FixedVec3& spaceMax) {
  clampAxis(boxMin.x, boxMax.x, spaceMin.x, spaceMax.x);
  clampAxis(boxMin.y, boxMax.y, spaceMin.y, spaceMax.y);
  clampAxis(boxMin.z, boxMax.z, spaceMin.z, spaceMax.z);
}

ObjectSpace::ObjectSpace(uint32_t linkOffset) : linkOffset_(linkOffset) {
  // Pointer-sized elements: the array holds element addresses.
  ombArrayInit(&results_, sizeof(void*), 1024);
}

ObjectSpace::~ObjectSpace() {
  teardown();
  ombArrayUninit(&results_);
}

void ObjectSpace::init(const FixedVec3& min, const FixedVec3& max, uint32_t mode, uint32_t depth) {
  teardown();
  boundsMin_ = min;
  boundsMax_ = max;
  mode_ = mode;
  if (mode == kSpaceQuadtree) {
    quadtree_ = std::make_unique<OMB_QUADTREE>();
    ombQuadTreeInit(quadtree_.get(), depth, linkOffset_, {min.x, min.z}, {max.x, max.z});
  } else if (mode == kSpaceOctree) {
    octree_ = std::make_unique<OMB_OCTREE>();
    ombOctreeInit(octree_.get(), depth, linkOffset_, {min.x, min.y, min.z}, {max.x, max.y, max.z});
  }
}

void ObjectSpace::teardown() {
  mode_ = kSpaceNone;
  if (quadtree_) {
    ombQuadTreeUninit(quadtree_.get());
    quadtree_.reset();
  }
  if (octree_) {
    ombOctreeUninit(octree_.get());
    octree_.reset();
  }
}

void ObjectSpace::insert(const FixedVec3& min, const FixedVec3& max, void* element) {
  FixedVec3 lo = min;
  FixedVec3 hi = max;
  clampBox(lo, hi, boundsMin_, boundsMax_);
  if (mode_ == kSpaceOctree) {
    ombOctreeInsert(octree_.get(), element, {lo.x, lo.y, lo.z}, {hi.x, hi.y, hi.z});
  } else if (mode_ == kSpaceQuadtree) {
    ombQuadTreeInsert(quadtree_.get(), element, {lo.x, lo.z}, {hi.x, hi.z});
  }
}

void ObjectSpace::remove(void* element) {
  if (mode_ == kSpaceOctree) {
    ombTreeRemoveEntry(octree_.get(), element);
  } else if (mode_ == kSpaceQuadtree) {
    ombTreeRemoveEntry(quadtree_.get(), element);
  }
}

void ObjectSpace::setMask(uint32_t value, void* element) {
  if (mode_ == kSpaceQuadtree || mode_ == kSpaceOctree) {
    linkOf(element, linkOffset_)->mask = value;
  }
}

const OMB_ARRAY& ObjectSpace::query(const FixedVec3& min, const FixedVec3& max, uint32_t mask) {
  FixedVec3 lo = min;
  FixedVec3 hi = max;
  clampBox(lo, hi, boundsMin_, boundsMax_);
  if (mode_ == kSpaceOctree) {
    ombOctreeQueryOverlap({lo.x, lo.y, lo.z}, &results_, octree_.get(), {hi.x, hi.y, hi.z}, mask);
  } else if (mode_ == kSpaceQuadtree) {
    ombQuadTreeQueryOverlap({lo.x, lo.z}, &results_, quadtree_.get(), {hi.x, hi.z}, mask);
  } else {
    ombArrayResize(&results_, 0);
  }
  return results_;
}

}  // namespace vell
