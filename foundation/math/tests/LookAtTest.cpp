#include "foundation/math/LookAt.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

LVec3 Apply(const LMat43& v, const LVec3& p) {
  const auto& m = v.m;
  return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
          p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
          p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
}

void ExpectVecNear(const LVec3& a, const LVec3& b, float tolerance) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

}  // namespace

TEST(VectorTest, NormalizeScalesByTheReciprocalLength) {
  LVec3 v;
  vec3Normalize(v, {3.0f, 0.0f, 4.0f});
  const float inv = 1.0f / 5.0f;
  EXPECT_EQ(v.x, 3.0f * inv);
  EXPECT_EQ(v.z, 4.0f * inv);
  EXPECT_EQ(v.y, 0.0f);
  // The zero vector stays zero instead of becoming NaN; in place works too.
  LVec3 zero{0.0f, -0.0f, 0.0f};
  vec3Normalize(zero, zero);
  EXPECT_EQ(zero.x, 0.0f);
  EXPECT_EQ(zero.y, 0.0f);
  EXPECT_EQ(zero.z, 0.0f);
  EXPECT_FALSE(std::isnan(zero.x));
  LVec3 same{0.0f, 2.0f, 0.0f};
  vec3Normalize(same, same);
  ExpectVecNear(same, {0.0f, 1.0f, 0.0f}, 0.0f);
}

TEST(VectorTest, CrossFollowsTheRightHand) {
  ExpectVecNear(vec3Cross({1, 0, 0}, {0, 1, 0}), {0, 0, 1}, 0.0f);
  ExpectVecNear(vec3Cross({0, 1, 0}, {1, 0, 0}), {0, 0, -1}, 0.0f);
  ExpectVecNear(vec3Cross({1, 2, 3}, {4, 5, 6}), {-3, 6, -3}, 0.0f);
}

TEST(LookAtTest, ViewColumnsAreTheFrameAndTheEyeGoesToTheOrigin) {
  const LVec3 eye{1.0f, 2.0f, 5.0f};
  const LVec3 target{0.0f, 0.0f, 0.0f};
  const LMat43 view = calcLookAtView({0.0f, 1.0f, 0.0f}, target, eye);
  const auto& m = view.m;

  const float len = std::sqrt(30.0f);
  const LVec3 zAxis{m[0][2], m[1][2], m[2][2]};
  ExpectVecNear(zAxis, {1.0f / len, 2.0f / len, 5.0f / len}, 1e-6f);
  const LVec3 xAxis{m[0][0], m[1][0], m[2][0]};
  const LVec3 yAxis{m[0][1], m[1][1], m[2][1]};
  // x lies in the horizontal plane, y is up-ish, and the three are orthonormal.
  EXPECT_EQ(xAxis.y, 0.0f);
  EXPECT_GT(yAxis.y, 0.0f);
  EXPECT_NEAR(vec3Dot(xAxis, zAxis), 0.0f, 1e-6f);
  EXPECT_NEAR(vec3Dot(yAxis, zAxis), 0.0f, 1e-6f);
  EXPECT_NEAR(vec3Dot(xAxis, yAxis), 0.0f, 1e-6f);
  EXPECT_NEAR(vec3Dot(yAxis, yAxis), 1.0f, 1e-6f);

  EXPECT_EQ(m[3][0], -vec3Dot(xAxis, eye));
  EXPECT_EQ(m[3][1], -vec3Dot(yAxis, eye));
  EXPECT_EQ(m[3][2], -vec3Dot(zAxis, eye));

  ExpectVecNear(Apply(view, eye), {0.0f, 0.0f, 0.0f}, 1e-6f);
  // Right-handed: the target lies straight ahead along -z.
  ExpectVecNear(Apply(view, target), {0.0f, 0.0f, -len}, 1e-5f);
  // A point to the camera's right (+x of the world here, seen from +z) has a positive x.
  EXPECT_GT(Apply(view, {1.0f, 0.0f, 0.0f}).x, 0.0f);
}

TEST(LookAtTest, UpIsNormalisedBeforeTheCross) {
  // An up vector of any length gives the same view.
  const LMat43 a = calcLookAtView({0.0f, 1.0f, 0.0f}, {3, 1, -2}, {-4, 6, 9});
  const LMat43 b = calcLookAtView({0.0f, 37.0f, 0.0f}, {3, 1, -2}, {-4, 6, 9});
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(a.m[r][c], b.m[r][c]) << r << "," << c;
  }
}

TEST(LookAtTest, FrameAxesBecomeColumns) {
  const LViewFrame frame{{0, 0, -1}, {0, 1, 0}, {1, 0, 0}, {2, 3, 4}};
  const LMat43 view = viewFromFrame(frame);
  const float expected[4][3] = {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}, {4, -3, -2}};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(view.m[r][c], expected[r][c]) << r << "," << c;
  }
}
