#include "engines/vell/AirMove.h"

#include "engines/vell/FieldMath.h"
#include "engines/vell/LandMove.h"
#include "engines/vell/Map.h"
#include "foundation/omb/ombCore.h"
#include "tools/mapwrite/MapWriter.h"

#include <gtest/gtest.h>

namespace {

using vell::AirMove;

FixedVec3 fx(float x, float y, float z) { return vec3ToFixed(x, y, z); }

// A floor with a ceiling slab 4 above it, and the same walled in.
constexpr const char* kCeiling = "grid 0 0 8 8 0 2\nceiling 0 0 8 8 4\n";
constexpr const char* kRoom = "grid 0 0 8 8 0 2\nceiling 0 0 8 8 4\nroom 0 0 8 8 0 5\n";
// A ceiling 1/1024 above the top of a mover of height 2 standing on the floor.
constexpr const char* kLow = "grid 0 0 8 8 0 2\nceiling 0 0 8 8 2.0009766\n";

class AirMoveTest : public ::testing::Test {
 protected:
  AirMoveTest() { ombCoreInit(); }
  void load(const char* description) {
    map.build(mapwrite::mapFromDescription(description), nullptr);
  }
  // A mover of radius 0.5 and height 2.
  AirMove request(const FixedVec3& from, float rise, float distance, float degrees) {
    AirMove m;
    m.radius = 512;
    m.height = 2048;
    m.startPosition = from;
    m.rise = floatToFixed(rise);
    m.distance = floatToFixed(distance);
    m.angle = degreesToAngle(degrees);
    return m;
  }
  AirMove fly(AirMove m) {
    vell::moveObjectAir(map, m);
    return m;
  }
  vell::Map map;
};

TEST_F(AirMoveTest, VerticalMovesMeetCeilingsAndFloors) {
  load(kCeiling);
  // Rising 3 puts the top at 5: the mover stops with its top at the ceiling.
  AirMove up = fly(request(fx(4.1f, 0, 4.1f), 3, 0, 0));
  EXPECT_EQ(up.resultFlags, vell::kAirCeiling);
  EXPECT_EQ(up.resultTriangle, nullptr);
  EXPECT_TRUE(vell::vec3iEqual(up.endPosition, fx(4.1f, 2, 4.1f)));
  EXPECT_NEAR(up.reflect.y, -1.0f, 1e-6f);

  AirMove free = fly(request(fx(4.1f, 0, 4.1f), 1, 0, 0));
  EXPECT_EQ(free.resultFlags, 0u);
  EXPECT_EQ(free.resultTriangle, nullptr);
  EXPECT_TRUE(vell::vec3iEqual(free.endPosition, fx(4.1f, 1, 4.1f)));

  // Falling onto the floor lands on it.
  AirMove down = fly(request(fx(4.1f, 1.5f, 4.1f), -3, 0, 0));
  EXPECT_EQ(down.resultFlags, 0u);
  ASSERT_NE(down.resultTriangle, nullptr);
  EXPECT_EQ(down.resultTriangle->set, vell::kSetLand);
  EXPECT_TRUE(vell::vec3iEqual(down.endPosition, fx(4.1f, 0, 4.1f)));
}

// Leaving the land named by the hint: the move starts 5/1024 above the hint's plane, unless a
// ceiling is in the way, when the mover stays on the hint.
TEST_F(AirMoveTest, LandHintLiftsOffUnlessACeilingIsInTheWay) {
  const struct {
    const char* name;
    const char* map;
    float rise;
    bool stays;
    int32_t endY;
  } cases[] = {
      {"room above", kCeiling, 1, false, 5 + 1024},
      {"ceiling just above", kLow, 1, true, 0},
      {"falling keeps no hint", kCeiling, -1, false, 0},
  };
  for (const auto& c : cases) {
    load(c.map);
    AirMove m = request(fx(4.1f, 0, 4.1f), c.rise, 0, 0);
    m.landHint = vell::landAtPoint(map, m.startPosition);
    ASSERT_NE(m.landHint, nullptr) << c.name;
    m = fly(m);
    EXPECT_EQ(m.resultFlags, 0u) << c.name;
    if (c.stays) {
      EXPECT_EQ(m.resultTriangle, m.landHint) << c.name;
      EXPECT_TRUE(vell::vec3iEqual(m.endPosition, m.startPosition)) << c.name;
    } else {
      EXPECT_EQ(m.endPosition.y, c.endY) << c.name;
    }
  }
}

TEST_F(AirMoveTest, WallsStopOrDeflectTheStep) {
  load(kRoom);
  const struct {
    const char* name;
    float degrees;
    uint32_t options;
    uint32_t flags;
    float endZAtLeast, endZAtMost;
  } cases[] = {
      {"head-on", 90, 0, vell::kAirWall, 1.0f, 1.01f},
      {"head-on, slide 30", 90, vell::kAirOptionSlide, vell::kAirWall, 1.0f, 1.01f},
      {"60 degrees off, no slide", 30, 0, vell::kAirWall, 5.2f, 5.45f},
      {"60 degrees off, slide 30", 30, vell::kAirOptionSlide, 0, 5.9f, 6.4f},
  };
  for (const auto& c : cases) {
    AirMove m = request(fx(5, 1, 1), 0, 6, c.degrees);
    m.options = c.options;
    m.slideAngle = degreesToAngle(30);
    m = fly(m);
    EXPECT_EQ(m.resultFlags, c.flags) << c.name;
    // A slide leaves the wall a little: the push out of it is 0.03 or more.
    EXPECT_NEAR(fixedToFloat(m.endPosition.x), 7.45f, 0.06f) << c.name;
    EXPECT_EQ(m.endPosition.y, 1024) << c.name;
    EXPECT_GE(fixedToFloat(m.endPosition.z), c.endZAtLeast) << c.name;
    EXPECT_LE(fixedToFloat(m.endPosition.z), c.endZAtMost) << c.name;
  }
}

// Into a corner with sliding allowed: each contact deflects the step, at most three times, and
// the mover never leaves the room.
TEST_F(AirMoveTest, DeflectionsAreBoundedByTheBudget) {
  load(kRoom);
  vell::AirState state;
  state.position = fx(6, 1, 6);
  state.distance = floatToFixed(20);
  state.dir = {0.70710677f, 0.0f, 0.70710677f};
  vell::CollQuery query = map.makeQuery(512, 2048);
  query.slideLimit = 0;
  vell::moveAir(state, query, 3);
  EXPECT_LE(fixedToFloat(state.position.x), 7.5f + 0.001f);
  EXPECT_LE(fixedToFloat(state.position.z), 7.5f + 0.001f);
  EXPECT_GT(fixedToFloat(state.position.x), 7.0f);
  EXPECT_GT(fixedToFloat(state.position.z), 7.0f);
  EXPECT_EQ(state.flags, 0u);
}

}  // namespace
