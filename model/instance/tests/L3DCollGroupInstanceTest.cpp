#include "model/instance/L3DCollGroupInstance.h"

#include "model/instance/tests/InstanceTestSupport.h"

#include <gtest/gtest.h>

namespace {

modelfile::Sphere sphereAt(float x, float y, float z, float radius) {
  modelfile::Sphere s;
  s.centre = {x, y, z};
  s.radius = radius;
  return s;
}

void expectAt(const LVec3& v, float x, float y, float z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

TEST(CollGroupInstance, BuildTakesTheLocalCentresAndTheEnabledBitOfTheData) {
  struct Row {
    uint32_t flags;
    uint32_t enabled;
  };
  for (const Row& row : {Row{0, 0}, Row{1, 1}, Row{3, 1}, Row{2, 0}}) {
    SCOPED_TRACE(row.flags);
    modelfile::Model m;
    modelfile::Coll c;
    c.flags = row.flags;
    c.spheres = {sphereAt(1, 2, 3, 0.5f), sphereAt(-1, 0, 4, 2)};
    m.colls = {c};
    FakeOwner owner;
    owner.Build(loadModel(m));
    L3DCollGroupInstance& g = *owner.collGroups.Front();
    EXPECT_EQ(g.flags, row.enabled);
    ASSERT_EQ(g.sphereCount, 2u);
    expectAt(g.spheres[1].centre, -1, 0, 4);
    expectAt(g.spheres[1].previousCentre, -1, 0, 4);
    EXPECT_EQ(g.spheres[1].radius, 2.0f);
    EXPECT_EQ(g.spheres[0].flags, 0u);
    EXPECT_EQ(g.GetSpheres().Get(), g.spheres.Get());
  }
}

TEST(CollGroupInstance, TheFirstPlacementAfterABuildOrAResetIsAlsoThePreviousOne) {
  modelfile::Model m;
  modelfile::Coll c;
  c.flags = 1;
  c.spheres = {sphereAt(1, 2, 3, 1)};
  m.colls = {c};
  FakeOwner owner;
  owner.Build(loadModel(m));
  L3DCollGroupInstance& g = *owner.collGroups.Front();
  L3D_COLLINST_SPHERE& s = g.spheres[0];

  LMat world;
  world.SetTranslation(10, 20, 30);
  l3dPlaceSphere(s, world);
  expectAt(s.centre, 11, 22, 33);
  expectAt(s.previousCentre, 11, 22, 33);
  EXPECT_EQ(s.flags, L3D_COLLINST_SPHERE_POSITIONED);

  world.SetScaling(2, 2, 2);
  l3dPlaceSphere(s, world);
  expectAt(s.centre, 2, 4, 6);
  expectAt(s.previousCentre, 11, 22, 33);

  // A projective matrix: the centre is divided by w.
  LMat projective;
  projective.SetIdentity();
  projective.m[3][3] = 2;
  l3dPlaceSphere(s, projective);
  expectAt(s.centre, 0.5f, 1, 1.5f);

  g.flags = 0;
  owner._ResetCollGroups();
  EXPECT_EQ(g.flags, 1u);
  EXPECT_EQ(s.flags, 0u);
  for (uint8_t valid : owner.previousBoundsValid) EXPECT_EQ(valid, 0);
  world.SetTranslation(1, 1, 1);
  l3dPlaceSphere(s, world);
  expectAt(s.centre, 2, 3, 4);
  expectAt(s.previousCentre, 2, 3, 4);
}

}  // namespace
