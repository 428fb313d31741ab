// Sphere sets: the bound decides first, then the member spheres; touching counts.

#include "engines/rond/SphereSet.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

using rond::Sphere;
using rond::SphereSet;

SphereSet makeSet(FixedVec3 centre, int32_t radius, std::initializer_list<Sphere> spheres) {
  SphereSet set;
  set.clear(centre);
  for (const Sphere& s : spheres) set.append(s);
  set.centre = centre;
  set.radius = radius;
  return set;
}

TEST(SphereSet, OverlapTable) {
  struct Case {
    const char* name;
    SphereSet a, b;
    bool overlap;
  } cases[] = {
      {"members touching exactly",
       makeSet({0, 0, 0}, 1024, {{0, 0, 0, 512}}), makeSet({1024, 0, 0}, 1024, {{1024, 0, 0, 512}}),
       true},
      {"members apart by one unit",
       makeSet({0, 0, 0}, 1024, {{0, 0, 0, 512}}), makeSet({1025, 0, 0}, 1024, {{1025, 0, 0, 512}}),
       false},
      {"bounds touch, members do not",
       makeSet({0, 0, 0}, 1024, {{-512, 0, 0, 256}}),
       makeSet({0, 2048, 0}, 1024, {{0, 2560, 0, 256}}), false},
      {"members would meet but the bounds are apart",
       makeSet({0, 0, 0}, 100, {{0, 0, 5000, 512}}), makeSet({0, 0, 5000}, 100, {{0, 0, 5000, 512}}),
       false},
      {"a later pair meets", makeSet({0, 0, 0}, 4096, {{-3000, 0, 0, 100}, {0, 0, 0, 300}}),
       makeSet({0, 0, 0}, 4096, {{3000, 0, 0, 100}, {0, 600, 0, 300}}), true},
      {"an empty set never overlaps", makeSet({0, 0, 0}, 1024, {}),
       makeSet({0, 0, 0}, 1024, {{0, 0, 0, 512}}), false},
      {"two empty sets", makeSet({0, 0, 0}, 1024, {}), makeSet({0, 0, 0}, 1024, {}), false},
      {"diagonal, in three axes", makeSet({0, 0, 0}, 2048, {{0, 0, 0, 1024}}),
       makeSet({1024, 1024, 1024}, 2048, {{1024, 1024, 1024, 1024}}), true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rond::overlaps(c.a, c.b), c.overlap) << c.name;
    EXPECT_EQ(rond::overlaps(c.b, c.a), c.overlap) << c.name << " (swapped)";
  }
}

TEST(SphereSet, CollectingKeepsTheStorageAndGrowsBySixteen) {
  SphereSet set;
  for (int i = 0; i < 17; ++i) set.append({i, 0, 0, 1});
  EXPECT_EQ(set.count, 17u);
  EXPECT_EQ(set.items.size(), 32u);
  const Sphere* storage = set.items.data();
  // A frame without an instance resets the set to the position, keeping the storage.
  set.radius = 99;
  set.collect(nullptr, 3, {5, 6, 7});
  EXPECT_EQ(set.count, 0u);
  EXPECT_EQ(set.radius, 0);
  EXPECT_EQ(set.centre.y, 6);
  for (int i = 0; i < 20; ++i) set.append({i, 0, 0, 1});
  EXPECT_EQ(set.items.data(), storage);
  EXPECT_EQ(set.items[19].x, 19);
}

}  // namespace
