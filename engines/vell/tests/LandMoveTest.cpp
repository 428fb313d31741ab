#include "engines/vell/LandMove.h"

#include "engines/vell/FieldMath.h"
#include "engines/vell/Map.h"
#include "foundation/omb/ombCore.h"
#include "tools/mapwrite/MapWriter.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>

namespace {

using vell::LandMove;

FixedVec3 fx(float x, float y, float z) { return vec3ToFixed(x, y, z); }

// An open 8 x 8 floor of 2-unit cells.
constexpr const char* kOpen = "grid 0 0 8 8 0 4\n";
// The same floor walled in, walls 5 high facing inwards.
constexpr const char* kRoom = "grid 0 0 8 8 0 4\nroom 0 0 8 8 0 5\n";
// A flat square and, across its x = 4 edge, a 60-degree ramp rising towards +x.
constexpr const char* kSlope = "grid 0 0 4 4 0 1\nramp 60 4 0 6 4 0\n";

class LandMoveTest : public ::testing::Test {
 protected:
  LandMoveTest() { ombCoreInit(); }

  void load(const char* description) {
    map.build(mapwrite::mapFromDescription(description), &space);
  }

  // A mover of radius 0.5 and height 2 on the land at `from`.
  LandMove request(const FixedVec3& from, float degrees, float distance) {
    LandMove m;
    m.startTriangle = vell::landPlacement(map, from).triangle;
    m.startPosition = vell::landPlacement(map, from).point;
    m.radius = 512;
    m.height = 2048;
    m.distance = floatToFixed(distance);
    m.angle = degreesToAngle(degrees);
    return m;
  }
  LandMove walk(LandMove m) {
    vell::moveObjectLand(map, &space, m);
    return m;
  }
  // The same request frame after frame, each starting where the last ended, as an object in
  // land-move mode walks; the last frame's record comes back.
  LandMove walkFrames(LandMove m, int frames) {
    for (int i = 0; i < frames; ++i) {
      if (i > 0) {
        m.startTriangle = m.endTriangle;
        m.startPosition = m.endPosition;
      }
      vell::moveObjectLand(map, &space, m);
    }
    return m;
  }
  void place(vell::SpaceItem& item, const FixedVec3& at) {
    item.position = at;
    item.radius = 512;
    item.top = 2048;
    item.bottom = 0;
    space.insert({at.x - 512, at.y, at.z - 512}, {at.x + 512, at.y + 2048, at.z + 512}, &item);
    space.setMask(vell::kSpaceMaskOnLand, &item);
  }

  vell::ObjectSpace space{offsetof(vell::SpaceItem, link)};
  vell::Map map;
};

// A step that leaves a triangle ends on the crossed edge at the end point's projection, so a
// path that crosses edges at a slant drifts along them a little: `slack` (units) allows for it.
TEST_F(LandMoveTest, WalksOverLinkedTrianglesAndStopsAtAnOpenEdge) {
  load(kOpen);
  const struct {
    const char* name;
    FixedVec3 from;
    float degrees, perFrame;
    int frames;
    FixedVec3 end;
    float slack;
    uint32_t flags;
  } cases[] = {
      {"across two cells", fx(3.1f, 0, 3.3f), 90, 0.2f, 20, fx(7.1f, 0, 3.3f), 0.01f, 0},
      {"through the grid's vertices", fx(1, 0, 1), 45, 0.25f, 20,
       fx(4.5355339f, 0, 4.5355339f), 0.01f, 0},
      {"over the open edge", fx(3.1f, 0, 3.3f), 90, 0.2f, 30, fx(8, 0, 3.3f), 0.1f,
       vell::kWalkStopped},
      {"back over the open edge", fx(3.1f, 0, 3.3f), 180, 0.2f, 30, fx(3.1f, 0, 0), 0.1f,
       vell::kWalkStopped},
      {"no distance", fx(3.1f, 0, 3.3f), 90, 0, 1, fx(3.1f, 0, 3.3f), 0, 0},
  };
  for (const auto& c : cases) {
    const LandMove m = walkFrames(request(c.from, c.degrees, c.perFrame), c.frames);
    EXPECT_EQ(m.resultFlags, c.flags) << c.name;
    EXPECT_NEAR(m.endPosition.x, c.end.x, 1 + c.slack * 1024) << c.name;
    EXPECT_EQ(m.endPosition.y, 0) << c.name;
    EXPECT_NEAR(m.endPosition.z, c.end.z, 1 + c.slack * 1024) << c.name;
    if (c.flags & vell::kWalkStopped) {
      // Stopped on the open edge itself.
      EXPECT_TRUE(m.endPosition.x == 8192 || m.endPosition.z == 0) << c.name;
    }
    // The walker ends on the triangle under its end point.
    ASSERT_NE(m.endTriangle, nullptr) << c.name;
    EXPECT_TRUE(m.endTriangle->contains({fixedToFloat(m.endPosition.x), 0.0f,
                                         fixedToFloat(m.endPosition.z)}))
        << c.name;
  }
}

// Into the wall at x = 8 (the mover stops one radius before it): head-on contacts and those
// within the slide angle block; a glancing one slides along the wall with what is left.
TEST_F(LandMoveTest, WallsBlockOrSlideByTheSlideAngle) {
  load(kRoom);
  const int32_t thirty = degreesToAngle(30);
  const struct {
    const char* name;
    float degrees;  // heading: 90 is +x, head-on into the wall
    uint32_t options;
    float endZAtLeast, endZAtMost;
    uint32_t flags;
  } cases[] = {
      {"head-on, no slide", 90, 0, 1.0f, 1.01f, vell::kWalkBlocked},
      {"head-on, slide 30", 90, vell::kLandOptionSlide, 1.0f, 1.01f, vell::kWalkBlocked},
      {"20 degrees off, slide 30", 70, vell::kLandOptionSlide, 1.85f, 2.0f, vell::kWalkBlocked},
      {"60 degrees off, no slide", 30, 0, 5.2f, 5.45f, vell::kWalkBlocked},
      {"60 degrees off, slide 30", 30, vell::kLandOptionSlide, 5.9f, 6.4f, 0},
  };
  for (const auto& c : cases) {
    LandMove m = request(fx(5, 0, 1), c.degrees, 0.25f);
    m.options = c.options;
    m.slideAngle = thirty;
    m = walkFrames(m, 24);
    EXPECT_EQ(m.resultFlags, c.flags) << c.name;
    EXPECT_NEAR(fixedToFloat(m.endPosition.x), 7.45f, 0.06f) << c.name;
    EXPECT_EQ(m.endPosition.y, 0) << c.name;
    EXPECT_GE(fixedToFloat(m.endPosition.z), c.endZAtLeast) << c.name;
    EXPECT_LE(fixedToFloat(m.endPosition.z), c.endZAtMost) << c.name;
    if (c.flags & vell::kWalkBlocked) {
      // The contact's reflection: the heading mirrored off the wall.
      EXPECT_LT(m.reflect.x, 0.0f) << c.name;
    }
  }
}

TEST_F(LandMoveTest, AnotherObjectBlocksLikeAHeadOnWall) {
  load(kOpen);
  vell::SpaceItem ahead, beside, self;
  place(ahead, fx(6, 0, 3.3f));
  place(beside, fx(6, 0, 1.5f));
  place(self, fx(3.2f, 0, 3.3f));
  const struct {
    const char* name;
    const vell::SpaceItem* self;
    float endX;
    uint32_t flags;
  } cases[] = {
      // Both radii apart: 1 unit before the other's centre, even with the slide option.
      {"the one ahead", &self, 5.0f, vell::kWalkBlocked},
      // An item overlapping the start that is not the mover's own stops it at once.
      {"its own item unnamed", nullptr, 3.1f, vell::kWalkBlocked},
  };
  for (const auto& c : cases) {
    LandMove m = request(fx(3.1f, 0, 3.3f), 90, 0.2f);
    m.self = c.self;
    m.options = vell::kLandOptionSlide;
    m.slideAngle = degreesToAngle(30);
    m = walkFrames(m, 20);
    EXPECT_EQ(m.resultFlags, c.flags) << c.name;
    EXPECT_NEAR(fixedToFloat(m.endPosition.x), c.endX, 0.002f) << c.name;
    EXPECT_EQ(m.endPosition.z, fx(0, 0, 3.3f).z) << c.name;
  }
  // Out of the way (the one beside is 1.8 off the path), the walk goes by.
  space.remove(&ahead);
  LandMove m = request(fx(3.1f, 0, 3.3f), 90, 0.2f);
  m.self = &self;
  m = walkFrames(m, 20);
  EXPECT_EQ(m.resultFlags, 0u);
  EXPECT_NEAR(fixedToFloat(m.endPosition.x), 7.1f, 0.006f);
}

TEST_F(LandMoveTest, SlipperyGroundIsABoundaryBothWays) {
  load(kSlope);
  const int32_t slip = degreesToAngle(45);
  const float ramp = 1.7320508f;  // rise per unit
  // Distances below 1 are walked for 20 frames, the others in one.
  const struct {
    const char* name;
    FixedVec3 from;
    float degrees, distance, fall;
    uint32_t options;
    float endX, endY;
    bool endOnRamp;
    uint32_t flags;
  } cases[] = {
      // Walking stops on the edge, with the steep triangle as its triangle.
      {"walk up, slip 45", fx(2, 0, 1.3f), 90, 0.25f, 0, vell::kLandOptionSlip, 4, 0, true,
       vell::kWalkOnSlip},
      // Without the slip option the ramp is walked: 2 flat, then 3 along the slope.
      {"walk up, no slip", fx(2, 0, 1.3f), 90, 0.25f, 0, 0, 5.5f, 1.5f * ramp, true, 0},
      // Slipping down stops where ordinary ground begins.
      {"slip down", fx(5, ramp, 1.3f), 0, 5, 10, vell::kLandOptionSlip, 4, 0, false, 0},
      // No fall budget: no move at all.
      {"slip without a fall", fx(5, ramp, 1.3f), 0, 5, 0, vell::kLandOptionSlip, 5, ramp, true,
       vell::kWalkOnSlip},
      // A budget of 0.5 drops 0.5 and covers 0.5 / tan 60 horizontally.
      {"slip with a short fall", fx(5.5f, 1.5f * ramp, 1.3f), 0, 5, 0.5f,
       vell::kLandOptionSlip, 5.5f - 0.28867513f, 1.5f * ramp - 0.5f, true, vell::kWalkOnSlip},
  };
  for (const auto& c : cases) {
    LandMove m = request(c.from, c.degrees, c.distance);
    m.options = c.options;
    m.slipAngle = slip;
    m.slipFall = floatToFixed(c.fall);
    m = c.distance < 1 ? walkFrames(m, 20) : walk(m);
    EXPECT_EQ(m.resultFlags, c.flags) << c.name;
    // Crossing the ramp's edges at a slant loses a little distance (see above).
    EXPECT_NEAR(fixedToFloat(m.endPosition.x), c.endX, 0.03f) << c.name;
    EXPECT_NEAR(fixedToFloat(m.endPosition.y), c.endY, 0.03f) << c.name;
    ASSERT_NE(m.endTriangle, nullptr) << c.name;
    EXPECT_EQ(m.endTriangle->slope > 0, c.endOnRamp) << c.name;
  }
}

// The slip step with no fall budget stands still but uses the whole distance up, so the caller
// stops calling.
TEST_F(LandMoveTest, SlipWithoutFallUsesTheDistanceUp) {
  load(kSlope);
  const vell::LandHit at = vell::landPlacement(map, fx(5, 2, 1.3f));
  ASSERT_NE(at.triangle, nullptr);
  LandMove m = request(at.point, 0, 2);
  m.options = vell::kLandOptionSlip;
  m.slipAngle = degreesToAngle(45);
  vell::LandQuery query;
  vell::LandQuery::init(query, m, &space, map.boundsMin(), map.boundsMax(), &map.tree(),
                        &map.tree().pushCounter);
  ASSERT_TRUE(query.startsOnSlip);
  vell::WalkState state;
  state.triangle = at.triangle;
  state.position = at.point;
  state.remaining = 2048;
  vell::WalkStrategy strategy;
  strategy.resetVisited(state.triangle);
  strategy.useSlip();
  vell::walkLand(query, state, strategy, 3);
  EXPECT_LE(state.remaining, 0);
  EXPECT_TRUE(vell::vec3iEqual(state.position, at.point));
  EXPECT_EQ(state.flags, 0u);
}

TEST_F(LandMoveTest, PlacementOnLand) {
  load(kOpen);
  // Exactly on the floor the point counts as on the land; 1/1024 above it does not.
  EXPECT_NE(vell::landAtPoint(map, {2048, 0, 2048}), nullptr);
  EXPECT_EQ(vell::landAtPoint(map, {2048, 1, 2048}), nullptr);
  EXPECT_EQ(vell::landAtPoint(map, {2048, -1, 2048}), nullptr);
  // Placing on land drops the point onto the floor; where there is no land the requested point
  // is kept.
  const vell::LandHit on = vell::landPlacement(map, {2048, 700, 2048});
  EXPECT_NE(on.triangle, nullptr);
  EXPECT_TRUE(vell::vec3iEqual(on.point, {2048, 0, 2048}));
  const vell::LandHit off = vell::landPlacement(map, {20480, 700, 2048});
  EXPECT_EQ(off.triangle, nullptr);
  EXPECT_TRUE(vell::vec3iEqual(off.point, {20480, 700, 2048}));
}

TEST_F(LandMoveTest, AMoverWithoutLandStays) {
  load(kOpen);
  LandMove m = request(fx(3, 0, 3), 90, 2);
  m.startTriangle = nullptr;
  m = walk(m);
  EXPECT_EQ(m.endTriangle, nullptr);
  EXPECT_TRUE(vell::vec3iEqual(m.endPosition, fx(3, 0, 3)));
  EXPECT_EQ(m.resultFlags, vell::kWalkStopped);
}

}  // namespace
