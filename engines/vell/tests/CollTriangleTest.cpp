#include "engines/vell/CollTriangle.h"

#include "foundation/omb/ombCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>

namespace {

using vell::CollTriangle;

FixedVec3 fx(float x, float y, float z) { return vec3ToFixed(x, y, z); }

// A floor triangle facing +Y over (0,0)-(1,0)-(0,1) on x/z.
CollTriangle floorTriangle(int set = vell::kSetLand, vell::MapGroup* group = nullptr) {
  CollTriangle t;
  t.set = set;
  t.p0 = fx(0, 0, 0);
  t.p1 = fx(0, 0, 1);
  t.p2 = fx(1, 0, 0);
  t.group = group;
  t.setup();
  return t;
}

TEST(CollTriangle, MaskFollowsSetAndGroupFlags) {
  const struct {
    int set;
    bool grouped;
    uint32_t flags;
    uint32_t mask;
  } cases[] = {
      {vell::kSetLand, false, 0, 1 | 8},
      {vell::kSetWall, false, 0, 2 | 8},
      {vell::kSetCeiling, false, 0, 4 | 8},
      {vell::kSetLand, true, 1, 8},       // out of its set's mask, bullets still hit it
      {vell::kSetWall, true, 2, 2},       // out of the bullet mask only
      {vell::kSetCeiling, true, 3, 0},    // out of both
      {vell::kSetWall, true, 0x80000000u, 2 | 8},
      {vell::kSetSpare, false, 0, 0},
      {7, false, 0, 0},
  };
  for (const auto& c : cases) {
    vell::MapGroup group;
    group.flags = c.flags;
    const CollTriangle t = floorTriangle(c.set, c.grouped ? &group : nullptr);
    EXPECT_EQ(t.entry.mask, c.mask) << "set " << c.set << " flags " << c.flags;
    EXPECT_EQ(t.groupFlags, c.grouped ? c.flags : 0u);
  }
}

TEST(CollTriangle, SetupDerivesFrameAndWindows) {
  const CollTriangle t = floorTriangle();
  EXPECT_FLOAT_EQ(t.normal.y, 1.0f);
  EXPECT_FLOAT_EQ(t.len0, 1.0f);
  // Vertex 2 lies on the inner side of edge 0.
  EXPECT_LT(t.y2, 0.0f);
  // A unit edge accepts projections from -0.1025 to 1.1025 of its length.
  EXPECT_NEAR(t.lo0, -0.1025f, 1e-6f);
  EXPECT_NEAR(t.hi0, 1.1025f, 1e-6f);
  // Outward edge normals point away from the opposite vertex.
  const vell::Vec3f inside{0.25f, 0.0f, 0.25f};
  EXPECT_TRUE(t.contains(inside));
  EXPECT_FALSE(t.contains({-0.1f, 0.0f, 0.5f}));
  EXPECT_FALSE(t.contains({0.6f, 0.0f, 0.6f}));
  // On an edge, within the tolerance.
  EXPECT_TRUE(t.contains({0.5f, 0.0f, 0.5f}));
  EXPECT_TRUE(t.contains({0.0f, 0.0f, 0.5f}));
}

TEST(CollTriangle, DegenerateTriangleGetsZeroNormalsAndNeverHits) {
  CollTriangle t;
  t.set = vell::kSetLand;
  t.p0 = fx(0, 0, 0);
  t.p1 = fx(1, 0, 0);
  t.p2 = fx(2, 0, 0);
  t.setup();
  for (const vell::Vec3f& v : {t.normal, t.en0, t.en1, t.en2}) {
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, 0.0f);
  }
  EXPECT_FALSE(std::isnan(t.m1x) || std::isnan(t.m2x));
  FixedVec3 hit{};
  EXPECT_FALSE(t.intersectSegment(fx(1, 1, 0), fx(1, -1, 0), hit));
}

TEST(CollTriangle, SegmentTests) {
  const CollTriangle t = floorTriangle();
  const struct {
    const char* name;
    FixedVec3 start, end;
    bool hit;
    FixedVec3 at;
  } cases[] = {
      {"down through", fx(0.25f, 1, 0.25f), fx(0.25f, -1, 0.25f), true, fx(0.25f, 0, 0.25f)},
      {"up through (both faces)", fx(0.25f, -1, 0.25f), fx(0.25f, 1, 0.25f), true,
       fx(0.25f, 0, 0.25f)},
      {"stops short", fx(0.25f, 2, 0.25f), fx(0.25f, 1, 0.25f), false, {}},
      {"ends on the surface", fx(0.25f, 1, 0.25f), fx(0.25f, 0, 0.25f), true,
       fx(0.25f, 0, 0.25f)},
      {"ends on an edge", fx(0.5f, 1, 0.5f), fx(0.5f, 0, 0.5f), true, fx(0.5f, 0, 0.5f)},
      {"misses beside", fx(0.9f, 1, 0.9f), fx(0.9f, -1, 0.9f), false, {}},
      {"parallel", fx(0.2f, 0, 0.2f), fx(0.3f, 0, 0.2f), false, {}},
  };
  for (const auto& c : cases) {
    FixedVec3 out{};
    EXPECT_EQ(t.intersectSegment(c.start, c.end, out), c.hit) << c.name;
    if (c.hit) {
      EXPECT_EQ(out.x, c.at.x) << c.name;
      EXPECT_EQ(out.y, c.at.y) << c.name;
      EXPECT_EQ(out.z, c.at.z) << c.name;
    }
  }
}

TEST(CollTriangle, TouchesSphereInsideWindowsAndNearVertices) {
  const CollTriangle t = floorTriangle();
  const struct {
    const char* name;
    vell::Vec3f p;
    float r;
    bool touches;
  } cases[] = {
      {"over the face", {0.25f, 0, 0.25f}, 0.1f, true},
      {"outside edge 0 within reach", {-0.05f, 0, 0.5f}, 0.1f, true},
      {"outside edge 0 beyond reach", {-0.2f, 0, 0.5f}, 0.1f, false},
      // The widened windows accept the square corner beside vertex 0 (0.127 away)...
      {"corner square of vertex 0", {-0.09f, 0, -0.09f}, 0.1f, true},
      // ...and past the windows only the distance to the vertex counts.
      {"past the windows", {-0.12f, 0, -0.12f}, 0.1f, false},
      {"past the windows, near vertex", {-0.12f, 0, -0.12f}, 0.2f, true},
      // 0.141 from the hypotenuse.
      {"outside edge 1 beyond reach", {0.6f, 0, 0.6f}, 0.1f, false},
      {"outside edge 1 within reach", {0.6f, 0, 0.6f}, 0.15f, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(t.touchesSphere(c.p, c.r + 0.00001f, c.r * c.r + 0.00001f), c.touches) << c.name;
  }
}

TEST(CollTree, InsertsOnceAndRemoves) {
  ombCoreInit();
  OMB_QUADTREE quad{};
  ombQuadTreeInit(&quad, 4, offsetof(CollTriangle, entry), {0, 0}, {4096, 4096});
  OMB_ARRAY results{};
  ombArrayInit(&results, sizeof(void*), 1024);
  vell::CollTree tree;
  tree.quadtree = &quad;
  tree.results = &results;
  CollTriangle t = floorTriangle();
  tree.insert(&t);
  tree.insert(&t);
  EXPECT_EQ(tree.query({0, 0, 0}, {4096, 0, 4096}, vell::kMaskLand), 1u);
  EXPECT_EQ(tree.result(0), &t);
  EXPECT_EQ(tree.query({0, 0, 0}, {4096, 0, 4096}, vell::kMaskWall), 0u);
  tree.remove(&t);
  EXPECT_EQ(t.state & vell::kTriangleFlagInTree, 0u);
  EXPECT_EQ(tree.query({0, 0, 0}, {4096, 0, 4096}, vell::kMaskLand), 0u);
  ombQuadTreeUninit(&quad);
  ombArrayUninit(&results);
}

}  // namespace
