#pragma once

// Tests shared by the quadtree and the octree: a type-parameterised suite, instantiated by
// ombQuadtreeTest.cpp and ombOctreeTest.cpp with their own Kind (tree type, axis count, depth
// bound and the tree's functions), checked against the oracle of ombMortonTreeOracle.h.
#include "foundation/omb/ombCore.h"
#include "foundation/omb/trees/ombMortonTree.h"
#include "foundation/omb/trees/tests/ombMortonTreeOracle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <tuple>
#include <vector>

namespace treekit {

template <class Kind>
class MortonTree : public testing::Test {
 protected:
  using Tree = typename Kind::Tree;
  using TreeOracle = Oracle<Kind>;

  static void SetUpTestSuite() { ombCoreInit(); }
  void SetUp() override { ombArrayInit(&result_, sizeof(void*), 16); }
  void TearDown() override {
    uninit();
    ombArrayUninit(&result_);
  }

  void init(uint32_t depth, const Coords& lo, const Coords& hi) {
    uninit();
    Kind::init(&tree_, depth, kLinkOffset, lo, hi);
    ready_ = true;
    oracle_.emplace(depth, lo, hi);
  }
  void uninit() {
    if (ready_) Kind::uninit(&tree_);
    ready_ = false;
  }

  OMB_TREE_CELL* insert(Item& item) { return Kind::insert(&tree_, &item, item.lo, item.hi); }
  // Gives the item the box of a cell and files it.
  OMB_TREE_CELL* insertAt(Item& item, const Cell& cell) {
    std::tie(item.lo, item.hi) = oracle_->boxOf(cell);
    return insert(item);
  }
  std::vector<uint32_t> query(const Coords& lo, const Coords& hi, uint32_t mask) {
    Kind::query(&tree_, lo, hi, &result_, mask);
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < result_.count; ++i) {
      ids.push_back(static_cast<Item**>(result_.items)[i]->id);
    }
    return ids;
  }
  std::vector<uint32_t> queryBox(const Coords& lo, const Coords& hi, uint32_t mask) {
    Kind::queryBox(&tree_, lo, hi, &result_, mask);
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < result_.count; ++i) {
      ids.push_back(static_cast<Item**>(result_.items)[i]->id);
    }
    return ids;
  }
  std::vector<uint32_t> queryOverlap(const Coords& lo, const Coords& hi, uint32_t mask) {
    Kind::queryOverlap(&tree_, lo, hi, &result_, mask);
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < result_.count; ++i) {
      ids.push_back(static_cast<Item**>(result_.items)[i]->id);
    }
    return ids;
  }
  std::vector<uint32_t> queryCell(const Cell& cell, uint32_t mask = ~0u) {
    const auto [lo, hi] = oracle_->boxOf(cell);
    return query(lo, hi, mask);
  }
  OMB_TREE_CELL* cellAt(const Cell& cell) const { return tree_.cells[TreeOracle::indexOf(cell)]; }
  // Files the item and tells whether it landed in that cell (the cell exists only afterwards).
  testing::AssertionResult filedIn(Item& item, const Cell& cell) {
    OMB_TREE_CELL* got = insert(item);
    const uint32_t index = TreeOracle::indexOf(cell);
    if (got != nullptr && got == tree_.cells[index] && item.link.cell == got) {
      return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "item " << item.id << " not filed in cell " << index;
  }

  // A cell at the level with the same column on every axis.
  static Cell diagonal(uint32_t level, int32_t column) {
    return Cell{level, {column, column, Kind::kAxes == 3 ? column : 0}};
  }

  Tree tree_{};
  bool ready_ = false;
  std::optional<TreeOracle> oracle_;
  OMB_ARRAY result_{};
};

TYPED_TEST_SUITE_P(MortonTree);

TYPED_TEST_P(MortonTree, DepthIsClampedAndLevelsAreLaidOut) {
  using Oracle = typename TestFixture::TreeOracle;
  const uint32_t max = TypeParam::kMaxDepth;
  for (uint32_t depth : {0u, 1u, 3u, max, max + 1, 100u}) {
    this->init(depth, {0, 0, 0}, {1000, 1000, 1000});
    const uint32_t expected = std::min(depth, max);
    EXPECT_EQ(this->tree_.depth, expected);
    for (uint32_t level = 0; level <= expected; ++level) {
      EXPECT_EQ(this->tree_.levelOffset[level], Oracle::indexOf(Cell{level, {}})) << level;
    }
    EXPECT_EQ(this->tree_.cellCount, Oracle::indexOf(Cell{expected + 1, {}}));
    EXPECT_EQ(this->tree_.liveCells, 0u);
  }
  EXPECT_EQ(this->tree_.cellCount, TypeParam::kFullCellCount);
}

TYPED_TEST_P(MortonTree, LeafCellSizes) {
  struct Case {
    int32_t lo, hi;
    uint32_t depth;
    uint32_t size;
  };
  const Case cases[] = {
      {0, 1024, 3, 129},   // 1024 / 8 + 1
      {-100, 100, 3, 26},  // 200 / 8 + 1
      {5, 5, 4, 1},        // a single point
      {0, 7, 3, 1},        // exactly one unit a leaf
      {INT32_MIN, INT32_MAX, 7, 0x2000000},
      {INT32_MIN, INT32_MAX, 0, 0xFFFFFFFFu},  // 2^32 does not fit; one leaf either way
  };
  for (const Case& c : cases) {
    this->init(c.depth, {c.lo, c.lo, c.lo}, {c.hi, c.hi, c.hi});
    for (uint32_t a = 0; a < TypeParam::kAxes; ++a) {
      EXPECT_EQ(this->tree_.leafSize[a], c.size) << c.lo << ".." << c.hi << " depth " << c.depth;
    }
  }
}

// The whole 32-bit range as the area: differences of coordinates do not fit 32 bits, so this
// is where a 32-bit subtraction would overflow.
TYPED_TEST_P(MortonTree, FullRangeAreaFilesExtremeBoxes) {
  const uint32_t d = TypeParam::kMaxDepth;
  this->init(d, {INT32_MIN, INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX, INT32_MAX});
  const int32_t last = (1 << d) - 1;
  Item low, high, whole;
  low.lo = {INT32_MIN, INT32_MIN, INT32_MIN};
  low.hi = {INT32_MIN + 1, INT32_MIN + 1, INT32_MIN + 1};
  high.lo = {INT32_MAX - 1, INT32_MAX - 1, INT32_MAX - 1};
  high.hi = {INT32_MAX, INT32_MAX, INT32_MAX};
  whole.lo = low.lo;
  whole.hi = high.hi;
  EXPECT_TRUE(this->filedIn(low, this->diagonal(d, 0)));
  EXPECT_TRUE(this->filedIn(high, this->diagonal(d, last)));
  EXPECT_TRUE(this->filedIn(whole, Cell{0, {}}));
}

TYPED_TEST_P(MortonTree, LeafBoxesGoToTheLeafAndCentreBoxesToTheRoot) {
  const uint32_t d = 3;
  this->init(d, {-4096, -4096, -4096}, {4095, 4095, 4095});  // leaves of 1024 units
  Item inLeaf, centre, point;
  inLeaf.lo = {-4090, -4090, -4090};
  inLeaf.hi = {-4080, -4080, -4080};
  centre.lo = {-1, -1, -1};
  centre.hi = {0, 0, 0};
  point.lo = point.hi = {4095, 4095, 4095};
  EXPECT_TRUE(this->filedIn(inLeaf, this->diagonal(d, 0)));
  EXPECT_TRUE(this->filedIn(centre, Cell{0, {}}));
  EXPECT_TRUE(this->filedIn(point, this->diagonal(d, 7)));
  EXPECT_EQ(this->tree_.entryCount, 3u);
  // The leaves, their ancestors (two chains of three below the root) and the root.
  EXPECT_EQ(this->tree_.liveCells, 7u);
}

TYPED_TEST_P(MortonTree, InsertingALinkedObjectMovesIt) {
  this->init(2, {0, 0, 0}, {1023, 1023, 1023});
  Item item;
  item.id = 1;
  OMB_TREE_CELL* first = this->insertAt(item, this->diagonal(2, 0));
  OMB_TREE_CELL* second = this->insertAt(item, this->diagonal(2, 3));
  EXPECT_NE(first, second);
  EXPECT_EQ(item.link.cell, second);
  EXPECT_EQ(first->objects.count, 0u);
  EXPECT_EQ(second->objects.count, 1u);
  EXPECT_EQ(this->tree_.entryCount, 1u);
  EXPECT_EQ(this->queryCell(this->diagonal(2, 0)), std::vector<uint32_t>{});
  EXPECT_EQ(this->queryCell(this->diagonal(2, 3)), std::vector<uint32_t>{1});
}

// The query cell's subtree in post-order (children in index order, each cell's own objects in
// insertion order after its children's), then the ancestors from the nearest to the root;
// other branches never.
TYPED_TEST_P(MortonTree, QueryOrderIsSubtreePostOrderThenAncestors) {
  this->init(3, {0, 0, 0}, {8191, 8191, 8191});
  const Cell branch = this->diagonal(1, 0);
  const Cell inner = this->diagonal(2, 0);
  const Cell leafA = this->diagonal(3, 0);
  Cell leafB = leafA;
  leafB.column[0] = 1;  // the next child of `inner`
  Item items[8];
  for (uint32_t i = 0; i < 8; ++i) items[i].id = i + 1;
  this->insertAt(items[0], Cell{0, {}});           // 1: root
  this->insertAt(items[1], branch);                // 2
  this->insertAt(items[2], leafB);                 // 3
  this->insertAt(items[3], leafA);                 // 4
  this->insertAt(items[4], inner);                 // 5
  this->insertAt(items[5], leafA);                 // 6: after 4 in the same leaf
  this->insertAt(items[6], this->diagonal(1, 1));  // 7: another branch
  this->insertAt(items[7], this->diagonal(3, 7));  // 8: below that branch
  EXPECT_EQ(this->queryCell(branch), (std::vector<uint32_t>{4, 6, 3, 5, 2, 1}));
  EXPECT_EQ(this->queryCell(leafA), (std::vector<uint32_t>{4, 6, 5, 2, 1}));
  EXPECT_EQ(this->queryCell(Cell{0, {}}), (std::vector<uint32_t>{4, 6, 3, 5, 2, 8, 7, 1}));
}

TYPED_TEST_P(MortonTree, MaskSelectsObjectsButEveryQueryPrunes) {
  this->init(3, {0, 0, 0}, {8191, 8191, 8191});
  Item kept, gone;
  kept.id = 1;
  kept.link.mask = 0x5;
  gone.id = 2;
  this->insertAt(kept, this->diagonal(3, 0));
  this->insertAt(gone, this->diagonal(3, 7));
  EXPECT_EQ(this->tree_.liveCells, 7u);
  ombTreeRemoveEntry(&this->tree_, &gone);
  EXPECT_EQ(this->queryCell(Cell{0, {}}, 0x2), std::vector<uint32_t>{});
  // The emptied branch was given back; the one holding `kept` stays.
  EXPECT_EQ(this->tree_.liveCells, 4u);
  EXPECT_EQ(this->cellAt(this->diagonal(1, 1)), nullptr);
  EXPECT_NE(this->cellAt(this->diagonal(3, 0)), nullptr);
  EXPECT_EQ(this->queryCell(Cell{0, {}}, 0x4), std::vector<uint32_t>{1});
}

// Removal leaves the cells; a query gives back the empty ones it passes through (the query
// cell's subtree, not its ancestors), never the root.
TYPED_TEST_P(MortonTree, RemovalLeavesCellsUntilAQueryPassesThem) {
  this->init(3, {0, 0, 0}, {8191, 8191, 8191});
  Item only;
  const Cell leaf = this->diagonal(3, 5);
  this->insertAt(only, leaf);
  ombTreeRemoveEntry(&this->tree_, &only);
  ombTreeRemoveEntry(&this->tree_, &only);  // not linked: nothing happens
  EXPECT_EQ(only.link.cell, nullptr);
  EXPECT_EQ(this->tree_.entryCount, 0u);
  EXPECT_EQ(this->tree_.liveCells, 4u);
  this->queryCell(this->diagonal(3, 0));  // another branch: nothing to give back there
  EXPECT_EQ(this->tree_.liveCells, 4u);
  this->queryCell(leaf);
  EXPECT_EQ(this->tree_.liveCells, 3u);
  EXPECT_EQ(this->cellAt(leaf), nullptr);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(this->queryCell(Cell{0, {}}), std::vector<uint32_t>{});
    EXPECT_EQ(this->tree_.liveCells, 1u);
    EXPECT_NE(this->tree_.cells[0], nullptr);
  }
  // Re-filing rebuilds the chain below the kept root.
  std::tie(only.lo, only.hi) = this->oracle_->boxOf(leaf);
  EXPECT_TRUE(this->filedIn(only, leaf));
  EXPECT_EQ(this->tree_.liveCells, 4u);
}

// Uninit never touches the objects: owners may free theirs before the tree (the sanitizer
// build sees any access to them). An owner that clears the stale link can file the object in a
// new tree.
TYPED_TEST_P(MortonTree, UninitLeavesTheObjectsAlone) {
  this->init(2, {0, 0, 0}, {1023, 1023, 1023});
  auto freed = std::make_unique<Item>();
  Item kept;
  kept.id = 1;
  this->insertAt(*freed, this->diagonal(2, 1));
  this->insertAt(kept, Cell{0, {}});
  freed.reset();
  this->uninit();
  this->init(1, {0, 0, 0}, {1023, 1023, 1023});
  kept.link.cell = nullptr;
  this->insert(kept);
  EXPECT_EQ(this->tree_.entryCount, 1u);
  EXPECT_EQ(this->queryCell(Cell{0, {}}), std::vector<uint32_t>{1});
}

// Random boxes (some reaching outside the area), moves, removals and queries, checked against
// the oracle: every object is filed in its cell; a query returns exactly the objects whose
// cell contains or lies in the query cell and whose mask matches, once each, which includes
// every object whose box meets the query box; a full query leaves only the cells on the way to
// a filed object.
TYPED_TEST_P(MortonTree, RandomOperationsMatchABruteForceScan) {
  using Oracle = typename TestFixture::TreeOracle;
  constexpr uint32_t kAxes = TypeParam::kAxes;
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    std::mt19937 rng(seed);
    const uint32_t depth = seed == 1 ? TypeParam::kMaxDepth : 1 + rng() % TypeParam::kMaxDepth;
    const Coords areaLo{-5000, -300, 0};
    const Coords areaHi{60000, 70000, 32767};
    this->init(depth, areaLo, areaHi);
    const Oracle& oracle = *this->oracle_;
    auto randomBox = [&](Coords& lo, Coords& hi) {
      const int32_t extent = std::array<int32_t, 4>{30, 800, 9000, 80000}[rng() % 4];
      for (uint32_t a = 0; a < 3; ++a) {
        std::uniform_int_distribution<int32_t> at(areaLo[a] - 3000, areaHi[a] + 3000);
        lo[a] = at(rng);
        hi[a] = lo[a] + int32_t(rng() % uint32_t(extent));
      }
    };
    std::vector<Item> items(400);
    std::vector<bool> filed(items.size(), false);
    for (uint32_t i = 0; i < items.size(); ++i) items[i].id = i;
    for (int step = 0; step < 1500; ++step) {
      const uint32_t op = rng() % 10;
      Item& item = items[rng() % items.size()];
      if (op < 6) {
        randomBox(item.lo, item.hi);
        item.link.mask = 1u << (rng() % 3);
        ASSERT_TRUE(this->filedIn(item, oracle.cellOf(item.lo, item.hi)));
        filed[item.id] = true;
      } else if (op < 7) {
        ombTreeRemoveEntry(&this->tree_, &item);
        filed[item.id] = false;
      } else {
        Coords lo{}, hi{};
        randomBox(lo, hi);
        const uint32_t mask = rng() % 8;
        const Cell q = oracle.cellOf(lo, hi);
        std::multiset<uint32_t> expected;
        for (const Item& o : items) {
          if (!filed[o.id]) continue;
          const Cell c = oracle.cellOf(o.lo, o.hi);
          const bool related = Oracle::contains(c, q) || Oracle::contains(q, c);
          bool meets = true;
          for (uint32_t a = 0; a < kAxes; ++a) {
            meets = meets && o.lo[a] <= hi[a] && lo[a] <= o.hi[a];
          }
          if ((o.link.mask & mask) != 0 && (related || meets)) {
            ASSERT_TRUE(related) << "a box that meets the query box must share its branch";
            expected.insert(o.id);
          }
        }
        const std::vector<uint32_t> got = this->query(lo, hi, mask);
        ASSERT_EQ(std::multiset<uint32_t>(got.begin(), got.end()), expected) << "step " << step;
      }
    }
    uint32_t count = 0;
    std::set<uint32_t> needed{0};
    for (const Item& o : items) {
      if (!filed[o.id]) continue;
      ++count;
      for (Cell c = oracle.cellOf(o.lo, o.hi); c.level > 0; c = Oracle::parentOf(c)) {
        needed.insert(Oracle::indexOf(c));
      }
    }
    EXPECT_EQ(this->tree_.entryCount, count);
    EXPECT_EQ(this->query(areaLo, areaHi, ~0u).size(), count);
    EXPECT_EQ(this->tree_.liveCells, needed.size());
    for (uint32_t index : needed) EXPECT_NE(this->tree_.cells[index], nullptr) << index;
  }
}

// The box walk against the full walk on random trees and boxes: it gives the full walk's answer,
// in its order, less exactly the objects filed in cells whose leaves miss the box's leaves; so
// every object whose box meets the query box stays. Empty cells it skips are pruned later.
TYPED_TEST_P(MortonTree, BoxWalkIsTheFullWalkLessCellsBesideTheBox) {
  using Oracle = typename TestFixture::TreeOracle;
  constexpr uint32_t kAxes = TypeParam::kAxes;
  for (uint32_t seed = 11; seed <= 14; ++seed) {
    std::mt19937 rng(seed);
    const uint32_t depth = seed == 11 ? TypeParam::kMaxDepth : 1 + rng() % TypeParam::kMaxDepth;
    const Coords areaLo{-5000, -300, 0};
    const Coords areaHi{60000, 70000, 32767};
    this->init(depth, areaLo, areaHi);
    const Oracle& oracle = *this->oracle_;
    auto randomBox = [&](Coords& lo, Coords& hi) {
      const int32_t extent = std::array<int32_t, 4>{30, 800, 9000, 80000}[rng() % 4];
      for (uint32_t a = 0; a < 3; ++a) {
        std::uniform_int_distribution<int32_t> at(areaLo[a] - 3000, areaHi[a] + 3000);
        lo[a] = at(rng);
        hi[a] = lo[a] + int32_t(rng() % uint32_t(extent));
      }
    };
    std::vector<Item> items(600);
    for (uint32_t i = 0; i < items.size(); ++i) {
      items[i].id = i;
      randomBox(items[i].lo, items[i].hi);
      items[i].link.mask = 1u << (rng() % 3);
      this->insert(items[i]);
    }
    for (int step = 0; step < 400; ++step) {
      if (step % 50 == 25) {
        ombTreeRemoveEntry(&this->tree_, &items[rng() % items.size()]);
      }
      Coords lo{}, hi{};
      randomBox(lo, hi);
      const uint32_t mask = 1 + rng() % 7;
      const Cell q = oracle.cellOf(lo, hi);
      std::vector<uint32_t> expected;
      for (uint32_t id : this->query(lo, hi, mask)) {
        const Cell c = oracle.cellOf(items[id].lo, items[id].hi);
        bool keep = Oracle::contains(c, q);
        if (!keep) {
          keep = true;
          const uint32_t shift = oracle.depth() - c.level;
          for (uint32_t a = 0; a < kAxes; ++a) {
            keep = keep && c.column[a] >= (oracle.leaf(a, lo[a]) >> shift) &&
                   c.column[a] <= (oracle.leaf(a, hi[a]) >> shift);
          }
        }
        if (keep) expected.push_back(id);
      }
      const std::vector<uint32_t> got = this->queryBox(lo, hi, mask);
      ASSERT_EQ(got, expected) << "seed " << seed << " step " << step;
      const std::set<uint32_t> found(got.begin(), got.end());
      for (const Item& o : items) {
        if (o.link.cell == nullptr || (o.link.mask & mask) == 0) continue;
        bool meets = true;
        for (uint32_t a = 0; a < kAxes; ++a) {
          meets = meets && o.lo[a] <= hi[a] && lo[a] <= o.hi[a];
        }
        if (meets) {
          ASSERT_TRUE(found.count(o.id)) << "item " << o.id << " step " << step;
        }
      }
    }
    // Whatever the box walks left standing, a full query still reaches every object.
    uint32_t filed = 0;
    for (const Item& o : items) filed += o.link.cell != nullptr;
    EXPECT_EQ(this->query(areaLo, areaHi, ~0u).size(), filed);
  }
}

// The overlap walk against the full walk: the full walk's answer in its order, less the
// objects whose leaf columns miss the box's on some axis. Each box is asked several times, with
// objects refiled, removed and given new masks in between, so that crowded cells answer both
// by scanning and through their index (built on the second query of an unchanged cell), and
// boxes of every size meet one, a few or many of an index's buckets.
TYPED_TEST_P(MortonTree, OverlapWalkIsTheFullWalkLessObjectsBesideTheBox) {
  using Oracle = typename TestFixture::TreeOracle;
  constexpr uint32_t kAxes = TypeParam::kAxes;
  for (uint32_t seed = 21; seed <= 23; ++seed) {
    std::mt19937 rng(seed);
    const uint32_t depth = seed == 21 ? TypeParam::kMaxDepth : 2 + rng() % (TypeParam::kMaxDepth - 1);
    const Coords areaLo{-5000, -300, 0};
    const Coords areaHi{60000, 70000, 32767};
    this->init(depth, areaLo, areaHi);
    const Oracle& oracle = *this->oracle_;
    auto randomBox = [&](Coords& lo, Coords& hi) {
      const int32_t extent = std::array<int32_t, 5>{30, 800, 3000, 9000, 80000}[rng() % 5];
      for (uint32_t a = 0; a < 3; ++a) {
        std::uniform_int_distribution<int32_t> at(areaLo[a] - 3000, areaHi[a] + 3000);
        lo[a] = at(rng);
        hi[a] = lo[a] + int32_t(rng() % uint32_t(extent));
      }
    };
    std::vector<Item> items(800);
    for (uint32_t i = 0; i < items.size(); ++i) {
      items[i].id = i;
      randomBox(items[i].lo, items[i].hi);
      items[i].link.mask = 1u << (rng() % 3);
      this->insert(items[i]);
    }
    const auto leafMeets = [&](const Item& o, const Coords& lo, const Coords& hi) {
      for (uint32_t a = 0; a < kAxes; ++a) {
        if (oracle.leaf(a, o.hi[a]) < oracle.leaf(a, lo[a]) ||
            oracle.leaf(a, o.lo[a]) > oracle.leaf(a, hi[a])) {
          return false;
        }
      }
      return true;
    };
    for (int step = 0; step < 300; ++step) {
      Coords lo{}, hi{};
      randomBox(lo, hi);
      for (int ask = 0; ask < 4; ++ask) {
        if (ask == 2) {
          items[rng() % items.size()].link.mask = 1u << (rng() % 3);
        } else if (ask == 3 && step % 3 == 0) {
          Item& moved = items[rng() % items.size()];
          if (step % 2 == 0) {
            ombTreeRemoveEntry(&this->tree_, &moved);
          } else {
            randomBox(moved.lo, moved.hi);
            this->insert(moved);
          }
        }
        const uint32_t mask = 1 + (step + ask) % 7;
        std::vector<uint32_t> expected;
        for (uint32_t id : this->query(lo, hi, mask)) {
          if (leafMeets(items[id], lo, hi)) expected.push_back(id);
        }
        ASSERT_EQ(this->queryOverlap(lo, hi, mask), expected)
            << "seed " << seed << " step " << step << " ask " << ask;
      }
    }
  }
}

REGISTER_TYPED_TEST_SUITE_P(MortonTree, DepthIsClampedAndLevelsAreLaidOut, LeafCellSizes,
                            FullRangeAreaFilesExtremeBoxes,
                            LeafBoxesGoToTheLeafAndCentreBoxesToTheRoot,
                            InsertingALinkedObjectMovesIt,
                            QueryOrderIsSubtreePostOrderThenAncestors,
                            MaskSelectsObjectsButEveryQueryPrunes,
                            RemovalLeavesCellsUntilAQueryPassesThem, UninitLeavesTheObjectsAlone,
                            RandomOperationsMatchABruteForceScan,
                            BoxWalkIsTheFullWalkLessCellsBesideTheBox,
                            OverlapWalkIsTheFullWalkLessObjectsBesideTheBox);

}  // namespace treekit
