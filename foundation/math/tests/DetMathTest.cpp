#include "foundation/math/DetMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// Golden values: the correctly rounded results, worked out at 300-bit precision. The module must
// give exactly these bits on every machine; a change of its polynomials or of their order of
// operations shows here first.

namespace {

uint32_t bitsOf(float f) {
  uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

#define EXPECT_BITS(actual, expected) EXPECT_EQ(bitsOf(actual), bitsOf(expected))

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

}  // namespace

TEST(DetMathTest, SineCosineAndTangentAcrossQuadrantsAndLargeArguments) {
  struct Row {
    float x, sin, cos, tan;
  };
  const Row rows[] = {
      {0x1.0c6f7ap-20f, 0x1.0c6f7ap-20f, 0x1p+0f, 0x1.0c6f7ap-20f},
      {0x1p-1f, 0x1.eaee88p-2f, 0x1.c1528p-1f, 0x1.17b4f6p-1f},
      {0x1.921fb6p-1f, 0x1.6a09e6p-1f, 0x1.6a09e6p-1f, 0x1p+0f},
      {0x1.921fb4p-1f, 0x1.6a09e6p-1f, 0x1.6a09e8p-1f, 0x1.fffffep-1f},
      {0x1p+0f, 0x1.aed548p-1f, 0x1.14a28p-1f, 0x1.8eb246p+0f},
      {0x1.921fb6p+0f, 0x1p+0f, -0x1.777a5cp-25f, -0x1.5d1494p+24f},
      {0x1.921fb6p+1f, -0x1.777a5cp-24f, -0x1p+0f, 0x1.777a5cp-24f},
      {-0x1.4p+1f, -0x1.326afp-1f, -0x1.9a2f7ep-1f, 0x1.7e79b4p-1f},
      {0x1.2d97c8p+2f, -0x1p+0f, 0x1.99bc5cp-27f, -0x1.3fe4dap+26f},
      {0x1.9p+6f, -0x1.03425cp-1f, 0x1.b981dcp-1f, -0x1.2ca74ep-1f},
      {-0x1.f4p+9f, -0x1.a75cc2p-1f, 0x1.1ff026p-1f, -0x1.78672ap+0f},
      {0x1.81cd6cp+13f, -0x1.68961p-1f, 0x1.6b7c4p-1f, -0x1.fbea92p-1f},
      {0x1.e848p+19f, -0x1.6664b2p-2f, 0x1.df9dfap-1f, -0x1.7e9768p-2f},
      {0x1.1e1a3p+28f, -0x1.c219eep-2f, 0x1.cbe31ep-1f, -0x1.f51afp-2f},
      {0x1.5af1d8p+66f, 0x1.502ad2p-1f, 0x1.822e46p-1f, 0x1.bdb12p-1f},
      {-0x1.ff933cp+127f, 0x1.f3e2c6p-3f, 0x1.f08394p-1f, 0x1.01bd0ep-2f},
  };
  for (const Row& r : rows) {
    EXPECT_BITS(detmath::sin(r.x), r.sin) << r.x;
    EXPECT_BITS(detmath::cos(r.x), r.cos) << r.x;
    EXPECT_BITS(detmath::tan(r.x), r.tan) << r.x;
    float s = 0.0f;
    float c = 0.0f;
    detmath::sincos(r.x, &s, &c);
    EXPECT_BITS(s, r.sin) << r.x;
    EXPECT_BITS(c, r.cos) << r.x;
  }
}

TEST(DetMathTest, InverseFunctions) {
  struct Row {
    float x, asin, acos, atan;
  };
  const Row rows[] = {
      {0x1.ad7f2ap-24f, 0x1.ad7f2ap-24f, 0x1.921fb4p+0f, 0x1.ad7f2ap-24f},
      {0x1p-2f, 0x1.02be9cp-2f, 0x1.51700ep+0f, 0x1.f5b76p-3f},
      {-0x1p-1f, -0x1.0c1524p-1f, 0x1.0c1524p+1f, -0x1.dac67p-2f},
      {0x1.6a09e6p-1f, 0x1.921fb4p-1f, 0x1.921fb6p-1f, 0x1.3b2028p-1f},
      {0x1.ccccccp-1f, 0x1.1ea936p+0f, 0x1.cdd9fcp-2f, 0x1.77338ap-1f},
      {-0x1.fffffep-1f, -0x1.920914p+0f, 0x1.921464p+1f, -0x1.921fb4p-1f},
      {0x1p+0f, 0x1.921fb6p+0f, 0.0f, 0x1.921fb6p-1f},
      {-0x1p+0f, -0x1.921fb6p+0f, 0x1.921fb6p+1f, -0x1.921fb6p-1f},
  };
  for (const Row& r : rows) {
    EXPECT_BITS(detmath::asin(r.x), r.asin) << r.x;
    EXPECT_BITS(detmath::acos(r.x), r.acos) << r.x;
    EXPECT_BITS(detmath::atan(r.x), r.atan) << r.x;
  }
  struct AtanRow {
    float x, atan;
  };
  const AtanRow large[] = {
      {0x1.8p+1f, 0x1.3fc176p+0f},
      {-0x1.4p+5f, -0x1.8bb9a6p+0f},
      {0x1.2a05f2p+33f, 0x1.921fb6p+0f},
  };
  for (const AtanRow& r : large) EXPECT_BITS(detmath::atan(r.x), r.atan) << r.x;
}

TEST(DetMathTest, ArcTangentOfTwoArgumentsInEveryQuadrant) {
  struct Row {
    float y, x, angle;
  };
  const Row rows[] = {
      {0x1p+0f, 0x1p+0f, 0x1.921fb6p-1f},
      {0x1p+0f, -0x1p+0f, 0x1.2d97c8p+1f},
      {-0x1p+0f, -0x1p+0f, -0x1.2d97c8p+1f},
      {-0x1p+0f, 0x1p+0f, -0x1.921fb6p-1f},
      {0x1.8p+1f, 0x1p-2f, 0x1.7cd6f6p+0f},
      {0x1p-2f, -0x1.8p+1f, 0x1.877b56p+1f},
      {-0x1.79ca1p-67f, 0x1p+0f, -0x1.79ca1p-67f},
      {0x1.93e594p+99f, -0x1.4484cp-100f, 0x1.921fb6p+0f},
      {0x1.4p+1f, 0x1.ep+2f, 0x1.4978fap-2f},
  };
  for (const Row& r : rows) EXPECT_BITS(detmath::atan2(r.y, r.x), r.angle) << r.y << ", " << r.x;
}

TEST(DetMathTest, PowerIncludingExactAndSubnormalResults) {
  struct Row {
    float base, exponent, power;
  };
  const Row rows[] = {
      {0x1p+1f, 0x1.4p+3f, 0x1p+10f},
      {0x1.4p+3f, -0x1p+1f, 0x1.47ae14p-7f},
      {0x1p-1f, 0x1p-1f, 0x1.6a09e6p-1f},
      {0x1.d9999ap+1f, 0x1.19999ap+1f, 0x1.1c8daep+4f},
      {-0x1p+1f, 0x1.8p+1f, -0x1p+3f},
      {-0x1p+1f, -0x1p+1f, 0x1p-2f},
      {0x1.00068ep+0f, 0x1.117p+16f, 0x1.12618p+10f},
      {0x1p+1f, -0x1.2ap+7f, 0x1p-149f},
      {0x1p+1f, -0x1.2dp+7f, 0.0f},
      {0x1.2p+3f, 0x1p-1f, 0x1.8p+1f},
      {0x1.ep+2f, -0x1.ap+1f, 0x1.777bc4p-10f},
  };
  for (const Row& r : rows) {
    EXPECT_BITS(detmath::pow(r.base, r.exponent), r.power) << r.base << "^" << r.exponent;
  }
}

// The C library's rules for special values, which script code may meet (a division by zero
// feeding an angle, a NaN from an empty vector).
TEST(DetMathTest, SpecialValuesFollowTheCLibraryRules) {
  const float pi = 0x1.921fb6p+1f;
  const float half = 0x1.921fb6p+0f;
  struct Row {
    const char* what;
    float actual, expected;
  };
  const Row rows[] = {
      {"sin(-0)", detmath::sin(-0.0f), -0.0f},
      {"tan(-0)", detmath::tan(-0.0f), -0.0f},
      {"asin(-0)", detmath::asin(-0.0f), -0.0f},
      {"atan(-inf)", detmath::atan(-kInf), -half},
      {"atan2(+0, -0)", detmath::atan2(0.0f, -0.0f), pi},
      {"atan2(-0, -1)", detmath::atan2(-0.0f, -1.0f), -pi},
      {"atan2(-0, +0)", detmath::atan2(-0.0f, 0.0f), -0.0f},
      {"atan2(1, -0)", detmath::atan2(1.0f, -0.0f), half},
      {"atan2(-inf, -inf)", detmath::atan2(-kInf, -kInf), -0x1.2d97c8p+1f},
      {"atan2(inf, 5)", detmath::atan2(kInf, 5.0f), half},
      {"atan2(-5, inf)", detmath::atan2(-5.0f, kInf), -0.0f},
      {"atan2(5, -inf)", detmath::atan2(5.0f, -kInf), pi},
      {"pow(nan, 0)", detmath::pow(kNaN, 0.0f), 1.0f},
      {"pow(1, nan)", detmath::pow(1.0f, kNaN), 1.0f},
      {"pow(-1, inf)", detmath::pow(-1.0f, kInf), 1.0f},
      {"pow(0.5, -inf)", detmath::pow(0.5f, -kInf), kInf},
      {"pow(2, -inf)", detmath::pow(2.0f, -kInf), 0.0f},
      {"pow(-0, -3)", detmath::pow(-0.0f, -3.0f), -kInf},
      {"pow(-0, -2)", detmath::pow(-0.0f, -2.0f), kInf},
      {"pow(-0, 3)", detmath::pow(-0.0f, 3.0f), -0.0f},
      {"pow(-inf, 3)", detmath::pow(-kInf, 3.0f), -kInf},
      {"pow(-inf, -3)", detmath::pow(-kInf, -3.0f), -0.0f},
      {"pow(-inf, 0.5)", detmath::pow(-kInf, 0.5f), kInf},
      {"pow(10, 39)", detmath::pow(10.0f, 39.0f), kInf},
      {"pow(-10, 39)", detmath::pow(-10.0f, 39.0f), -kInf},
      {"pow(-2, 2^24 + 2)", detmath::pow(-2.0f, 16777218.0f), kInf},
  };
  for (const Row& r : rows) EXPECT_BITS(r.actual, r.expected) << r.what;

  const float nan[] = {detmath::sin(kInf),         detmath::cos(kNaN),          detmath::tan(-kInf),
                       detmath::asin(1.0000001f),  detmath::acos(-2.0f),        detmath::atan(kNaN),
                       detmath::atan2(kNaN, 1.0f), detmath::pow(-2.0f, 0.5f),   detmath::pow(kNaN, 1.0f)};
  for (float v : nan) EXPECT_TRUE(std::isnan(v));
}
