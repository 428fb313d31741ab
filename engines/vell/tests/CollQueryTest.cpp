#include "engines/vell/FieldMath.h"
#include "engines/vell/Map.h"
#include "foundation/omb/ombCore.h"
#include "tools/mapwrite/MapWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <set>
#include <string>

namespace {

using vell::CollTriangle;

FixedVec3 fx(float x, float y, float z) { return vec3ToFixed(x, y, z); }

class CollQueryTest : public ::testing::Test {
 protected:
  CollQueryTest() { ombCoreInit(); }
  void load(const char* description) { map.build(mapwrite::mapFromDescription(description), nullptr); }

  struct Sweep {
    int code;
    FixedVec3 position, move;
    float angle;
    vell::Vec3f reflect;
  };
  Sweep sweep(const FixedVec3& start, const FixedVec3& end, float radius, vell::Vec3f facing) {
    Sweep s{};
    s.code = map.tree().sweepSphere(map.boundsMin(), map.boundsMax(), map.tree().pushCounter,
                                    start, end, floatToFixed(radius), facing, 1024, s.position,
                                    s.move, s.angle, s.reflect);
    return s;
  }

  vell::Map map;
};

// A 10 x 10 room, walls 5 high facing inwards, a floor and a ceiling slab at 4.
constexpr const char* kRoom = R"(
grid 0 0 10 10 0 2
room 0 0 10 10 0 5
ceiling 0 0 10 10 4
)";

TEST_F(CollQueryTest, SweepPassesWhenNotApproachingAWallFront) {
  load(kRoom);
  const struct {
    const char* name;
    FixedVec3 start, end;
  } cases[] = {
      {"parallel to a wall", fx(9.6f, 0, 2), fx(9.6f, 0, 8)},
      {"away from a wall", fx(9, 0, 5), fx(5, 0, 5)},
      {"into the back of a wall", fx(12, 0, 5), fx(8, 0, 5)},
      {"through the open middle", fx(3, 0, 3), fx(7, 0, 7)},
  };
  for (const auto& c : cases) {
    const Sweep s = sweep(c.start, c.end, 0.5f, {1, 0, 0});
    EXPECT_EQ(s.code, 0) << c.name;
    EXPECT_TRUE(vell::vec3iEqual(s.position, c.end)) << c.name;
  }
}

TEST_F(CollQueryTest, HeadOnContactStopsAtTheWallAndSlides) {
  load(kRoom);
  const Sweep s = sweep(fx(5, 0, 5), fx(12, 0, 5), 0.5f, {1, 0, 0});
  ASSERT_EQ(s.code, 1);
  // The centre stops one radius before the wall at x = 10, at the unlifted height.
  EXPECT_NEAR(s.position.x, 9.5f * 1024, 2);
  EXPECT_EQ(s.position.y, 0);
  EXPECT_EQ(s.position.z, 5 * 1024);
  // The rest of the move is cancelled into the wall and stands off it by 0.03.
  EXPECT_NEAR(s.position.x + s.move.x, (9.5f - 0.03f) * 1024, 2);
  EXPECT_EQ(s.move.z, 0);
  EXPECT_FLOAT_EQ(s.angle, 0.0f);
  // Reflected move: (7, 0, 0) off a wall facing -x.
  EXPECT_FLOAT_EQ(s.reflect.x, -7.0f);
}

TEST_F(CollQueryTest, OutAngleFollowsTheFacing) {
  load(kRoom);
  const struct {
    const char* name;
    vell::Vec3f facing;
    float angle;
  } cases[] = {
      {"head-on", {1, 0, 0}, 0.0f},
      {"no horizontal part", {0, 1, 0}, 1.5707964f},
      {"grazing", {0, 0, 1}, 1.5707964f},
      {"facing away", {-3, 0, 0}, 3.1415927f},
      {"diagonal", {1, 0, 1}, 0.7853982f},
  };
  for (const auto& c : cases) {
    const Sweep s = sweep(fx(5, 0, 5), fx(12, 0, 5), 0.5f, c.facing);
    ASSERT_EQ(s.code, 1) << c.name;
    EXPECT_NEAR(s.angle, c.angle, 1e-5f) << c.name;
  }
}

TEST_F(CollQueryTest, PushOutGrowsOverFourContactsThenStartsAgain) {
  load(kRoom);
  const float expected[] = {0.03f, 0.036f, 0.042f, 0.048f, 0.03f, 0.036f};
  for (float push : expected) {
    const Sweep s = sweep(fx(5, 0, 5), fx(12, 0, 5), 0.5f, {1, 0, 0});
    ASSERT_EQ(s.code, 1);
    const int32_t rest = 12 * 1024 - s.position.x;
    // move = rest - (rest + push): only the stand-off is left.
    EXPECT_NEAR(-(s.move.x - rest) - rest, push * 1024, 1.01f) << push;
  }
}

TEST_F(CollQueryTest, StartingInACornerPushesOutAlongTheAverageNormal) {
  load(kRoom);
  const Sweep s = sweep(fx(0.3f, 0, 0.3f), fx(-0.7f, 0, -0.7f), 0.5f, {-1, 0, -1});
  ASSERT_EQ(s.code, 2);
  EXPECT_TRUE(vell::vec3iEqual(s.position, fx(0.3f, 0, 0.3f)));
  // (0.5, 0, 0.5) times the requested length sqrt 2.
  EXPECT_NEAR(s.move.x, 0.70710677f * 1024, 1);
  EXPECT_EQ(s.move.y, 0);
  EXPECT_NEAR(s.move.z, 0.70710677f * 1024, 1);
}

TEST_F(CollQueryTest, LandCast) {
  load(R"(
grid 0 0 10 10 0 2
grid 0 0 4 4 1 1
room 0 0 10 10 0 5
ceiling 0 0 10 10 4
)");
  vell::CollQuery q = map.makeQuery(0, 1024);
  const struct {
    const char* name;
    FixedVec3 start, end;
    bool hit;
    FixedVec3 point;
  } cases[] = {
      {"down onto the floor", fx(7, 2, 7), fx(7, -2, 7), true, fx(7, 0, 7)},
      {"nearest of two floors", fx(2, 3, 2), fx(2, -2, 2), true, fx(2, 1, 2)},
      {"starts on the floor", fx(7, 0, 7), fx(7, -2, 7), true, fx(7, 0, 7)},
      {"up through a floor (back face)", fx(7, -2, 7), fx(7, 2, 7), false, fx(7, 2, 7)},
      {"stops above", fx(7, 3, 7), fx(7, 0.5f, 7), false, fx(7, 0.5f, 7)},
      {"ends on a shared edge", fx(5, 2, 5), fx(5, 0, 5), true, fx(5, 0, 5)},
  };
  for (const auto& c : cases) {
    FixedVec3 out{};
    CollTriangle* t = vell::castLand(q, out, c.start, c.end);
    EXPECT_EQ(t != nullptr, c.hit) << c.name;
    if (t) {
      EXPECT_EQ(t->set, vell::kSetLand) << c.name;
    }
    EXPECT_TRUE(vell::vec3iEqual(out, c.point)) << c.name << " " << out.x << "," << out.y << ","
                                               << out.z;
  }
}

TEST_F(CollQueryTest, CeilingCastReportsTheMoversBase) {
  load(kRoom);
  vell::CollQuery q = map.makeQuery(0, 1024);
  FixedVec3 out{};
  CollTriangle* t = vell::castCeiling(fx(5, 4, 5), fx(5, 2, 5), q, out);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->set, vell::kSetCeiling);
  EXPECT_TRUE(vell::vec3iEqual(out, fx(5, 3, 5)));
  // Below the ceiling's reach, and moving down: nothing, the unlifted end comes back.
  EXPECT_EQ(vell::castCeiling(fx(5, 2.5f, 5), fx(5, 2, 5), q, out), nullptr);
  EXPECT_TRUE(vell::vec3iEqual(out, fx(5, 2.5f, 5)));
  EXPECT_EQ(vell::castCeiling(fx(5, 0, 5), fx(5, 3.5f, 5), q, out), nullptr);
}

TEST_F(CollQueryTest, MaskedOutGroupsAreInvisibleToTheirQueries) {
  load(R"(
group hidden 1
grid 0 0 10 10 0 1 group 0 1
room 0 0 10 10 0 5 group 0 1
)");
  vell::CollQuery q = map.makeQuery(0, 0);
  FixedVec3 out{};
  EXPECT_EQ(vell::castLand(q, out, fx(5, 2, 5), fx(5, -2, 5)), nullptr);
  EXPECT_EQ(sweep(fx(5, 0, 5), fx(12, 0, 5), 0.5f, {1, 0, 0}).code, 0);
  // Bullets still see them.
  EXPECT_EQ(map.tree().query(map.boundsMin(), map.boundsMax(), vell::kMaskBullet), 10u);
}

// The tree's box walk against the full walk and a brute-force scan, on generated maps of both
// tree kinds and random boxes: what it returns is the full walk's answer in the full walk's
// order with some triangles left out, and nothing left out has a box that meets the query box.
// So every cast and sweep sees its candidates in the same order as before.
TEST_F(CollQueryTest, BoxWalkKeepsEveryTriangleItsBoxMeetsInTreeOrder) {
  for (const char* mesh : {"mesh quad 10\n", "mesh oct 7\n"}) {
    std::string d = mesh;
    d += "grid 0 0 120 90 0 45\n";
    for (int i = 0; i < 6; ++i) {
      const std::string x = std::to_string(i * 20 + 3), z = std::to_string(i * 13 + 2);
      d += "room " + x + " " + z + " " + std::to_string(i * 20 + 11) + " " +
           std::to_string(i * 13 + 9) + " 0 4\n";
      d += "ceiling " + x + " " + z + " " + std::to_string(i * 20 + 17) + " " +
           std::to_string(i * 13 + 12) + " 5\n";
      d += "ramp 30 " + z + " " + x + " " + std::to_string(i * 13 + 6) + " " +
           std::to_string(i * 20 + 9) + " 0\n";
    }
    d += "tri land 0 -1 0  0 -1 90  120 -1 0\n";
    load(d.c_str());
    vell::CollTree& tree = map.tree();
    const auto overlaps = [](int32_t a, int32_t b, int32_t c, int32_t lo, int32_t hi) {
      return std::min({a, b, c}) <= hi && lo <= std::max({a, b, c});
    };
    OMB_ARRAY full{};
    ombArrayInit(&full, sizeof(void*), 64);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> at(-5.0f, 125.0f);
    for (int round = 0; round < 300; ++round) {
      const float size = std::array<float, 3>{0.3f, 3.0f, 40.0f}[round % 3];
      FixedVec3 lo = fx(at(rng), at(rng) * 0.05f - 1.0f, at(rng) * 0.75f);
      FixedVec3 hi = fx(fixedToFloat(lo.x) + size, fixedToFloat(lo.y) + 2.0f,
                        fixedToFloat(lo.z) + size * 0.5f);
      vell::clampBox(lo, hi, map.boundsMin(), map.boundsMax());
      const uint32_t mask = 1u + static_cast<uint32_t>(round % 15);
      if (tree.kind == vell::kTreeOct) {
        ombOctreeQuery({lo.x, lo.y, lo.z}, &full, tree.octree, {hi.x, hi.y, hi.z}, mask);
      } else {
        ombQuadTreeQuery({lo.x, lo.z}, &full, tree.quadtree, {hi.x, hi.z}, mask);
      }
      const uint32_t found = tree.query(lo, hi, mask);
      // In order, a subsequence of the full walk.
      uint32_t j = 0;
      for (uint32_t i = 0; i < found; ++i) {
        const auto* fullItems = static_cast<CollTriangle**>(full.items);
        while (j < full.count && fullItems[j] != tree.result(i)) ++j;
        ASSERT_LT(j, full.count) << mesh << " round " << round << " result " << i;
        ++j;
      }
      std::set<const CollTriangle*> got;
      for (uint32_t i = 0; i < found; ++i) got.insert(tree.result(i));
      for (int s = 0; s < 3; ++s) {
        const vell::TriangleSet& set = map.set(s);
        for (uint32_t i = 0; i < set.count; ++i) {
          const CollTriangle& t = set.triangles[i];
          if ((t.entry.mask & mask) == 0) continue;
          const bool meets = overlaps(t.p0.x, t.p1.x, t.p2.x, lo.x, hi.x) &&
                             overlaps(t.p0.z, t.p1.z, t.p2.z, lo.z, hi.z) &&
                             (tree.kind != vell::kTreeOct ||
                              overlaps(t.p0.y, t.p1.y, t.p2.y, lo.y, hi.y));
          if (meets) {
            ASSERT_TRUE(got.count(&t)) << mesh << " round " << round << " set " << s << " " << i;
          }
        }
      }
    }
    ombArrayUninit(&full);
  }
}

}  // namespace
