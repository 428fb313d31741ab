#include "foundation/math/LMat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

LMat Rows(std::initializer_list<float> values) {
  LMat m{};
  int i = 0;
  for (float v : values) m.m[i / 4][i % 4] = v, ++i;
  return m;
}

void ExpectNear(const LMat& a, const LMat& b, float tolerance) {
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(a.m[i / 4][i % 4], b.m[i / 4][i % 4], tolerance) << "element " << i;
  }
}

void ExpectEq(const LMat& a, const LMat& b) { ExpectNear(a, b, 0.0f); }

const LMat kA = Rows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
const LMat kB = Rows({2, 0, 0, 1, 0, 3, 0, 0, 1, 0, 1, 0, 0, 2, 0, 1});
// kA x kB, worked by hand row by column.
const LMat kAB = Rows({5, 14, 3, 5, 17, 34, 7, 13, 29, 54, 11, 21, 41, 74, 15, 29});

}  // namespace

TEST(LMatTest, ProductsAreRowTimesColumnWhateverTheOutputAliases) {
  LMat out;
  LMat::Mul(kA, kB, out);
  ExpectEq(out, kAB);
  LMat a = kA;
  LMat::Mul(a, kB, a);
  ExpectEq(a, kAB);
  LMat b = kB;
  LMat::Multiply(kA, b, b);
  ExpectEq(b, kAB);
  ExpectEq(kA * kB, kAB);
  LMat c = kA;
  c *= kB;
  ExpectEq(c, kAB);
}

TEST(LMatTest, TransposeInPlace) {
  LMat m = kA;
  LMat::Transpose(m, m);
  ExpectEq(m, Rows({1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16}));
}

TEST(LMatTest, InverseUndoesATransformAndASingularMatrixGivesTheIdentity) {
  LMat identity;
  identity.SetIdentity();
  LMat move, turn, scale, inverse;
  move.SetTranslation(3, -4, 5);
  turn.SetRotationZ(0.7f);
  scale.SetScaling(2, 4, 0.5f);
  const LMat m = scale * turn * move;
  LMat::Inverse(m, inverse);
  ExpectNear(m * inverse, identity, 1e-5f);
  LMat zero{};
  LMat out = kA;
  LMat::Inverse(zero, out);
  ExpectEq(out, identity);
  LMat::Inverse(kA, out);  // rows in arithmetic progression: singular
  ExpectEq(out, identity);
}

TEST(LMatTest, TransformsFollowTheRowVectorConvention) {
  struct Case {
    const char* what;
    LMat m;
    float p[3];
    float expected[3];
  };
  LMat turn, move, axis, perspective;
  turn.SetRotationZ(std::numbers::pi_v<float> / 2);
  move.SetTranslation(1, 2, 3);
  const float x[3] = {1, 0, 0};
  axis.SetRotationAxis(x, std::numbers::pi_v<float> / 2);
  perspective = Rows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0});  // w = z
  LMat identity;
  identity.SetIdentity();
  const Case cases[] = {
      {"identity", identity, {1.5f, -2, 7}, {1.5f, -2, 7}},
      {"quarter turn about z", turn, {1, 0, 0}, {0, 1, 0}},
      {"translation", move, {1, 1, 1}, {2, 3, 4}},
      {"quarter turn about x", axis, {0, 1, 0}, {0, 0, 1}},
      {"perspective divide", perspective, {4, 2, 2}, {2, 1, 1}},
  };
  for (const Case& c : cases) {
    float out[3];
    vec3TransformCoord(c.m, c.p, out);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], c.expected[i], 1e-6f) << c.what << " " << i;
  }
}

// The perspective divide multiplies by the reciprocal of w: 5 / 3 and 5 * (1 / 3) differ in the
// last bit in single precision, and the engines' results must be reproduced exactly.
TEST(LMatTest, ThePerspectiveDivideMultipliesByTheReciprocal) {
  const LMat m = Rows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0});  // w = z
  const float p[3] = {5, 5, 3};
  float out[3];
  vec3TransformCoord(m, p, out);
  const volatile float w = 3.0f;
  const float reciprocal = 1.0f / w;
  EXPECT_EQ(out[0], 5.0f * reciprocal);
  EXPECT_NE(out[0], 5.0f / w);
  EXPECT_EQ(out[2], 3.0f * reciprocal);
}

TEST(LMatTest, RotationAboutTheZAxisMatchesSetRotationZ) {
  const float z[3] = {0, 0, 1};
  for (float angle : {0.0f, 0.3f, -2.0f, 3.1f}) {
    LMat a, b;
    a.SetRotationAxis(z, angle);
    b.SetRotationZ(angle);
    ExpectNear(a, b, 1e-6f);
  }
}
