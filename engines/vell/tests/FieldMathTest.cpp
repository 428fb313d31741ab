#include "engines/vell/FieldMath.h"

#include <gtest/gtest.h>

namespace {

using vell::mat43Transform;

void expectNear(const LVec3& got, const LVec3& want) {
  EXPECT_NEAR(got.x, want.x, 1e-6f);
  EXPECT_NEAR(got.y, want.y, 1e-6f);
  EXPECT_NEAR(got.z, want.z, 1e-6f);
}

TEST(FieldMath, IdentityQuaternionIsIdentityWithoutTranslation) {
  const LMat43 m = vell::quatToMat43(kQuatIdentity);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(m.m[i][j], i == j ? 1.0f : 0.0f) << i << "," << j;
    }
  }
}

TEST(FieldMath, QuaternionRowsMatchTheSharedMatrix) {
  // A quarter turn about +Y through both paths: the field engine's copy must agree.
  const LQuat q{0.0f, 0.70710677f, 0.0f, 0.70710677f};
  LMat full{};
  quatToMatrix(full, q);
  const LMat43 m = vell::quatToMat43(q);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) EXPECT_FLOAT_EQ(m.m[i][j], full.m[i][j]);
  }
}

TEST(FieldMath, TransRotScaleTranslatesThenScales) {
  const LMat43 m = vell::mat43TransRotScale({-2, 0, -3}, kQuatIdentity, {0.5f, 1, 0.25f});
  const struct {
    LVec3 in, out;
  } cases[] = {{{2, 5, 3}, {0, 5, 0}}, {{4, 0, 7}, {1, 0, 1}}};
  for (const auto& c : cases) expectNear(mat43Transform(m, c.in), c.out);
}

TEST(FieldMath, TransRotScaleScalesAlongTheRotatedAxes) {
  // Quarter turn about +Y: x goes to -z; the scale of 3 on x then lands on z.
  const LQuat q{0.0f, 0.70710677f, 0.0f, 0.70710677f};
  const LMat43 m = vell::mat43TransRotScale({1, 0, 0}, q, {1, 1, 3});
  expectNear(mat43Transform(m, {1, 0, 0}), {0, 0, -6});
}

TEST(FieldMath, MultiplyAppliesTheSecondMatrixFirst) {
  LMat43 a{};
  a.m[0][0] = a.m[1][1] = a.m[2][2] = 1;
  a.m[3][0] = 1;
  LMat43 b{};
  b.m[0][0] = b.m[1][1] = b.m[2][2] = 2;
  LMat43 out{};
  vell::mat43Multiply(a, b, out);
  expectNear(mat43Transform(out, {1, 1, 1}), {3, 2, 2});
  // Aliased output gives the same.
  vell::mat43Multiply(a, b, a);
  expectNear(mat43Transform(a, {1, 1, 1}), {3, 2, 2});
}

TEST(FieldMath, RotationYQuarterTurn) {
  const float half = 1.5707964f;
  const vell::Mat33 r = vell::mat33RotationY(half);
  const auto apply = [&](const LVec3& p) {
    return LVec3{p.x * r.m[0][0] + p.y * r.m[1][0] + p.z * r.m[2][0],
                 p.x * r.m[0][1] + p.y * r.m[1][1] + p.z * r.m[2][1],
                 p.x * r.m[0][2] + p.y * r.m[1][2] + p.z * r.m[2][2]};
  };
  expectNear(apply({1, 0, 0}), {0, 0, -1});
  expectNear(apply({0, 0, 1}), {1, 0, 0});
  const LMat43 m = vell::mat43RotationY(half);
  expectNear(mat43Transform(m, {1, 0, 0}), {0, 0, -1});
  EXPECT_EQ(m.m[3][0], 0.0f);
}

TEST(FieldMath, SegmentBoxPaddedAndFixedHelpers) {
  FixedVec3 lo{}, hi{};
  vell::segmentBoxPadded(10, {5, 0, -5}, {1, 4, 3}, lo, hi);
  EXPECT_TRUE(vell::vec3iEqual(lo, {-9, -10, -15}));
  EXPECT_TRUE(vell::vec3iEqual(hi, {15, 14, 13}));
  EXPECT_FALSE(vell::vec3iEqual({1, 2, 3}, {1, 2, 4}));
  // Halves round away from zero.
  const FixedVec3 f = vell::vec3ToFixed(LVec3{0.00048828125f, -0.00048828125f, 1.0f});
  EXPECT_TRUE(vell::vec3iEqual(f, {1, -1, 1024}));
}

}  // namespace
