#include "engines/vell/SphereSet.h"

#include "foundation/omb/ombCore.h"
#include "foundation/startup/Dmath.h"
#include "model/load/Da3dObject.h"
#include "render/LResManager.h"
#include "testsupport/MemoryPack.h"
#include "testsupport/ModelSample.h"

#include <gtest/gtest.h>

namespace {

using vell::SphereSet;

// A model instance with one type-4 collision group of one sphere; the test places the sphere
// and the instance's bounding spheres itself.
class SphereSetTest : public ::testing::Test {
 protected:
  SphereSetTest() {
    ombCoreInit();
    if (DmathSinTable[1024] == 0.0f) DmathInitTables();
    modelfile::Model m = modelfile::fullModel(16);
    m.parts[0].materials[0].texture = "";
    pack.Add("obj/ball.dgo", modelfile::scrambled(modelfile::write(m)));
    services.names = &names;
    services.pack = pack.Number();
    object.load(services, u"obj/ball", {});
    using List = dbtl::DList<L3DCollGroupInstance>;
    group = List::Get(object.instance->collGroups.Begin());
  }

  void place(const LVec3& before, const LVec3& now, float radius) {
    group->flags |= 1;
    group->spheres[0].previousCentre = before;
    group->spheres[0].centre = now;
    group->spheres[0].radius = radius;
  }

  PackScope pack;
  L3DNnidTable names;
  L3DModelServices services;
  Da3dObject object;
  dbtl::rcptr<L3DCollGroupInstance> group;
  SphereSet set;
};

TEST_F(SphereSetTest, ATypeTheModelLacksGivesAnEmptySet) {
  place({0, 0, 0}, {1, 0, 0}, 1.0f);
  object.instance->bounds[3] = {{1, 1, 1}, 2.0f};
  sphereSetBuild(set, *object.instance, 3, {2048, 0, 1024});
  EXPECT_EQ(set.itemCount, 0u);
  EXPECT_EQ(set.boundRadius, 0.0f);
  EXPECT_EQ(set.boxMin.x, 0);
  EXPECT_EQ(set.boxMax.z, 0);
  EXPECT_EQ(set.boundCentre.x, 2.0f);
  EXPECT_EQ(set.boundCentre.z, 1.0f);
}

TEST_F(SphereSetTest, ADisabledGroupGivesNoItems) {
  place({0, 0, 0}, {1, 0, 0}, 1.0f);
  group->flags &= ~1u;
  object.instance->bounds[4] = {{1, 0, 0}, 1.0f};
  sphereSetBuild(set, *object.instance, 4, {0, 0, 0});
  EXPECT_EQ(set.itemCount, 0u);
  EXPECT_EQ(set.boundRadius, 0.0f);
}

TEST_F(SphereSetTest, SweptBoxesAndTheirBoundingSphere) {
  const struct {
    const char* what;
    L3DBoundSphere before, now;
    FixedVec3 boxMin, boxMax;
    float boundRadius;
  } cases[] = {
      // Without a previous radius the sweep starts where the sphere is now.
      {"no previous", {{50, 50, 50}, 0.0f}, {{2, 0, 0}, 1.0f},
       {0, -2048, -2048}, {4096, 2048, 2048}, 2.0f},
      // Swept from x = -6 to x = 6 with the larger radius 3: half extents (10, 4, 4).
      {"swept", {{-6, 0, 0}, 2.0f}, {{6, 0, 0}, 3.0f},
       {-10 * 1024, -4 * 1024, -4 * 1024}, {10 * 1024, 4 * 1024, 4 * 1024}, 10.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    place(c.before.centre, c.now.centre, c.now.radius);
    object.instance->previousBounds[4] = c.before;
    object.instance->bounds[4] = c.now;
    sphereSetBuild(set, *object.instance, 4, {0, 0, 0});
    ASSERT_EQ(set.itemCount, 1u);
    EXPECT_EQ(set.items[0].start.x, c.before.centre.x);
    EXPECT_EQ(set.items[0].end.x, c.now.centre.x);
    EXPECT_EQ(set.boxMin.x, c.boxMin.x);
    EXPECT_EQ(set.boxMin.y, c.boxMin.y);
    EXPECT_EQ(set.boxMax.x, c.boxMax.x);
    EXPECT_EQ(set.boxMax.z, c.boxMax.z);
    EXPECT_EQ(set.boundRadius, c.boundRadius);
  }
}

TEST_F(SphereSetTest, TheLargestHalfExtentIsTheRadius) {
  // A sweep along x and y whose box has the half extents (10, 4, 2).
  place({-8, -2, 0}, {8, 2, 0}, 1.0f);
  object.instance->previousBounds[4] = {{-8, -2, 0}, 1.0f};
  object.instance->bounds[4] = {{8, 2, 0}, 1.0f};
  sphereSetBuild(set, *object.instance, 4, {0, 0, 0});
  EXPECT_EQ(set.boxMax.x - set.boxMin.x, 20 * 1024);
  EXPECT_EQ(set.boxMax.y - set.boxMin.y, 8 * 1024);
  EXPECT_EQ(set.boxMax.z - set.boxMin.z, 4 * 1024);
  EXPECT_EQ(set.boundRadius, 10.0f);
}

TEST_F(SphereSetTest, TheStaticSetIgnoresThePreviousFrame) {
  place({-20, 0, 0}, {4, 0, 0}, 1.0f);
  object.instance->previousBounds[4] = {{-20, 0, 0}, 5.0f};
  object.instance->bounds[4] = {{4, 0, 0}, 2.0f};
  sphereSetBuildStatic(set, *object.instance, {0, 0, 0});
  ASSERT_EQ(set.itemCount, 1u);
  EXPECT_EQ(set.items[0].start.x, 4.0f);
  EXPECT_EQ(set.boxMin.x, 1 * 1024);
  EXPECT_EQ(set.boxMax.x, 7 * 1024);
  EXPECT_EQ(set.boundCentre.x, 4.0f);
  EXPECT_EQ(set.boundRadius, 2.0f);
}

}  // namespace
