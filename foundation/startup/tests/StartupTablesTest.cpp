#include "foundation/startup/Dmath.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace {

uint32_t BitsOf(float f) { return std::bit_cast<uint32_t>(f); }
float FloatOf(uint32_t bits) { return std::bit_cast<float>(bits); }

// The square root as the fast path computes it: the table gives the mantissa, the result's
// exponent is half the input's true exponent, rounded down.
float TableSqrt(float x) {
  const uint32_t bits = BitsOf(x);
  const int32_t exponent = static_cast<int32_t>(bits >> 23) - 127;
  const int32_t half = exponent >= 0 ? exponent / 2 : -((1 - exponent) / 2);
  const uint32_t mantissa = (&DmathSqrtTable[0][0])[DmathSqrtIndex(bits)];
  return FloatOf(static_cast<uint32_t>(half + 127) << 23 | mantissa);
}

class StartupTablesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { DmathInitTables(); }
};

TEST_F(StartupTablesTest, SineTable) {
  EXPECT_EQ(DmathSinTable[0], 0.0f);
  EXPECT_EQ(DmathSinTable[1024], 1.0f);
  EXPECT_LT(std::fabs(DmathSinTable[2048]), 1e-15f);
  EXPECT_LT(std::fabs(DmathSinTable[4096]), 1e-15f);
  EXPECT_EQ(DmathSinTable[3072], -1.0f);
  EXPECT_EQ(DmathSinTable[5119], DmathSinTable[1023]);
  // Entry i + 1024 is the cosine of angle i.
  for (uint32_t i = 0; i < 4096; i += 37) {
    const double angle = i * 2.0 * 3.14159265358979323846 / 4096.0;
    EXPECT_EQ(DmathSinTable[i], static_cast<float>(std::sin(angle))) << i;
    EXPECT_NEAR(DmathSinTable[i + 1024], std::cos(angle), 1e-7) << i;
  }
}

TEST_F(StartupTablesTest, SquareRootTableLayout) {
  EXPECT_EQ(DmathSqrtTable[1][0], 0u);                                  // sqrt(1) = 1.0
  EXPECT_EQ(DmathSqrtTable[0][0], BitsOf(std::sqrt(2.0f)) & 0x7FFFFF);  // sqrt(2)
  EXPECT_EQ(DmathSqrtTable[0][0], 0x3504F3u);
  // One table of 65536 entries: the second half follows the first directly.
  EXPECT_EQ(&DmathSqrtTable[1][0], &DmathSqrtTable[0][0] + 32768);
  EXPECT_EQ(sizeof DmathSqrtTable, 65536 * sizeof(uint32_t));
  EXPECT_EQ(DmathSqrtIndex(0xFFFFFFFFu), 65535u);
  EXPECT_EQ(DmathSqrtIndex(BitsOf(2.0f)), 0u);      // even biased exponent: first half
  EXPECT_EQ(DmathSqrtIndex(BitsOf(4.0f)), 32768u);  // odd biased exponent: second half
}

// For inputs whose mantissa has no bits below the 15 the table uses, the table gives the
// float nearest to the exact root, over both halves and several exponents.
TEST_F(StartupTablesTest, SquareRootsThroughTheTable) {
  for (const int exponent : {-20, -3, -2, -1, 0, 1, 2, 3, 40}) {
    for (uint32_t i = 0; i < 32768; i += 97) {
      const float x = std::ldexp(1.0f + static_cast<float>(i) / 32768.0f, exponent);
      ASSERT_EQ(TableSqrt(x), static_cast<float>(std::sqrt(static_cast<double>(x))))
          << "x = " << x;
    }
  }
}

}  // namespace
