#include "foundation/omb/trees/ombOctree.h"

#include "foundation/omb/trees/tests/ombMortonTreeTestKit.h"

#include <gtest/gtest.h>

namespace treekit {

struct OctKind {
  using Tree = OMB_OCTREE;
  static constexpr uint32_t kAxes = 3;
  static constexpr uint32_t kMaxDepth = OMB_OCTREE_MAX_DEPTH;
  static constexpr uint32_t kFullCellCount = 2396745;  // (8^8 - 1) / 7
  static OMB_OCTREE_POINT point(const Coords& c) { return {c[0], c[1], c[2]}; }
  static void init(Tree* t, uint32_t depth, uint32_t linkOffset, const Coords& lo,
                   const Coords& hi) {
    ombOctreeInit(t, depth, linkOffset, point(lo), point(hi));
  }
  static void uninit(Tree* t) { ombOctreeUninit(t); }
  static OMB_TREE_CELL* insert(Tree* t, void* object, const Coords& lo, const Coords& hi) {
    return ombOctreeInsert(t, object, point(lo), point(hi));
  }
  static void query(Tree* t, const Coords& lo, const Coords& hi, OMB_ARRAY* result, uint32_t mask) {
    ombOctreeQuery(point(lo), result, t, point(hi), mask);
  }
  static void queryBox(Tree* t, const Coords& lo, const Coords& hi, OMB_ARRAY* result,
                       uint32_t mask) {
    ombOctreeQueryBox(point(lo), result, t, point(hi), mask);
  }
  static void queryOverlap(Tree* t, const Coords& lo, const Coords& hi, OMB_ARRAY* result,
                       uint32_t mask) {
    ombOctreeQueryOverlap(point(lo), result, t, point(hi), mask);
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Octree, MortonTree, OctKind);
}  // namespace treekit

namespace {

// Cell numbers over the cube 0..1023 at depth 2 (leaves of 256 units): level offsets 0, 1, 9;
// the columns of the first, second and third coordinates go to bits 3k, 3k + 1 and 3k + 2. A
// corner outside the volume counts as on the nearest face.
TEST(ombOctree, CellIndexOfBoxes) {
  ombCoreInit();
  struct Case {
    OMB_OCTREE_POINT lo, hi;
    uint32_t index;
  };
  const Case cases[] = {
      {{0, 0, 0}, {10, 10, 10}, 9},
      {{300, 0, 0}, {400, 10, 10}, 10},
      {{0, 300, 0}, {10, 400, 10}, 11},
      {{0, 0, 300}, {10, 10, 400}, 13},
      {{768, 768, 768}, {1023, 1023, 1023}, 72},
      {{0, 0, 0}, {300, 10, 10}, 1},
      {{0, 0, 600}, {10, 10, 1000}, 5},
      {{511, 511, 511}, {512, 512, 512}, 0},
      {{-600, 0, 0}, {-300, 10, 10}, 9},
      {{900, 0, 0}, {1100, 10, 10}, 18},
      {{0, 0, -9000}, {10, 10, 9000}, 0},
  };
  OMB_OCTREE tree{};
  ombOctreeInit(&tree, 2, 0, {0, 0, 0}, {1023, 1023, 1023});
  for (const Case& c : cases) {
    EXPECT_EQ(_ombOctreeGetCellIndex(&tree, c.lo, c.hi), c.index)
        << "(" << c.lo.x << "," << c.lo.y << "," << c.lo.z << ")";
  }
  ombOctreeUninit(&tree);
}

}  // namespace
