#include "foundation/omb/trees/ombQuadtree.h"

#include "foundation/omb/trees/tests/ombMortonTreeTestKit.h"

#include <gtest/gtest.h>

namespace treekit {

struct QuadKind {
  using Tree = OMB_QUADTREE;
  static constexpr uint32_t kAxes = 2;
  static constexpr uint32_t kMaxDepth = OMB_QUADTREE_MAX_DEPTH;
  static constexpr uint32_t kFullCellCount = 1398101;  // (4^11 - 1) / 3
  static OMB_QUADTREE_POINT point(const Coords& c) { return {c[0], c[1]}; }
  static void init(Tree* t, uint32_t depth, uint32_t linkOffset, const Coords& lo,
                   const Coords& hi) {
    ombQuadTreeInit(t, depth, linkOffset, point(lo), point(hi));
  }
  static void uninit(Tree* t) { ombQuadTreeUninit(t); }
  static OMB_TREE_CELL* insert(Tree* t, void* object, const Coords& lo, const Coords& hi) {
    return ombQuadTreeInsert(t, object, point(lo), point(hi));
  }
  static void query(Tree* t, const Coords& lo, const Coords& hi, OMB_ARRAY* result, uint32_t mask) {
    ombQuadTreeQuery(point(lo), result, t, point(hi), mask);
  }
  static void queryBox(Tree* t, const Coords& lo, const Coords& hi, OMB_ARRAY* result,
                       uint32_t mask) {
    ombQuadTreeQueryBox(point(lo), result, t, point(hi), mask);
  }
  static void queryOverlap(Tree* t, const Coords& lo, const Coords& hi, OMB_ARRAY* result,
                       uint32_t mask) {
    ombQuadTreeQueryOverlap(point(lo), result, t, point(hi), mask);
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Quadtree, MortonTree, QuadKind);
}  // namespace treekit

namespace {

class ombQuadtree : public testing::Test {
 protected:
  static void SetUpTestSuite() { ombCoreInit(); }
  void TearDown() override { ombQuadTreeUninit(&tree_); }
  OMB_QUADTREE tree_{};
};

// Cell numbers over the area 0..1023 at depth 2 (leaves of 256 units): level offsets 0, 1, 5;
// the first coordinate's column bits are the even bits of the code. A corner outside the area
// counts as on the nearest edge: the box 900..1100 stays in the right-hand column instead of
// wrapping to the left-hand one.
TEST_F(ombQuadtree, CellIndexOfBoxes) {
  struct Case {
    OMB_QUADTREE_POINT lo, hi;
    uint32_t index;
  };
  const Case cases[] = {
      {{0, 0}, {10, 10}, 5},
      {{10, 10}, {0, 0}, 5},  // corners in either order
      {{300, 0}, {400, 10}, 6},
      {{0, 300}, {10, 400}, 7},
      {{768, 768}, {1023, 1023}, 20},
      {{0, 0}, {300, 10}, 1},
      {{600, 600}, {700, 1000}, 4},
      {{511, 511}, {512, 512}, 0},
      {{255, 0}, {256, 0}, 1},
      {{-600, 0}, {-300, 10}, 5},
      {{900, 0}, {1100, 10}, 10},
      {{0, 900}, {10, 5000}, 15},
      {{2000, 2000}, {3000, 3000}, 20},
      {{-600, -600}, {2000, 2000}, 0},
  };
  ombQuadTreeInit(&tree_, 2, 0, {0, 0}, {1023, 1023});
  for (const Case& c : cases) {
    EXPECT_EQ(_ombQuadTreeGetCellIndex(&tree_, c.lo, c.hi), c.index)
        << "(" << c.lo.x << "," << c.lo.y << ")-(" << c.hi.x << "," << c.hi.y << ")";
  }
}

TEST_F(ombQuadtree, AreaOf1024AtDepth10HasLeavesOfWidth2) {
  ombQuadTreeInit(&tree_, 11, 0, {0, 0}, {1024, 1024});
  EXPECT_EQ(tree_.depth, 10u);
  EXPECT_EQ(tree_.leafSize[0], 2u);
  EXPECT_EQ(tree_.leafSize[1], 2u);
  const uint32_t leaves = 349525;  // (4^10 - 1) / 3
  EXPECT_EQ(_ombQuadTreeGetCellIndex(&tree_, {0, 0}, {1, 1}), leaves);
  EXPECT_EQ(_ombQuadTreeGetCellIndex(&tree_, {2, 0}, {3, 1}), leaves + 1);
  EXPECT_EQ(_ombQuadTreeGetCellIndex(&tree_, {1, 0}, {2, 0}), 87381u);  // first cell of level 9
}

}  // namespace
