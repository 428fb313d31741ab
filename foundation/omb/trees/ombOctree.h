#pragma once

#include "foundation/omb/containers/ombArray.h"
#include "foundation/omb/trees/ombMortonTree.h"

#include <cstdint>

// A linear octree over a fixed integer volume: the quadtree's rules (ombQuadtree.h) with three
// axes, eight children a cell and at most 7 levels below the root. Cells come from the core's
// octree cell pool (ombCoreInit).

inline constexpr uint32_t OMB_OCTREE_MAX_DEPTH = 7;

struct OMB_OCTREE_POINT {
  int32_t x;
  int32_t y;
  int32_t z;
};

struct OMB_OCTREE : OMB_TREE {};

// Depth above 7 is taken as 7. The area runs from minimum to maximum inclusive on each axis;
// its leaf cells are (max - min) / 2^depth + 1 units wide.
void ombOctreeInit(OMB_OCTREE* tree, uint32_t depth, uint32_t linkOffset, OMB_OCTREE_POINT minimum,
                   OMB_OCTREE_POINT maximum);
// Every cell back to the pool and the cell array freed. The objects are not touched (their
// owners may have freed them already), so objects still filed keep a stale cell pointer: their
// owners must clear OMB_TREE_LINK::cell before filing them in any tree again.
void ombOctreeUninit(OMB_OCTREE* tree);
// Files the object (moving it when it is already filed) and returns its cell; null only when
// the cell pool ran out and the error hook returned.
OMB_TREE_CELL* ombOctreeInsert(OMB_OCTREE* tree, void* object, OMB_OCTREE_POINT boxMin,
                               OMB_OCTREE_POINT boxMax);
// Fills `result` (an OMB_ARRAY of object pointers, element size sizeof(void*)) with the
// objects whose link mask shares a bit with `mask`: the query cell's subtree in post-order,
// then its ancestors from the nearest up. Empty cells that the query passes through are given
// back to the pool, except the root.
void ombOctreeQuery(OMB_OCTREE_POINT boxMin, OMB_ARRAY* result, OMB_OCTREE* tree,
                    OMB_OCTREE_POINT boxMax, uint32_t mask);
// The same objects in the same order, less those whose cell lies beside the box: below the
// query cell only the cells whose leaves meet the box's leaves are visited (and pruned when
// empty). Every object whose box meets the query box is among them.
void ombOctreeQueryBox(OMB_OCTREE_POINT boxMin, OMB_ARRAY* result, OMB_OCTREE* tree,
                      OMB_OCTREE_POINT boxMax, uint32_t mask);
// The same objects in the same order, less those whose own box lies beside the query box by
// a leaf or more on some axis; every object whose box meets the query box is among them. Cells
// that hold many objects answer through an index instead of a scan of their list.
void ombOctreeQueryOverlap(OMB_OCTREE_POINT boxMin, OMB_ARRAY* result, OMB_OCTREE* tree,
                    OMB_OCTREE_POINT boxMax, uint32_t mask);
// Index of the cell that a box is filed in. Corners outside the area count as on its edge.
uint32_t _ombOctreeGetCellIndex(const OMB_OCTREE* tree, OMB_OCTREE_POINT boxMin,
                                OMB_OCTREE_POINT boxMax);

// The process-wide cell pool, driven by the core.
void ombOctreeCellPoolInit();
void ombOctreeCellPoolUninit();
