#include "platform/CheckedMath.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(CheckedMath, OverflowIsARefusalForEveryWidth) {
  constexpr auto maxSize = std::numeric_limits<std::size_t>::max();
  EXPECT_EQ(platform::checkedMul(maxSize / 2, 2), maxSize - 1);
  EXPECT_FALSE(platform::checkedMul(maxSize / 2 + 1, 2));
  EXPECT_FALSE(platform::checkedAdd(maxSize, 1));
  EXPECT_EQ(platform::checkedMul<uint32_t>(0x10000, 0xFFFF), 0xFFFF0000u);
  EXPECT_FALSE(platform::checkedMul<uint32_t>(0x40000001, 4));
  EXPECT_FALSE(platform::checkedAdd<int64_t>(INT64_MAX, 1));
  EXPECT_EQ(platform::checkedAdd<int64_t>(5, -7), -2);
}

TEST(CheckedMath, RoundUpKeepsMultiplesAndRefusesWhatDoesNotFit) {
  EXPECT_EQ(platform::checkedRoundUp<uint32_t>(0, 4), 0u);
  EXPECT_EQ(platform::checkedRoundUp<uint32_t>(5, 4), 8u);
  EXPECT_EQ(platform::checkedRoundUp<uint32_t>(0xFFFFFFF0u, 16), 0xFFFFFFF0u);
  EXPECT_FALSE(platform::checkedRoundUp<uint32_t>(0xFFFFFFF1u, 16));
}

}  // namespace
