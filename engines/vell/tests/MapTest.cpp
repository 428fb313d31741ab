#include "engines/vell/Map.h"

#include "foundation/lerr/LExceptGame.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/omb/ombCore.h"
#include "testsupport/LerrCapture.h"
#include "testsupport/LogCapture.h"
#include "testsupport/TempDir.h"
#include "tools/mapwrite/MapWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>

namespace {

using vell::CollTriangle;
using vell::Map;

FixedVec3 fx(float x, float y, float z) { return vec3ToFixed(x, y, z); }

struct SpaceElement {
  OMB_TREE_LINK link{};
};

class MapTest : public ::testing::Test {
 protected:
  MapTest() { ombCoreInit(); }
  void load(const std::string& description) {
    map.build(mapwrite::mapFromDescription(description), &space);
  }

  Map map;
  vell::ObjectSpace space{offsetof(SpaceElement, link)};
};

TEST_F(MapTest, EmptyMapKeepsSpareRecordsAndAnEmptyTree) {
  map.build(vell::MapFileData{}, &space);
  for (int s = 0; s < 3; ++s) {
    EXPECT_EQ(map.set(s).count, 0u);
    EXPECT_EQ(map.set(s).capacity, 200u);
    EXPECT_EQ(map.set(s).triangles[199].set, vell::kSetSpare);
    EXPECT_EQ(map.set(s).triangles[199].entry.mask, 0u);
  }
  EXPECT_EQ(map.nextGroupNumber(), 0);
  EXPECT_EQ(map.tree().query(map.boundsMin(), map.boundsMax(), ~0u), 0u);
  EXPECT_FALSE(map.findLand({0, 0, 0}));
}

TEST_F(MapTest, TreeKindsAndDepths) {
  const struct {
    const char* mesh;
    uint32_t kind;
    uint32_t depth;
    const char* spaceLine;
    uint32_t spaceMode;
  } cases[] = {
      {"mesh quad 3", vell::kTreeQuad, 10, "space quad 3", vell::kSpaceQuadtree},
      {"mesh oct 3", vell::kTreeOct, 7, "space oct 2", vell::kSpaceOctree},
      {"mesh 2 3", vell::kTreeQuad, 3, "space 2 5", vell::kSpaceNone},
      {"mesh 5 15", vell::kTreeQuad, 10, "space 9 5", 9},
  };
  for (const auto& c : cases) {
    load(std::string(c.mesh) + "\n" + c.spaceLine + "\ngrid 0 0 8 8 0 2\n");
    EXPECT_EQ(map.tree().kind, c.kind) << c.mesh;
    EXPECT_EQ(map.treeDepth(), c.depth) << c.mesh;
    EXPECT_EQ(space.mode(), c.spaceMode) << c.spaceLine;
    // Whatever the tree, the land is found.
    EXPECT_TRUE(map.findGround(fx(3, 1, 3))) << c.mesh;
  }
}

TEST_F(MapTest, ResolvesLinksCornersGroupsAndGroupNumbers) {
  load(R"(
group a 0
group b 0
grid 0 0 4 4 0 1 group 1 5
room 0 0 4 4 0 2 group 0 9
)");
  const CollTriangle* land = map.set(vell::kSetLand).triangles.get();
  // The two floor triangles (a, c, b) and (a, d, c) share the edge a-c: edge 0 of the first,
  // edge 2 of the second; their other edges lie on the map's border.
  EXPECT_EQ(land[0].link0, &land[1]);
  EXPECT_EQ(land[0].link1, nullptr);
  EXPECT_EQ(land[1].link2, &land[0]);
  EXPECT_EQ(land[0].corner0[0], &land[1]);
  EXPECT_EQ(land[0].corner0[1], nullptr);
  EXPECT_EQ(land[0].group, &map.groups()[1]);
  EXPECT_EQ(land[0].groupNumber, 5);
  EXPECT_EQ(map.nextGroupNumber(), 10);
  // Every file triangle is in the tree, spares are not.
  EXPECT_EQ(map.tree().query(map.boundsMin(), map.boundsMax(), ~0u), 10u);
  EXPECT_EQ(map.set(vell::kSetWall).triangles[8].state, 0u);
}

TEST_F(MapTest, FindLandAndGroundOnRamps) {
  load(R"(
ramp 30 0 0 10 4 0
ramp 60 0 6 10 10 0
bounds 0 -1 0 10 20 10
)");
  const float tan30 = 0.57735026f, tan60 = 1.7320508f;
  const struct {
    FixedVec3 p;
    float height;
  } cases[] = {
      {fx(2, 10, 2), 2 * tan30},
      {fx(8, 19, 1), 8 * tan30},
      {fx(2, 10, 8), 2 * tan60},
      {fx(5, 19, 9), 5 * tan60},
  };
  for (const auto& c : cases) {
    const auto ground = map.findGround(c.p);
    ASSERT_TRUE(ground);
    EXPECT_NEAR(ground->height, c.height * 1024, 2);
    const auto land = map.findLand(c.p);
    ASSERT_TRUE(land);
    EXPECT_EQ(land->point.y, ground->height);
    EXPECT_EQ(land->point.x, c.p.x);
    EXPECT_EQ(land->point.z, c.p.z);
  }
  // Between the ramps there is no land.
  EXPECT_FALSE(map.findGround(fx(5, 19, 5)));
  // Below the surface: land is still the nearest surface, ground finds nothing.
  EXPECT_TRUE(map.findLand(fx(8, 0, 9)));
  EXPECT_FALSE(map.findGround(fx(8, 0, 9)));
}

TEST_F(MapTest, BoundsAreInclusiveAndOutsideIsNothing) {
  load("grid 0 0 10 10 0 1\nbounds 0 0 0 10 5 10\n");
  EXPECT_TRUE(map.findLand(fx(10, 1, 10)));
  EXPECT_TRUE(map.findGround(fx(0, 1, 0)));
  EXPECT_FALSE(map.findLand({10 * 1024 + 1, 1024, 5 * 1024}));
  EXPECT_FALSE(map.findGround({5 * 1024, 1024, -1}));
  // Below the map's lowest point the ground query gives up; just above it it still reaches.
  EXPECT_FALSE(map.findGround({5 * 1024, -1, 5 * 1024}));
  const auto ground = map.findGround({5 * 1024, 10, 5 * 1024});
  ASSERT_TRUE(ground);
  EXPECT_EQ(ground->height, 0);
}

TEST_F(MapTest, FlatMapLandQueryReachesAboveItsOwnHeight) {
  // A map 0 high: the land segment still runs 1024 up, so a point above finds the floor.
  load("mesh oct 7\ngrid 0 0 10 10 0 2\n");
  const auto land = map.findLand(fx(3, 0.5f, 3));
  ASSERT_TRUE(land);
  EXPECT_EQ(land->point.y, 0);
}

TEST_F(MapTest, TiesAndNearestSurfaces) {
  // Two floors 3 below and 3 above P; land takes the first the tree yields, ground the lower.
  for (const char* order : {"grid 0 0 10 10 0 1\ngrid 0 0 10 10 6 1\n",
                            "grid 0 0 10 10 6 1\ngrid 0 0 10 10 0 1\n"}) {
    load(order);
    const FixedVec3 p = fx(3, 3, 7);
    const auto land = map.findLand(p);
    const auto ground = map.findGround(p);
    ASSERT_TRUE(land && ground);
    EXPECT_EQ(land->triangle, map.set(vell::kSetLand).triangles.get() + 1) << order;
    EXPECT_EQ(ground->height, 0);
    // Closer to the upper floor, land takes it whatever the order.
    EXPECT_EQ(map.findLand(fx(3, 5, 7))->point.y, 6 * 1024);
  }
}

TEST_F(MapTest, TriangleEventsFollowTheCache) {
  load(R"(
event 10 1
event 11 1
event 12 2 x
group g 0 0 2
group quiet 0
grid 0 0 4 4 0 1 group 0 1
grid 4 0 8 4 0 1 group 1 2
)");
  const CollTriangle& t = map.set(vell::kSetLand).triangles[0];
  const CollTriangle& quiet = map.set(vell::kSetLand).triangles[2];
  EXPECT_EQ(Map::getTriangleEvent(t, 0)->no, 10);
  EXPECT_EQ(Map::getTriangleEvent(t, 1)->no, 12);
  EXPECT_EQ(Map::getTriangleEvent(t, 2), nullptr);
  EXPECT_EQ(Map::getTriangleEvent(quiet, 0), nullptr);
  // Disabled events are skipped at once.
  map.setEventEnable(0, false);
  EXPECT_EQ(Map::getTriangleEvent(t, 0)->no, 12);
  map.setEventEnable(2, false);
  map.updateCache();
  EXPECT_EQ(map.groups()[0].flags & vell::kGroupHasEnabledEvent, 0u);
  EXPECT_EQ(Map::getTriangleEvent(t, 0), nullptr);
  // Enabling again shows only after the cache is refreshed.
  map.setEventEnable(2, true);
  EXPECT_EQ(Map::getTriangleEvent(t, 0), nullptr);
  map.updateCache();
  EXPECT_EQ(Map::getTriangleEvent(t, 0)->no, 12);
  EXPECT_EQ(map.getEvent(1)->no, 11);
  EXPECT_EQ(map.getEvent(3), nullptr);
  map.setEventEnable(99, false);  // past the events: ignored
}

TEST_F(MapTest, LoadsFromDiskAndReportsBrokenFiles) {
  TempDir dir;
  std::vector<uint8_t> bytes =
      mapwrite::writeMapData(mapwrite::mapFromDescription("grid 0 0 4 4 0 1\n"));
  dir.Write("field.caym", bytes);
  const std::u16string folder = [&] {
    std::u16string s;
    for (char c : dir.path().string() + "/") s.push_back(static_cast<unsigned char>(c));
    return s;
  }();
  map.loadData(folder.c_str(), u"field", &space);
  EXPECT_EQ(map.set(vell::kSetLand).count, 2u);

  LerrCapture lerr;
  bytes[7] = 1;
  dir.Write("broken.caym", bytes);
  EXPECT_EQ(lerr.FatalText([&] { map.loadData(folder.c_str(), u"broken", &space); }),
            u"Error: [vell::Map::loadData] Version error");

  LogCapture log;
  EXPECT_THROW(map.loadData(folder.c_str(), u"missing", &space), LExceptGame);
  ASSERT_FALSE(LogCapture::messages().empty());
  EXPECT_EQ(LogCapture::messages().back().text,
            u"Error: [File::create] \"" + folder + u"missing.caym\"を開けません。");
}

}  // namespace
