#include "foundation/omb/trees/ombOctree.h"

#include <algorithm>

namespace {

OMB_SHARED_POOL cells;

struct Point {
  explicit Point(OMB_OCTREE_POINT p) : v{p.x, p.y, p.z} {}
  int32_t v[3];
};

}  // namespace

void ombOctreeCellPoolInit() {
  ombSharedPoolInit(&cells, 4096, sizeof(OMB_TREE_CELL), OMB_MEMPOOL_GROW);
}

void ombOctreeCellPoolUninit() {
  ombSharedPoolUninit(&cells);
}

void ombOctreeInit(OMB_OCTREE* tree, uint32_t depth, uint32_t linkOffset, OMB_OCTREE_POINT minimum,
                   OMB_OCTREE_POINT maximum) {
  _ombTreeInit(tree, 3, std::min(depth, OMB_OCTREE_MAX_DEPTH), linkOffset, Point(minimum).v,
               Point(maximum).v, &cells);
}

void ombOctreeUninit(OMB_OCTREE* tree) {
  _ombTreeUninit(tree);
}

OMB_TREE_CELL* ombOctreeInsert(OMB_OCTREE* tree, void* object, OMB_OCTREE_POINT boxMin,
                               OMB_OCTREE_POINT boxMax) {
  return _ombTreeInsert(tree, object, Point(boxMin).v, Point(boxMax).v);
}

void ombOctreeQuery(OMB_OCTREE_POINT boxMin, OMB_ARRAY* result, OMB_OCTREE* tree,
                    OMB_OCTREE_POINT boxMax, uint32_t mask) {
  _ombTreeQuery(tree, Point(boxMin).v, Point(boxMax).v, result, mask);
}

void ombOctreeQueryBox(OMB_OCTREE_POINT boxMin, OMB_ARRAY* result, OMB_OCTREE* tree,
                      OMB_OCTREE_POINT boxMax, uint32_t mask) {
  _ombTreeQueryBox(tree, Point(boxMin).v, Point(boxMax).v, result, mask);
}

void ombOctreeQueryOverlap(OMB_OCTREE_POINT boxMin, OMB_ARRAY* result, OMB_OCTREE* tree,
                    OMB_OCTREE_POINT boxMax, uint32_t mask) {
  _ombTreeQueryOverlap(tree, Point(boxMin).v, Point(boxMax).v, result, mask);
}

uint32_t _ombOctreeGetCellIndex(const OMB_OCTREE* tree, OMB_OCTREE_POINT boxMin,
                                OMB_OCTREE_POINT boxMax) {
  return _ombTreeGetCellIndex(tree, Point(boxMin).v, Point(boxMax).v);
}
