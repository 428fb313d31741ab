#pragma once

#include "foundation/omb/containers/ombArray.h"
#include "foundation/omb/containers/ombList.h"
#include "foundation/omb/containers/ombSharedPool.h"

#include <cstdint>

// The linear (array-addressed) Morton-ordered space partition behind OMB_QUADTREE and
// OMB_OCTREE. Cell 0 is the root; the children of cell i are B*i + 1 .. B*i + B, with B = 4 or
// 8 children a cell, and the cell with Morton code m at level L is levelOffset[L] + m. A cell
// exists only while it or a cell below it has held an object since the last query through it;
// every existing cell's ancestors exist too.

struct OMB_TREE_CELL_INDEX;

// A cell: the objects filed in it, in insertion order. Cells come from the tree kind's pool.
// `version` changes with every object filed in or taken out; a cell that holds many objects
// and is queried twice at one version gets an index (see ombMortonTree.cpp), rebuilt when the
// version has moved on.
struct OMB_TREE_CELL {
  OMB_LIST objects;
  uint32_t version;
  uint32_t seenVersion;  // the version of the last query that found no index
  OMB_TREE_CELL_INDEX* index;
};

// Embedded in every user object at the tree's link offset.
struct OMB_TREE_LINK {
  OMB_TREE_CELL* cell;  // null while the object is in no tree
  OMB_LIST_LINK node;   // the cell list's link
  uint32_t mask;        // set by the user; a query returns the object when it shares a bit
  // The leaf columns of the filed box per axis, set by the insert; the overlap query skips
  // objects whose columns miss the query's without touching anything else of them.
  uint16_t leafLo[3] = {};
  uint16_t leafHi[3] = {};
};

inline constexpr uint32_t OMB_TREE_MAX_AXES = 3;
inline constexpr uint32_t OMB_TREE_MAX_LEVELS = 11;

// What both tree kinds share; only ombTreeRemoveEntry takes it directly.
struct OMB_TREE {
  uint32_t axes;   // 2 or 3: bits of a Morton code per level
  uint32_t depth;  // the finest level
  uint32_t levelOffset[OMB_TREE_MAX_LEVELS];
  uint32_t cellCount;
  OMB_TREE_CELL** cells;  // cellCount pointers, null where no cell exists
  uint32_t liveCells;
  uint32_t leafSize[OMB_TREE_MAX_AXES];  // per axis, in coordinate units
  int32_t areaMin[OMB_TREE_MAX_AXES];
  int32_t areaMax[OMB_TREE_MAX_AXES];
  uint32_t linkOffset;  // of the OMB_TREE_LINK inside the user objects
  uint32_t entryCount;  // objects linked now
  OMB_SHARED_POOL* pool;
};

// Unlinks the object when it is linked; its cell stays, even when it is left empty.
void ombTreeRemoveEntry(OMB_TREE* tree, void* object);

// The kind-independent steps, called by the quadtree and octree functions with their own axis
// count, depth bound and cell pool. Points are arrays of `axes` coordinates.
void _ombTreeInit(OMB_TREE* tree, uint32_t axes, uint32_t depth, uint32_t linkOffset,
                  const int32_t* areaMin, const int32_t* areaMax, OMB_SHARED_POOL* pool);
void _ombTreeUninit(OMB_TREE* tree);
uint32_t _ombTreeGetCellIndex(const OMB_TREE* tree, const int32_t* boxMin, const int32_t* boxMax);
OMB_TREE_CELL* _ombTreeInsert(OMB_TREE* tree, void* object, const int32_t* boxMin,
                              const int32_t* boxMax);
void _ombTreeQuery(OMB_TREE* tree, const int32_t* boxMin, const int32_t* boxMax, OMB_ARRAY* result,
                   uint32_t mask);
// As _ombTreeQuery, but below the query cell only the cells whose leaves meet the box's leaves
// are visited: the same objects in the same order, less those filed in cells the box misses.
void _ombTreeQueryBox(OMB_TREE* tree, const int32_t* boxMin, const int32_t* boxMax,
                      OMB_ARRAY* result, uint32_t mask);
// As _ombTreeQueryBox, less the objects whose own leaf columns miss the box's on some axis:
// still every object whose box meets the query box, in the full walk's order.
void _ombTreeQueryOverlap(OMB_TREE* tree, const int32_t* boxMin, const int32_t* boxMax,
                          OMB_ARRAY* result, uint32_t mask);
