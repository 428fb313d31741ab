#include "foundation/omb/trees/ombQuadtree.h"

#include <algorithm>

namespace {

OMB_SHARED_POOL cells;

struct Point {
  explicit Point(OMB_QUADTREE_POINT p) : v{p.x, p.y} {}
  int32_t v[2];
};

}  // namespace

void ombQuadTreeCellPoolInit() {
  ombSharedPoolInit(&cells, 4096, sizeof(OMB_TREE_CELL), OMB_MEMPOOL_GROW);
}

void ombQuadTreeCellPoolUninit() {
  ombSharedPoolUninit(&cells);
}

void ombQuadTreeInit(OMB_QUADTREE* tree, uint32_t depth, uint32_t linkOffset,
                     OMB_QUADTREE_POINT minimum, OMB_QUADTREE_POINT maximum) {
  _ombTreeInit(tree, 2, std::min(depth, OMB_QUADTREE_MAX_DEPTH), linkOffset, Point(minimum).v,
               Point(maximum).v, &cells);
}

void ombQuadTreeUninit(OMB_QUADTREE* tree) {
  _ombTreeUninit(tree);
}

OMB_TREE_CELL* ombQuadTreeInsert(OMB_QUADTREE* tree, void* object, OMB_QUADTREE_POINT boxMin,
                                 OMB_QUADTREE_POINT boxMax) {
  return _ombTreeInsert(tree, object, Point(boxMin).v, Point(boxMax).v);
}

void ombQuadTreeQuery(OMB_QUADTREE_POINT boxMin, OMB_ARRAY* result, OMB_QUADTREE* tree,
                      OMB_QUADTREE_POINT boxMax, uint32_t mask) {
  _ombTreeQuery(tree, Point(boxMin).v, Point(boxMax).v, result, mask);
}

void ombQuadTreeQueryBox(OMB_QUADTREE_POINT boxMin, OMB_ARRAY* result, OMB_QUADTREE* tree,
                         OMB_QUADTREE_POINT boxMax, uint32_t mask) {
  _ombTreeQueryBox(tree, Point(boxMin).v, Point(boxMax).v, result, mask);
}

void ombQuadTreeQueryOverlap(OMB_QUADTREE_POINT boxMin, OMB_ARRAY* result, OMB_QUADTREE* tree,
                    OMB_QUADTREE_POINT boxMax, uint32_t mask) {
  _ombTreeQueryOverlap(tree, Point(boxMin).v, Point(boxMax).v, result, mask);
}

uint32_t _ombQuadTreeGetCellIndex(const OMB_QUADTREE* tree, OMB_QUADTREE_POINT boxMin,
                                  OMB_QUADTREE_POINT boxMax) {
  return _ombTreeGetCellIndex(tree, Point(boxMin).v, Point(boxMax).v);
}
