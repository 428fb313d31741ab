// The random natives' arithmetic on generator words.

#include "host/engine/EngineNatives.h"
#include "host/globals/GlobalNatives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr float kBelowOne = 0.99999994f;  // the largest float below 1

TEST(RandomNatives, UnitValuesStayBelowOne) {
  struct Case {
    uint32_t word;
    float value;
  } cases[] = {
      {0, 0.0f},
      {0x80000000u, 0.5f},
      {0x40000000u, 0.25f},
      // The last word that single precision keeps below 1.
      {0xFFFFFF7Fu, kBelowOne},
      // Words that would round to 1.0.
      {0xFFFFFF80u, kBelowOne},
      {0xFFFFFFFFu, kBelowOne},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(randomUnitFloat(c.word), c.value);
    EXPECT_LT(randomUnitFloat(c.word), 1.0f);
  }
  EXPECT_EQ(std::nextafter(1.0f, 0.0f), kBelowOne);
}

TEST(RandomNatives, RangesIncludeBothEndsInEitherOrder) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  struct Case {
    uint32_t word;
    int32_t a, b;
    int32_t value;
  } cases[] = {
      {0, 3, 7, 3},
      {4, 3, 7, 7},
      {5, 3, 7, 3},
      {4, 7, 3, 7},
      {123, 5, 5, 5},
      {1, -1, 1, 0},
      // The whole integer range: a span of 2^32 that 32 bits would wrap to 0.
      {0, kMin, kMax, kMin},
      {0xFFFFFFFFu, kMax, kMin, kMax},
      {0x80000000u, kMin, kMax, 0},
      // A span just above 2^31.
      {0x80000000u, -1, kMax, kMax},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.word << " in " << c.a << ".." << c.b);
    EXPECT_EQ(randomInRange(c.word, c.a, c.b), c.value);
  }
}

}  // namespace
