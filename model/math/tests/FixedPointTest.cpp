#include "model/math/FixedPoint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

struct FixedCase {
  float in;
  int32_t out;
};

TEST(FixedPointTest, ScaledValuesRoundHalfAwayFromZero) {
  struct Case {
    float f;
    int32_t r;
  } cases[] = {{0.5f, 1}, {-0.5f, -1}, {0.49999997f, 1}, {1.4f, 1}, {-2.5f, -3}, {-0.0f, 0},
               {3e10f, 2147483647}, {-3e10f, -2147483647 - 1}};
  for (const Case& c : cases) EXPECT_EQ(roundFixed(c.f), c.r) << c.f;
}

}  // namespace

TEST(FixedPointTest, FloatToFixedRoundsHalvesAwayFromZero) {
  const FixedCase cases[] = {
      {1.5f, 1536},
      {-0.0007f, -1},  // -0.7168 - 0.5 truncates to -1
      {0.0004f, 0},
      {0.00048828125f, 1},
      {-0.00048828125f, -1},
      {0.0f, 0},
      {-0.0f, 0},
      {-2.25f, -2304},
      // 0.5 - 2^-25 scaled back: the single-precision sum with 0.5 rounds (to even) up to 1.0,
      // where a double sum would stay below and truncate to 0.
      {(0.5f - 0x1p-25f) / 1024.0f, 1},
      {-(0.5f - 0x1p-25f) / 1024.0f, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(floatToFixed(c.in), c.out) << c.in;
  }
}

TEST(FixedPointTest, FloatToFixedSaturatesOutOfRangeAndNan) {
  const FixedCase cases[] = {
      {3.0e6f, kMax},
      {-3.0e6f, kMin},
      {INFINITY, kMax},
      {-INFINITY, kMin},
      {NAN, 0},
      // 2^21 * 1024 = 2^31 is one past the largest value.
      {2097152.0f, kMax},
      {-2097152.0f, kMin},
      // The largest float below 2^21 still converts exactly.
      {2097151.875f, 2147483520},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(floatToFixed(c.in), c.out) << c.in;
  }
}

TEST(FixedPointTest, VectorsConvertEachComponent) {
  const FixedVec2 v2 = vec2ToFixed(1.5f, -0.0007f);
  EXPECT_EQ(v2.x, 1536);
  EXPECT_EQ(v2.y, -1);
  const FixedVec3 v3 = vec3ToFixed(0.25f, -1.0f, 0.0004f);
  EXPECT_EQ(v3.x, 256);
  EXPECT_EQ(v3.y, -1024);
  EXPECT_EQ(v3.z, 0);
  EXPECT_EQ(fixedToFloat(-1536), -1.5f);
}

TEST(FixedPointTest, WrapAngleKeepsTheClosedRange) {
  const struct {
    int32_t in;
    int32_t out;
  } cases[] = {
      {0, 0},          {6434, 6434},     {6435, 1},         {-1, 6433},
      {-6434, 0},      {-6435, 6433},    {12868, 6434},     {12869, 1},
      {3217, 3217},    {-12868, 0},      {kMax, 1033},      {kMin, 5400},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(wrapAngle(c.in), c.out) << c.in;
  }
}

TEST(FixedPointTest, WrapAngleMatchesStepping) {
  // The stepping loops are the definition; compare across several turns either way.
  for (int32_t a = -4 * kAngleFullTurn - 3; a <= 4 * kAngleFullTurn + 3; a += 7) {
    int32_t expected = a;
    while (expected > kAngleFullTurn) expected -= kAngleFullTurn;
    while (expected < 0) expected += kAngleFullTurn;
    ASSERT_EQ(wrapAngle(a), expected) << a;
  }
}

TEST(FixedPointTest, DegreesConvertInSinglePrecision) {
  const struct {
    float degrees;
    int32_t angle;
  } cases[] = {
      {90.0f, 1608},  // the single-precision product is 1608.4955
      {180.0f, 3217},
      {360.0f, 6434},
      {-90.0f, -1608},
      {0.0f, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(degreesToAngle(c.degrees), c.angle) << c.degrees;
  }
  EXPECT_FLOAT_EQ(angleToDegrees(1608), 89.97228f);
  EXPECT_EQ(angleToDegrees(1608), 1608.0f * 0.05595291f);
}
