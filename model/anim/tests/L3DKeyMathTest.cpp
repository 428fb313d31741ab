#include "model/anim/L3DKeyMath.h"

#include "foundation/math/DetMath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

LQuat axisAngle(float x, float y, float z, float angle) {
  const float s = detmath::sin(angle / 2);
  return {x * s, y * s, z * s, detmath::cos(angle / 2)};
}

void expectQuat(const LQuat& a, const LQuat& b, float tolerance = 1e-6f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
  EXPECT_NEAR(a.w, b.w, tolerance);
}

TEST(KeyMath, SquadControlBetweenEqualNeighboursIsTheRotationItself) {
  for (const LQuat& q : {kQuatIdentity, axisAngle(0, 1, 0, 0.7f), axisAngle(0.6f, 0, 0.8f, 2.5f)}) {
    const LQuat c = l3dSquadControl(q, q, q);
    expectQuat(c, q);
  }
}

TEST(KeyMath, SquadControlOfAnEvenTurnIsTheMiddleRotation) {
  // Equal steps about one axis have no curvature: the control point is q.
  const LQuat a = axisAngle(0, 0, 1, 0.2f), q = axisAngle(0, 0, 1, 0.5f), b = axisAngle(0, 0, 1, 0.8f);
  expectQuat(l3dSquadControl(a, q, b), q, 1e-5f);
}

struct HermiteCase {
  float b, c, d, e;
  uint32_t dPrev, dCur, dNext;
  float rows[4];
};

TEST(KeyMath, HermiteRows) {
  const HermiteCase cases[] = {
      // Collinear, evenly spaced: a straight line, no higher terms.
      {0, 10, 20, 30, 10, 10, 10, {0, 0, 10, 10}},
      // No previous interval: the start tangent is the chord; no next: end tangent 0.
      {7, 0, 6, 99, 0, 4, 0, {-6, 6, 6, 0}},
  };
  for (const HermiteCase& c : cases) {
    float rows[4];
    l3dHermite(c.b, c.c, c.d, c.e, c.dPrev, c.dCur, c.dNext, rows);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(rows[i], c.rows[i], 1e-5f) << "row " << i;
  }
}

TEST(KeyMath, SlerpOfEqualRotationsIsTheLinearBlendAndFinite) {
  const LQuat q = axisAngle(0, 1, 0, 1.0f);
  expectQuat(quatSlerp(q, q, 0.5f), q);
  expectQuat(quatSlerpDirect(q, q, 0.3f), q);
}

TEST(KeyMath, SlerpTakesTheShortArcAndSquadDoesNot) {
  const LQuat a = kQuatIdentity;
  const LQuat b = axisAngle(0, 1, 0, 0.4f);
  const LQuat negB{-b.x, -b.y, -b.z, -b.w};
  const LQuat mid = axisAngle(0, 1, 0, 0.2f);
  expectQuat(quatSlerp(a, negB, 0.5f), mid, 1e-5f);
  // Direct: the long way round, a quarter of 2pi - 0.4 from a towards -b.
  const LQuat direct = quatSlerpDirect(a, negB, 0.5f);
  EXPECT_LT(direct.w * mid.w + direct.y * mid.y, 0.9f);
  // t = 0 and 1 meet the ends exactly as rotations.
  expectQuat(quatSquad(a, b, a, b, 0.0f), a);
  expectQuat(quatSquad(a, b, a, b, 1.0f), b, 1e-6f);
}

}  // namespace
