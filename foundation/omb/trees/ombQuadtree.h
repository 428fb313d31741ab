#pragma once

#include "foundation/omb/containers/ombArray.h"
#include "foundation/omb/trees/ombMortonTree.h"

#include <cstdint>

// A linear quadtree over a fixed integer area (the engines use 1/1024 world units). An object
// embeds an OMB_TREE_LINK at the tree's link offset and is filed in the smallest cell that holds
// its whole box; a query returns the objects of the query box's cell, of every cell below it and
// of every cell above it, so the caller still makes its own exact tests. Not thread-safe: a
// tree belongs to one thread. Cells come from the core's quadtree cell pool (ombCoreInit).

inline constexpr uint32_t OMB_QUADTREE_MAX_DEPTH = 10;

struct OMB_QUADTREE_POINT {
  int32_t x;
  int32_t y;
};

struct OMB_QUADTREE : OMB_TREE {};

// Depth above 10 is taken as 10. The area runs from minimum to maximum inclusive on each axis;
// its leaf cells are (max - min) / 2^depth + 1 units wide.
void ombQuadTreeInit(OMB_QUADTREE* tree, uint32_t depth, uint32_t linkOffset,
                     OMB_QUADTREE_POINT minimum, OMB_QUADTREE_POINT maximum);
// Every cell back to the pool and the cell array freed. The objects are not touched (their
// owners may have freed them already), so objects still filed keep a stale cell pointer: their
// owners must clear OMB_TREE_LINK::cell before filing them in any tree again.
void ombQuadTreeUninit(OMB_QUADTREE* tree);
// Files the object (moving it when it is already filed) and returns its cell; null only when
// the cell pool ran out and the error hook returned.
OMB_TREE_CELL* ombQuadTreeInsert(OMB_QUADTREE* tree, void* object, OMB_QUADTREE_POINT boxMin,
                                 OMB_QUADTREE_POINT boxMax);
// Fills `result` (an OMB_ARRAY of object pointers, element size sizeof(void*)) with the
// objects whose link mask shares a bit with `mask`: the query cell's subtree in post-order,
// then its ancestors from the nearest up. Empty cells that the query passes through are given
// back to the pool, except the root.
void ombQuadTreeQuery(OMB_QUADTREE_POINT boxMin, OMB_ARRAY* result, OMB_QUADTREE* tree,
                      OMB_QUADTREE_POINT boxMax, uint32_t mask);
// The same objects in the same order, less those whose cell lies beside the box: below the
// query cell only the cells whose leaves meet the box's leaves are visited (and pruned when
// empty). Every object whose box meets the query box is among them.
void ombQuadTreeQueryBox(OMB_QUADTREE_POINT boxMin, OMB_ARRAY* result, OMB_QUADTREE* tree,
                         OMB_QUADTREE_POINT boxMax, uint32_t mask);
// The same objects in the same order, less those whose own box lies beside the query box by
// a leaf or more on some axis; every object whose box meets the query box is among them. Cells
// that hold many objects answer through an index instead of a scan of their list.
void ombQuadTreeQueryOverlap(OMB_QUADTREE_POINT boxMin, OMB_ARRAY* result, OMB_QUADTREE* tree,
                    OMB_QUADTREE_POINT boxMax, uint32_t mask);
// Index of the cell that a box is filed in. Corners outside the area count as on its edge.
uint32_t _ombQuadTreeGetCellIndex(const OMB_QUADTREE* tree, OMB_QUADTREE_POINT boxMin,
                                  OMB_QUADTREE_POINT boxMax);

// The process-wide cell pool, driven by the core.
void ombQuadTreeCellPoolInit();
void ombQuadTreeCellPoolUninit();
