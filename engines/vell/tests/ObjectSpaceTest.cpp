#include "engines/vell/ObjectSpace.h"

#include "foundation/omb/ombCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

struct Element {
  int id = 0;
  OMB_TREE_LINK link{};
};

std::vector<int> ids(const OMB_ARRAY& found) {
  std::vector<int> out;
  for (uint32_t i = 0; i < found.count; ++i) {
    out.push_back(static_cast<Element* const*>(found.items)[i]->id);
  }
  // Tree order differs between the kinds; what is found matters here.
  std::sort(out.begin(), out.end());
  return out;
}

TEST(ClampBox, PerAxisRules) {
  const FixedVec3 lo{0, 0, 0}, hi{100, 100, 100};
  const struct {
    FixedVec3 inMin, inMax, outMin, outMax;
  } cases[] = {
      {{10, 10, 10}, {20, 20, 20}, {10, 10, 10}, {20, 20, 20}},      // inside: unchanged
      {{-50, 10, 10}, {-20, 20, 20}, {0, 10, 10}, {0, 20, 20}},      // wholly below on x
      {{-5, 10, 10}, {20, 20, 20}, {0, 10, 10}, {20, 20, 20}},       // low end raised
      {{10, 150, 10}, {20, 170, 20}, {10, 100, 10}, {20, 100, 20}},  // wholly above on y
      {{10, 10, 90}, {20, 20, 130}, {10, 10, 90}, {20, 20, 100}},    // high end lowered
      {{-10, -10, -10}, {200, 200, 200}, {0, 0, 0}, {100, 100, 100}},
      {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},  // on the bound: strict tests keep it
      {{100, 100, 100}, {100, 100, 100}, {100, 100, 100}, {100, 100, 100}},
  };
  for (const auto& c : cases) {
    FixedVec3 a = c.inMin, b = c.inMax;
    vell::clampBox(a, b, lo, hi);
    EXPECT_EQ(a.x, c.outMin.x);
    EXPECT_EQ(a.y, c.outMin.y);
    EXPECT_EQ(a.z, c.outMin.z);
    EXPECT_EQ(b.x, c.outMax.x);
    EXPECT_EQ(b.y, c.outMax.y);
    EXPECT_EQ(b.z, c.outMax.z);
  }
}

class ObjectSpaceTest : public ::testing::TestWithParam<uint32_t> {
 protected:
  ObjectSpaceTest() { ombCoreInit(); }
  vell::ObjectSpace space{offsetof(Element, link)};
};

TEST_P(ObjectSpaceTest, FindsByBoxAndMaskAndCollapsesOutsideBoxesOntoTheBorder) {
  space.init({0, 0, 0}, {64 * 1024, 64 * 1024, 64 * 1024}, GetParam(), 10);
  Element border{1}, middle{2}, other{3};
  space.insert({0, 0, 0}, {512, 512, 512}, &border);
  space.setMask(1u << 24, &border);
  space.insert({30000, 30000, 30000}, {30100, 30100, 30100}, &middle);
  space.setMask(1u << 24, &middle);
  space.insert({0, 0, 0}, {512, 512, 512}, &other);
  space.setMask(1u << 25, &other);
  // A box far outside on every axis collapses onto the corner and finds the border element.
  EXPECT_EQ(ids(space.query({-9000, -9000, -9000}, {-8000, -8000, -8000}, 1u << 24)),
            std::vector<int>{1});
  EXPECT_EQ(ids(space.query({0, 0, 0}, {100, 100, 100}, 1u << 25)), std::vector<int>{3});
  // Moving an element re-files it; removing it leaves it out.
  space.insert({0, 0, 0}, {100, 100, 100}, &middle);
  EXPECT_EQ(ids(space.query({0, 0, 0}, {100, 100, 100}, 1u << 24)), (std::vector<int>{1, 2}));
  space.remove(&middle);
  EXPECT_EQ(ids(space.query({0, 0, 0}, {100, 100, 100}, 1u << 24)), std::vector<int>{1});
}

INSTANTIATE_TEST_SUITE_P(Modes, ObjectSpaceTest, ::testing::Values(0u, 1u));

TEST(ObjectSpaceInert, OtherModesDoNothing) {
  ombCoreInit();
  vell::ObjectSpace space(offsetof(Element, link));
  for (uint32_t mode : {2u, 7u}) {
    space.init({0, 0, 0}, {1024, 1024, 1024}, mode, 5);
    Element e{1};
    e.link.mask = 5;
    space.insert({0, 0, 0}, {10, 10, 10}, &e);
    space.setMask(0xFF, &e);
    EXPECT_EQ(e.link.cell, nullptr);
    EXPECT_EQ(e.link.mask, 5u);
    EXPECT_EQ(space.query({0, 0, 0}, {1024, 1024, 1024}, ~0u).count, 0u);
  }
  // Teardown leaves mode 2 and an empty answer even after a live tree held elements.
  space.init({0, 0, 0}, {1024, 1024, 1024}, 0, 5);
  Element e{1};
  space.insert({0, 0, 0}, {10, 10, 10}, &e);
  space.setMask(1, &e);
  EXPECT_EQ(space.query({0, 0, 0}, {10, 10, 10}, 1).count, 1u);
  space.teardown();
  EXPECT_EQ(space.mode(), vell::kSpaceNone);
  EXPECT_EQ(space.query({0, 0, 0}, {10, 10, 10}, 1).count, 0u);
}

}  // namespace
