#include "foundation/omb/trees/ombMortonTree.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/trees/ombMorton.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

// An index over a crowded cell, for the overlap query. The cell's leaf columns are cut into a
// grid of buckets; each bucket lists, in the cell's list order, the entries whose columns meet
// it. A small query box meets one bucket, whose list it filters; a larger one merges the lists
// of a few buckets or scans every entry. Entries copy the objects' columns, so the objects are
// touched only when their columns meet the query's (then for the mask, which users may change
// without refiling).
struct OMB_TREE_CELL_INDEX {
  struct Entry {
    uint16_t lo[OMB_TREE_MAX_AXES];
    uint16_t hi[OMB_TREE_MAX_AXES];
    void* object;
  };
  uint32_t version = 0;
  uint32_t shift = 0;    // leaf column offset >> shift = bucket column
  uint32_t buckets = 1;  // per axis
  uint32_t first[OMB_TREE_MAX_AXES] = {};
  std::vector<Entry> entries;
  std::vector<uint32_t> bucketStart;  // buckets^axes + 1 offsets into bucketItems
  std::vector<uint32_t> bucketItems;  // entry numbers
};

namespace {

using IndexEntry = OMB_TREE_CELL_INDEX::Entry;

OMB_TREE_LINK* linkOf(const OMB_TREE* tree, void* object) {
  return reinterpret_cast<OMB_TREE_LINK*>(static_cast<char*>(object) + tree->linkOffset);
}

uint32_t branching(const OMB_TREE* tree) {
  return 1u << tree->axes;
}

uint32_t parentOf(const OMB_TREE* tree, uint32_t index) {
  return (index - 1) >> tree->axes;
}

// The leaf column of a point on one axis. A point outside the area is clamped to the nearest
// leaf: cutting the column to its low bits instead would file a box that reaches past one edge
// in a cell at the opposite edge, where no query near the box would find it. The difference is
// taken in 64 bits, since p - min overflows 32 bits for areas wider than half the range.
uint32_t leafCoordinate(const OMB_TREE* tree, uint32_t axis, int32_t p) {
  const int64_t offset = int64_t{p} - tree->areaMin[axis];
  const int64_t column = offset / int64_t{tree->leafSize[axis]};  // truncated toward zero
  const int64_t last = (int64_t{1} << tree->depth) - 1;
  return static_cast<uint32_t>(column < 0 ? 0 : column > last ? last : column);
}

uint32_t mortonCode(const OMB_TREE* tree, const int32_t* point) {
  uint32_t c[OMB_TREE_MAX_AXES] = {};
  for (uint32_t axis = 0; axis < tree->axes; ++axis) {
    c[axis] = leafCoordinate(tree, axis, point[axis]);
  }
  return tree->axes == 2 ? ombMortonEncode2(c[0], c[1]) : ombMortonEncode3(c[0], c[1], c[2]);
}

OMB_TREE_CELL* newCell(OMB_TREE* tree, uint32_t index) {
  auto* cell = static_cast<OMB_TREE_CELL*>(ombSharedPoolAllocate(tree->pool));
  if (!cell) {
    return nullptr;
  }
  ombListInit(&cell->objects,
              static_cast<int32_t>(tree->linkOffset + offsetof(OMB_TREE_LINK, node)));
  cell->version = 1;
  cell->seenVersion = 0;
  cell->index = nullptr;
  tree->cells[index] = cell;
  ++tree->liveCells;
  return cell;
}

void releaseCell(OMB_TREE* tree, uint32_t index) {
  delete tree->cells[index]->index;
  ombSharedPoolRelease(tree->pool, tree->cells[index]);
  tree->cells[index] = nullptr;
  --tree->liveCells;
}

// Makes cell `index` and its missing ancestors, the highest first, so that a pool that runs out
// half-way never leaves a cell without its parent (queries reach cells only from above).
OMB_TREE_CELL* makeCellChain(OMB_TREE* tree, uint32_t index) {
  uint32_t missing[OMB_TREE_MAX_LEVELS];
  uint32_t count = 0;
  for (uint32_t i = index; !tree->cells[i]; i = parentOf(tree, i)) {
    missing[count++] = i;
    if (i == 0) {
      break;
    }
  }
  while (count > 0) {
    if (!newCell(tree, missing[--count])) {
      return nullptr;
    }
  }
  return tree->cells[index];
}

bool append(OMB_ARRAY* result, void* object) {
  const uint32_t n = result->count;
  auto* items = static_cast<void**>(ombArrayResize(result, n + 1));
  if (!items) {
    return false;
  }
  items[n] = object;
  return true;
}

// Appends the cell's own objects that share a bit with the mask, in list order.
void collectOwn(OMB_TREE* tree, OMB_TREE_CELL* cell, OMB_ARRAY* result, uint32_t mask) {
  OMB_LIST* list = &cell->objects;
  for (OMB_LIST_LINK* link = list->head.next; link != ombListSentinel(list); link = link->next) {
    void* object = ombListElement(list, link);
    if ((linkOf(tree, object)->mask & mask) != 0 && !append(result, object)) {
      return;
    }
  }
}

// Collects the subtree of an existing cell in post-order and gives back every cell of it that
// neither holds an object nor has a descendant that does. The root is kept even when empty: it
// is the one cell every insert needs, and the cell array is reached through it. True when the
// subtree holds any object, whatever the mask.
bool collectSubtree(OMB_TREE* tree, uint32_t index, OMB_ARRAY* result, uint32_t mask) {
  bool found = false;
  const uint64_t firstChild = uint64_t{index} * branching(tree) + 1;
  if (firstChild < tree->cellCount) {
    for (uint32_t c = 0; c < branching(tree); ++c) {
      const auto child = static_cast<uint32_t>(firstChild + c);
      if (tree->cells[child] && collectSubtree(tree, child, result, mask)) {
        found = true;
      }
    }
  }
  OMB_TREE_CELL* cell = tree->cells[index];
  if (cell->objects.count != 0) {
    collectOwn(tree, cell, result, mask);
    return true;
  }
  if (!found && index != 0) {
    releaseCell(tree, index);
  }
  return found;
}

// The query's leaf columns per axis and the walk's state; the box walk descends only into
// cells whose columns meet them.
struct BoxWalk {
  OMB_TREE* tree;
  OMB_ARRAY* result;
  uint32_t mask;
  uint32_t lo[OMB_TREE_MAX_AXES];
  uint32_t hi[OMB_TREE_MAX_AXES];
  bool overlap;  // objects are filtered by their own leaf columns too
};

// Collects a cell's own objects for the walk.
void collectCell(BoxWalk& walk, uint32_t index, uint32_t level);

// As collectSubtree, but a child whose columns miss the query's is neither collected nor
// pruned: it still counts as holding objects, since its subtree was not looked at. The order
// of what is collected is that of collectSubtree with the missed cells left out.
bool collectBox(BoxWalk& walk, uint32_t index, uint32_t level, const uint32_t* column) {
  OMB_TREE* tree = walk.tree;
  bool found = false;
  const uint64_t firstChild = uint64_t{index} * branching(tree) + 1;
  if (level < tree->depth && firstChild < tree->cellCount) {
    const uint32_t shift = tree->depth - (level + 1);
    for (uint32_t c = 0; c < branching(tree); ++c) {
      const auto child = static_cast<uint32_t>(firstChild + c);
      if (!tree->cells[child]) {
        continue;
      }
      uint32_t childColumn[OMB_TREE_MAX_AXES];
      bool meets = true;
      for (uint32_t axis = 0; axis < tree->axes; ++axis) {
        childColumn[axis] = (column[axis] << 1) | ((c >> axis) & 1u);
        meets = meets && childColumn[axis] >= (walk.lo[axis] >> shift) &&
                childColumn[axis] <= (walk.hi[axis] >> shift);
      }
      if (!meets || collectBox(walk, child, level + 1, childColumn)) {
        found = true;
      }
    }
  }
  OMB_TREE_CELL* cell = tree->cells[index];
  if (cell->objects.count != 0) {
    collectCell(walk, index, level);
    return true;
  }
  if (!found && index != 0) {
    releaseCell(tree, index);
  }
  return found;
}



// Cells holding fewer objects are scanned through their list.
constexpr uint32_t kIndexMinObjects = 12;
// Queries meeting more buckets than this scan every entry.
constexpr uint32_t kMergeMaxBuckets = 8;

uint32_t bucketNumber(const OMB_TREE_CELL_INDEX& index, uint32_t axes, const uint32_t* b) {
  uint32_t n = 0;
  for (uint32_t axis = axes; axis-- > 0;) {
    n = n * index.buckets + b[axis];
  }
  return n;
}

void buildIndex(OMB_TREE* tree, OMB_TREE_CELL* cell, uint32_t cellIndex, uint32_t level) {
  if (!cell->index) {
    cell->index = new (std::nothrow) OMB_TREE_CELL_INDEX;
    if (!cell->index) {
      return;
    }
  }
  OMB_TREE_CELL_INDEX& index = *cell->index;
  const uint32_t axes = tree->axes;
  const uint32_t span = tree->depth - level;  // log2 of the cell's leaves per axis
  const uint32_t gridBits = std::min(span, axes == 2 ? 4u : 3u);
  index.version = cell->version;
  index.shift = span - gridBits;
  index.buckets = 1u << gridBits;
  const uint32_t code = cellIndex - tree->levelOffset[level];
  for (uint32_t axis = 0; axis < axes; ++axis) {
    uint32_t column = 0;
    for (uint32_t bit = 0; bit < level; ++bit) {
      column |= ((code >> (bit * axes + axis)) & 1u) << bit;
    }
    index.first[axis] = column << span;
  }
  index.entries.clear();
  OMB_LIST* list = &cell->objects;
  for (OMB_LIST_LINK* node = list->head.next; node != ombListSentinel(list); node = node->next) {
    void* object = ombListElement(list, node);
    const OMB_TREE_LINK* link = linkOf(tree, object);
    IndexEntry e{};
    for (uint32_t axis = 0; axis < axes; ++axis) {
      e.lo[axis] = link->leafLo[axis];
      e.hi[axis] = link->leafHi[axis];
    }
    e.object = object;
    index.entries.push_back(e);
  }
  uint32_t total = 1;
  for (uint32_t axis = 0; axis < axes; ++axis) total *= index.buckets;
  index.bucketStart.assign(total + 1, 0);
  // Two passes over every entry's buckets: count, then place.
  const auto eachBucket = [&](const IndexEntry& e, auto&& visit) {
    uint32_t lo[OMB_TREE_MAX_AXES] = {}, hi[OMB_TREE_MAX_AXES] = {}, b[OMB_TREE_MAX_AXES] = {};
    for (uint32_t axis = 0; axis < axes; ++axis) {
      // An object filed here lies inside the cell, so its columns are at or past `first`.
      lo[axis] = (e.lo[axis] - index.first[axis]) >> index.shift;
      hi[axis] = std::min((e.hi[axis] - index.first[axis]) >> index.shift, index.buckets - 1);
      b[axis] = lo[axis];
    }
    for (;;) {
      visit(bucketNumber(index, axes, b));
      uint32_t axis = 0;
      while (axis < axes && b[axis] == hi[axis]) {
        b[axis] = lo[axis];
        ++axis;
      }
      if (axis == axes) {
        return;
      }
      ++b[axis];
    }
  };
  for (const IndexEntry& e : index.entries) {
    eachBucket(e, [&](uint32_t n) { ++index.bucketStart[n + 1]; });
  }
  for (uint32_t n = 0; n < total; ++n) {
    index.bucketStart[n + 1] += index.bucketStart[n];
  }
  index.bucketItems.assign(index.bucketStart[total], 0);
  std::vector<uint32_t> fill(index.bucketStart.begin(), index.bucketStart.end() - 1);
  for (uint32_t i = 0; i < index.entries.size(); ++i) {
    eachBucket(index.entries[i], [&](uint32_t n) { index.bucketItems[fill[n]++] = i; });
  }
}

bool entryMeets(const BoxWalk& walk, uint32_t axes, const uint16_t* lo, const uint16_t* hi) {
  for (uint32_t axis = 0; axis < axes; ++axis) {
    if (hi[axis] < walk.lo[axis] || lo[axis] > walk.hi[axis]) {
      return false;
    }
  }
  return true;
}

bool appendEntry(BoxWalk& walk, const IndexEntry& e) {
  if (!entryMeets(walk, walk.tree->axes, e.lo, e.hi)) {
    return true;
  }
  return (linkOf(walk.tree, e.object)->mask & walk.mask) == 0 || append(walk.result, e.object);
}

void collectIndexed(BoxWalk& walk, const OMB_TREE_CELL_INDEX& index) {
  const uint32_t axes = walk.tree->axes;
  uint32_t lo[OMB_TREE_MAX_AXES] = {}, hi[OMB_TREE_MAX_AXES] = {}, b[OMB_TREE_MAX_AXES] = {};
  uint32_t met = 1;
  for (uint32_t axis = 0; axis < axes; ++axis) {
    const uint32_t first = index.first[axis];
    const uint32_t last = first + (index.buckets << index.shift) - 1;
    if (walk.hi[axis] < first || walk.lo[axis] > last) {
      return;  // nothing filed here can meet the box
    }
    lo[axis] = (std::max(walk.lo[axis], first) - first) >> index.shift;
    hi[axis] = (std::min(walk.hi[axis], last) - first) >> index.shift;
    b[axis] = lo[axis];
    met *= hi[axis] - lo[axis] + 1;
  }
  if (met == 1) {
    const uint32_t n = bucketNumber(index, axes, b);
    for (uint32_t k = index.bucketStart[n]; k < index.bucketStart[n + 1]; ++k) {
      if (!appendEntry(walk, index.entries[index.bucketItems[k]])) {
        return;
      }
    }
    return;
  }
  if (met > kMergeMaxBuckets) {
    for (const IndexEntry& e : index.entries) {
      if (!appendEntry(walk, e)) {
        return;
      }
    }
    return;
  }
  // A few buckets: their entry numbers merged back into list order, each once.
  thread_local std::vector<uint32_t> numbers;
  numbers.clear();
  for (;;) {
    const uint32_t n = bucketNumber(index, axes, b);
    numbers.insert(numbers.end(), index.bucketItems.begin() + index.bucketStart[n],
                   index.bucketItems.begin() + index.bucketStart[n + 1]);
    uint32_t axis = 0;
    while (axis < axes && b[axis] == hi[axis]) {
      b[axis] = lo[axis];
      ++axis;
    }
    if (axis == axes) {
      break;
    }
    ++b[axis];
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  for (uint32_t i : numbers) {
    if (!appendEntry(walk, index.entries[i])) {
      return;
    }
  }
}

void collectCell(BoxWalk& walk, uint32_t index, uint32_t level) {
  OMB_TREE* tree = walk.tree;
  OMB_TREE_CELL* cell = tree->cells[index];
  if (!walk.overlap) {
    collectOwn(tree, cell, walk.result, walk.mask);
    return;
  }
  if (cell->index && cell->index->version == cell->version) {
    collectIndexed(walk, *cell->index);
    return;
  }
  // A cell changed since its last query is scanned, so that a cell refiled between every two
  // queries (objects moving one after another) never pays for an index it uses once.
  if (cell->objects.count >= kIndexMinObjects && cell->seenVersion == cell->version) {
    buildIndex(tree, cell, index, level);
    if (cell->index && cell->index->version == cell->version) {
      collectIndexed(walk, *cell->index);
      return;
    }
  }
  cell->seenVersion = cell->version;
  OMB_LIST* list = &cell->objects;
  for (OMB_LIST_LINK* node = list->head.next; node != ombListSentinel(list); node = node->next) {
    void* object = ombListElement(list, node);
    const OMB_TREE_LINK* link = linkOf(tree, object);
    if (entryMeets(walk, tree->axes, link->leafLo, link->leafHi) && (link->mask & walk.mask) != 0 &&
        !append(walk.result, object)) {
      return;
    }
  }
}

// The box walk of both box queries: the query cell's subtree, pruned by the box's columns, then
// the ancestors from the nearest up.
void walkBox(OMB_TREE* tree, const int32_t* boxMin, const int32_t* boxMax, OMB_ARRAY* result,
             uint32_t mask, bool overlap) {
  assert(result->elementSize == sizeof(void*));
  ombArrayResize(result, 0);
  if (!tree->cells) {
    return;
  }
  BoxWalk walk{tree, result, mask, {}, {}, overlap};
  for (uint32_t axis = 0; axis < tree->axes; ++axis) {
    walk.lo[axis] = leafCoordinate(tree, axis, boxMin[axis]);
    walk.hi[axis] = leafCoordinate(tree, axis, boxMax[axis]);
  }
  const uint32_t index = _ombTreeGetCellIndex(tree, boxMin, boxMax);
  uint32_t level = 0;
  while (level < tree->depth && tree->levelOffset[level + 1] <= index) {
    ++level;
  }
  if (tree->cells[index]) {
    uint32_t column[OMB_TREE_MAX_AXES] = {};
    for (uint32_t axis = 0; axis < tree->axes; ++axis) {
      column[axis] = walk.lo[axis] >> (tree->depth - level);
    }
    collectBox(walk, index, level, column);
  }
  for (uint32_t i = index; i != 0;) {
    i = parentOf(tree, i);
    --level;
    if (tree->cells[i]) {
      collectCell(walk, i, level);
    }
  }
}

}  // namespace

void ombTreeRemoveEntry(OMB_TREE* tree, void* object) {
  OMB_TREE_LINK* link = linkOf(tree, object);
  if (!link->cell) {
    return;
  }
  ombListRemove(&link->cell->objects, &link->node);
  ++link->cell->version;
  link->cell = nullptr;
  --tree->entryCount;
}

void _ombTreeInit(OMB_TREE* tree, uint32_t axes, uint32_t depth, uint32_t linkOffset,
                  const int32_t* areaMin, const int32_t* areaMax, OMB_SHARED_POOL* pool) {
  *tree = OMB_TREE{};
  tree->axes = axes;
  tree->depth = depth;
  uint32_t cellsAtLevel = 1;
  uint32_t offset = 0;
  for (uint32_t level = 0; level <= depth; ++level) {
    tree->levelOffset[level] = offset;
    offset += cellsAtLevel;
    cellsAtLevel <<= axes;
  }
  tree->cellCount = offset;
  for (uint32_t axis = 0; axis < axes; ++axis) {
    tree->areaMin[axis] = areaMin[axis];
    tree->areaMax[axis] = areaMax[axis];
    // The width is taken as unsigned 32 bits, so the whole coordinate range is one area. Only
    // that area at depth 0 would need 2^32 here; any value of at least its width gives the
    // same single column there.
    const uint64_t width =
        static_cast<uint32_t>(areaMax[axis]) - static_cast<uint32_t>(areaMin[axis]);
    const uint64_t size = (width >> depth) + 1;
    tree->leafSize[axis] = size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(size);
  }
  tree->linkOffset = linkOffset;
  tree->pool = pool;
  tree->cells = ombCheckAlloc(
      static_cast<OMB_TREE_CELL**>(std::calloc(tree->cellCount, sizeof(OMB_TREE_CELL*))));
  if (!tree->cells) {
    tree->cellCount = 0;  // an unusable tree: inserts and queries do nothing
  }
}

// The objects are not touched: their owners may already have freed them.
void _ombTreeUninit(OMB_TREE* tree) {
  if (!tree->cells) {
    return;
  }
  for (uint32_t i = 0; i < tree->cellCount; ++i) {
    OMB_TREE_CELL* cell = tree->cells[i];
    if (cell) {
      releaseCell(tree, i);
    }
  }
  std::free(tree->cells);
  tree->cells = nullptr;
  tree->cellCount = 0;
  tree->entryCount = 0;
}

uint32_t _ombTreeGetCellIndex(const OMB_TREE* tree, const int32_t* boxMin, const int32_t* boxMax) {
  const uint32_t a = mortonCode(tree, boxMin);
  const uint32_t differ = a ^ mortonCode(tree, boxMax);
  const uint32_t groupMask = branching(tree) - 1;
  // The deepest level at which both corners share a cell: one level above the highest group in
  // which their codes differ.
  uint32_t level = tree->depth;
  for (uint32_t group = 0; group < tree->depth; ++group) {
    if (((differ >> (tree->axes * group)) & groupMask) != 0) {
      level = tree->depth - group - 1;
    }
  }
  const uint32_t index = (a >> (tree->axes * (tree->depth - level))) + tree->levelOffset[level];
  return index < tree->cellCount ? index : tree->cellCount - 1;
}

OMB_TREE_CELL* _ombTreeInsert(OMB_TREE* tree, void* object, const int32_t* boxMin,
                              const int32_t* boxMax) {
  ombTreeRemoveEntry(tree, object);
  if (!tree->cells) {
    return nullptr;
  }
  OMB_TREE_CELL* cell = makeCellChain(tree, _ombTreeGetCellIndex(tree, boxMin, boxMax));
  if (!cell) {
    return nullptr;  // pool exhausted and reported; the object stays out of the tree
  }
  OMB_TREE_LINK* link = linkOf(tree, object);
  for (uint32_t axis = 0; axis < tree->axes; ++axis) {
    link->leafLo[axis] = static_cast<uint16_t>(leafCoordinate(tree, axis, boxMin[axis]));
    link->leafHi[axis] = static_cast<uint16_t>(leafCoordinate(tree, axis, boxMax[axis]));
  }
  ombListAppend(&cell->objects, &link->node);
  ++cell->version;
  link->cell = cell;
  ++tree->entryCount;
  return cell;
}

void _ombTreeQuery(OMB_TREE* tree, const int32_t* boxMin, const int32_t* boxMax, OMB_ARRAY* result,
                   uint32_t mask) {
  assert(result->elementSize == sizeof(void*));
  ombArrayResize(result, 0);
  if (!tree->cells) {
    return;
  }
  const uint32_t index = _ombTreeGetCellIndex(tree, boxMin, boxMax);
  if (tree->cells[index]) {
    collectSubtree(tree, index, result, mask);
  }
  for (uint32_t i = index; i != 0;) {
    i = parentOf(tree, i);
    if (tree->cells[i]) {
      collectOwn(tree, tree->cells[i], result, mask);
    }
  }
}

void _ombTreeQueryBox(OMB_TREE* tree, const int32_t* boxMin, const int32_t* boxMax,
                      OMB_ARRAY* result, uint32_t mask) {
  walkBox(tree, boxMin, boxMax, result, mask, false);
}

void _ombTreeQueryOverlap(OMB_TREE* tree, const int32_t* boxMin, const int32_t* boxMax,
                          OMB_ARRAY* result, uint32_t mask) {
  walkBox(tree, boxMin, boxMax, result, mask, true);
}
