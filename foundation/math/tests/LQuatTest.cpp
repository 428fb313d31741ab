#include "foundation/math/LQuat.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void ExpectQuatNear(const LQuat& a, const LQuat& b, float tolerance) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
  EXPECT_NEAR(a.w, b.w, tolerance);
}

void ExpectQuatEq(const LQuat& a, const LQuat& b) {
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.z, b.z);
  EXPECT_EQ(a.w, b.w);
}

void ExpectMatNear(const LMat& a, const LMat& b, float tolerance) {
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(a.m[i / 4][i % 4], b.m[i / 4][i % 4], tolerance) << "element " << i;
  }
}

// Unit quaternions with no zero component, so every term of the product takes part.
const LQuat kP{0.1825742f, 0.3651484f, 0.5477226f, 0.7302967f};
const LQuat kQ{-0.5f, 0.5f, 0.5f, -0.5f};

}  // namespace

TEST(QuaternionTest, YawQuaternions) {
  ExpectQuatEq(quatFromYaw(0), kQuatIdentity);
  ExpectQuatNear(quatFromYaw(3217), {0.0f, 1.0f, 0.0f, 0.0f}, 1e-4f);
  const LQuat quarter = quatFromYaw(1608);
  ExpectQuatNear(quarter, {0.0f, std::sin(0.78515625f), 0.0f, std::cos(0.78515625f)}, 1e-7f);
  // A negative angle has a negative sine, and the x and z components carry its sign.
  const LQuat back = quatFromYaw(-1608);
  EXPECT_TRUE(std::signbit(back.x));
  EXPECT_TRUE(std::signbit(back.z));
  EXPECT_EQ(back.y, -quarter.y);
}

TEST(QuaternionTest, HamiltonProductOfBasisUnits) {
  const LQuat i{1, 0, 0, 0}, j{0, 1, 0, 0}, k{0, 0, 1, 0};
  const struct {
    LQuat p, q, product;
  } cases[] = {
      {i, j, k},
      {j, i, {0, 0, -1, 0}},
      {j, k, i},
      {k, i, j},
      {i, i, {0, 0, 0, -1}},
      {kQuatIdentity, kP, kP},
      {kP, kQuatIdentity, kP},
  };
  for (const auto& c : cases) {
    LQuat out;
    quatMultiply(out, c.p, c.q);
    ExpectQuatEq(out, c.product);
  }
}

TEST(QuaternionTest, ProductMayOverwriteEitherInput) {
  LQuat separate;
  quatMultiply(separate, kP, kQ);
  LQuat p = kP;
  quatMultiply(p, p, kQ);
  ExpectQuatEq(p, separate);
  LQuat q = kQ;
  quatMultiply(q, kP, q);
  ExpectQuatEq(q, separate);
  LQuat both = kP;
  LQuat square;
  quatMultiply(square, kP, kP);
  quatMultiply(both, both, both);
  ExpectQuatEq(both, square);
}

TEST(QuaternionTest, MatrixOfYawMatchesAxisRotation) {
  for (int32_t a : {0, 700, 1608, 3217, 5000, 6434}) {
    LMat fromQuat;
    quatToMatrix(fromQuat, quatFromYaw(a));
    LMat fromAxis;
    const float axis[3] = {0.0f, 1.0f, 0.0f};
    fromAxis.SetRotationAxis(axis, static_cast<float>(a) / 1024.0f);
    ExpectMatNear(fromQuat, fromAxis, 2e-6f);
  }
}

TEST(QuaternionTest, MatrixOfProductRotatesBySecondThenFirst) {
  LQuat pq;
  quatMultiply(pq, kP, kQ);
  LMat product, mp, mq;
  quatToMatrix(product, pq);
  quatToMatrix(mp, kP);
  quatToMatrix(mq, kQ);
  ExpectMatNear(product, mq * mp, 2e-6f);
}

TEST(QuaternionTest, MatrixOfGeneralQuaternionByHand) {
  // q = (0.5, 0.5, 0.5, 0.5) permutes the axes: x to y, y to z, z to x (row vectors).
  LMat m;
  quatToMatrix(m, {0.5f, 0.5f, 0.5f, 0.5f});
  LMat expected{};
  expected.m[0][1] = 1.0f;
  expected.m[1][2] = 1.0f;
  expected.m[2][0] = 1.0f;
  expected.m[3][3] = 1.0f;
  ExpectMatNear(m, expected, 0.0f);
}
