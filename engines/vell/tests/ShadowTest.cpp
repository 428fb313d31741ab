#include "engines/vell/Shadow.h"
#include "engines/vell/FieldMath.h"
#include "engines/vell/Map.h"
#include "foundation/omb/ombCore.h"
#include "tools/mapwrite/MapWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

using vell::Shadow;
using vell::ShadowList;

// Where a point `along` units from the caster along world +x lands on the footprint's u axis.
float footprintU(const Shadow& s, float along) {
  const vell::ShadowCaster& c = s.caster;
  const LVec3 p{static_cast<float>(c.position.x) / 1024.0f + along,
                static_cast<float>(c.groundHeight) / 1024.0f,
                static_cast<float>(c.position.z) / 1024.0f};
  return vell::mat43Transform(shadowMatrix(s), p).x;
}

TEST(ShadowTest, TheListKeepsOneEntryPerShadowInTheOrderTheyCame) {
  vell::DecalHandle handle;
  handle.alpha = 0.5f;
  ShadowList list;
  Shadow a, b;
  list.set(a, &handle, {1, 1, 1}, 0, 0.5f, 0, 1, 1);
  list.set(b, &handle, {1, 1, 1}, 0, 1, 0, 1, 1);
  list.set(a, &handle, {2, 1, 2}, 0, 1, 0, 1, 1);  // a new shadow for a: still one entry
  EXPECT_EQ(list.shadows(), (std::vector<Shadow*>{&a, &b}));
  EXPECT_FLOAT_EQ(a.alpha, 0.5f);  // the handle's factor times the object's
  list.clear(a);
  list.clear(a);
  EXPECT_EQ(list.shadows(), std::vector<Shadow*>{&b});
  EXPECT_EQ(a.handle, nullptr);
}

// A 2-unit footprint: its edge lies 1 unit from the caster at base size, and the height
// scale grows it within the bounds.
TEST(ShadowTest, TheFootprintGrowsWithHeightWithinItsBounds) {
  vell::DecalHandle handle;
  const struct {
    float height, scale, minimum, maximum;
    float edge;  // distance of the footprint's edge from the caster
  } cases[] = {
      {0.0f, 1.0f, 0.5f, 2.0f, 1.0f},
      {5.0f, 0.0f, 0.5f, 2.0f, 1.0f},  // scale 0: base size at every height
      {0.5f, 1.0f, 0.5f, 2.0f, 1.5f},
      {10.0f, 1.0f, 0.5f, 2.0f, 2.0f},   // held at the maximum
      {10.0f, -1.0f, 0.5f, 2.0f, 0.5f},  // and at the minimum
  };
  for (const auto& c : cases) {
    ShadowList list;
    Shadow s;
    list.set(s, &handle, {2.0f, 1.0f, 2.0f}, 0.0f, 1.0f, c.scale, c.minimum, c.maximum);
    s.caster.position = vec3ToFixed(3.0f, 7.0f + c.height, -2.0f);
    s.caster.groundHeight = floatToFixed(7.0f);
    EXPECT_NEAR(footprintU(s, c.edge), 0.5f, 1e-4f) << c.height << " " << c.scale;
    EXPECT_NEAR(footprintU(s, 0.0f), 0.0f, 1e-4f);
  }
}

// The footprint turns with the object's angle and with its own: a quarter turn in all moves
// world +x onto the footprint's w axis.
TEST(ShadowTest, TheFootprintTurnsWithTheObjectAndItsOwnAngle) {
  vell::DecalHandle handle;
  const float quarter = 1.5707964f;
  for (const auto& turns : {std::pair<float, float>{quarter, 0.0f}, {0.0f, quarter},
                            {quarter / 2.0f, quarter / 2.0f}}) {
    ShadowList list;
    Shadow s;
    list.set(s, &handle, {2.0f, 1.0f, 2.0f}, turns.first, 1.0f, 0.0f, 1.0f, 1.0f);
    s.caster.angle = static_cast<int32_t>(turns.second * 1024.0f);
    const LVec3 p = vell::mat43Transform(shadowMatrix(s), {1.0f, 0.0f, 0.0f});
    EXPECT_NEAR(p.x, 0.0f, 2e-3f);
    EXPECT_NEAR(std::fabs(p.z), 0.5f, 2e-3f);
  }
}

// Shadows are drawn on their caster's ground triangle; one without ground is skipped.
TEST(ShadowTest, TheDecalPassDrawsShadowsThatHaveGround) {
  ombCoreInit();
  vell::Map map;
  map.build(mapwrite::mapFromDescription("grid 0 0 10 10 0 10\n"), nullptr);
  vell::DecalHandle handle;
  ShadowList list;
  Shadow grounded, floating;
  list.set(floating, &handle, {0.5f, 1.0f, 0.5f}, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f);
  list.set(grounded, &handle, {0.5f, 1.0f, 0.5f}, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f);
  const FixedVec3 at = vec3ToFixed(2.5f, 1.0f, 2.5f);
  grounded.caster.position = at;
  const std::optional<vell::GroundHit> ground = map.findGround(at);
  ASSERT_TRUE(ground.has_value());
  grounded.caster.ground = ground->triangle;
  grounded.caster.groundHeight = ground->height;
  floating.caster.position = vec3ToFixed(7.5f, 1.0f, 7.5f);
  uint32_t vertices = 0;
  vell::DecalBatch batch(
      [&](const vell::DecalHandle& h, const L3D_RENDERER_VERTEX* v, uint32_t n) {
        EXPECT_EQ(&h, &handle);
        for (uint32_t i = 0; i < n; ++i) {
          EXPECT_GE(v[i].x, 2.0f);
          EXPECT_LE(v[i].x, 3.0f);
        }
        vertices += n;
      },
      map.decalOffset, map.drawStamp);
  map.collectDecals(batch, &list);
  EXPECT_EQ(vertices, 6u);  // the two triangles of the cell under the caster
}

}  // namespace
