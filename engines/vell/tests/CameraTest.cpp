#include "engines/vell/Camera.h"

#include <gtest/gtest.h>

namespace {

using vell::Camera;

Camera fresh() {
  Camera c;
  c.reset();
  return c;
}

void expectNear(const LVec3& got, const LVec3& want, float tolerance = 1e-5f) {
  EXPECT_NEAR(got.x, want.x, tolerance);
  EXPECT_NEAR(got.y, want.y, tolerance);
  EXPECT_NEAR(got.z, want.z, tolerance);
}

TEST(Camera, DefaultsLookDownMinusZWithAQuarterTurnOfView) {
  const Camera c = fresh();
  // cot(22.5 degrees) and that over 4/3.
  EXPECT_NEAR(c.projection.m[1][1], 2.4142137f, 1e-5f);
  EXPECT_NEAR(c.projection.m[0][0], 1.8106602f, 1e-5f);
  // Near and far planes map to depth 0 and 1; a point straight ahead is in the centre.
  expectNear(c.calcScreenPos({0, 0, -1}), {0, 0, 0});
  expectNear(c.calcScreenPos({0, 0, -100}), {0, 0, 1});
  // The top edge of the view at distance 10 lies at y = 1.
  expectNear(c.calcScreenPos({0, 10 * 0.41421357f, -10}), {0, 1, c.calcScreenPos({0, 0, -10}).z});
  EXPECT_FALSE(c.mapMode);
  // The map camera starts as the same perspective with an identity view.
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(c.mapProjection.m[i][j], c.projection.m[i][j]);
      EXPECT_EQ(c.mapView.m[i][j], i == j ? 1.0f : 0.0f);
    }
  }
}

TEST(Camera, OrthographicVolume) {
  Camera c = fresh();
  c.setOrthographic(10, 2, 1, 100);
  // A 20 x 10 volume: its corners reach the viewport's corners.
  expectNear(c.calcScreenPos({10, 5, -1}), {1, 1, 0});
  expectNear(c.calcScreenPos({-10, -5, -100}), {-1, -1, 1});
}

TEST(Camera, ViewPutsTheTargetInTheCentre) {
  Camera c = fresh();
  c.setPerspective(60, 1.5f, 0.5f, 500);
  const LVec3 eye{10, 20, 30}, target{-3, 2, 7};
  // The up vector need not be unit length.
  c.setView(eye, target, {0, 5, 0});
  const LVec3 s = c.calcScreenPos(target);
  EXPECT_NEAR(s.x, 0, 1e-5f);
  EXPECT_NEAR(s.y, 0, 1e-5f);
  EXPECT_GT(s.z, 0);
  EXPECT_LT(s.z, 1);
  // A point above the target shows above the centre (y upward).
  EXPECT_GT(c.calcScreenPos({-3, 3, 7}).y, 0);
  EXPECT_EQ(c.view.m[3][3], 1.0f);
  EXPECT_EQ(c.view.m[0][3], 0.0f);
}

TEST(Camera, MapMatricesAreSeparateAndIgnoredByScreenPositions) {
  Camera c = fresh();
  const LVec3 before = c.calcScreenPos({1, 2, -5});
  c.setMapOrthographic(4, 1, 1, 10);
  c.setMapView({0, 10, 0}, {0, 0, 0}, {0, 0, -1});
  c.mapMode = true;
  expectNear(c.calcScreenPos({1, 2, -5}), before);
  EXPECT_NEAR(c.mapProjection.m[0][0], 0.5f, 1e-6f);
  c.setMapPerspective(90, 1, 1, 10);
  EXPECT_NEAR(c.mapProjection.m[1][1], 1.0f, 1e-5f);
  EXPECT_NEAR(c.projection.m[1][1], 2.4142137f, 1e-5f);
}

}  // namespace
