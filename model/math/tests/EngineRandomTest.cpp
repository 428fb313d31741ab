#include "model/math/EngineRandom.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <memory>

namespace {

struct FreeDeleter {
  void operator()(OMB_RANDOM* g) const { std::free(g); }
};
using Generator = std::unique_ptr<OMB_RANDOM, FreeDeleter>;

// A seeded generator whose next word is forced, so a test can pick the drawn value.
class EngineRandomTest : public ::testing::Test {
 protected:
  Generator generator{ombRandomCreate(12345)};
  OMB_RANDOM* g() { return generator.get(); }
  void forceNext(uint32_t word) { g()->x[g()->i] = word; }
};

}  // namespace

TEST_F(EngineRandomTest, FloatRoundsTheTopWordsToOne) {
  const struct {
    uint32_t word;
    float value;
  } cases[] = {
      {0u, 0.0f},
      {0x80000000u, 0.5f},
      {0xFFFFFF7Fu, 0.99999994f},  // 129 below 2^32: the largest value under 1
      {0xFFFFFF80u, 1.0f},         // 128 below: rounds up
      {0xFFFFFFFFu, 1.0f},
  };
  for (const auto& c : cases) {
    forceNext(c.word);
    EXPECT_EQ(randomFloat(g()), c.value) << std::hex << c.word;
  }
}

TEST_F(EngineRandomTest, RangeCoversBothEndsInEitherOrder) {
  const struct {
    int32_t a, b;
    uint32_t word;
    int32_t value;
  } cases[] = {
      {2, 5, 0u, 2},
      {5, 2, 0u, 2},
      {2, 5, 0xFFFFFFFFu, 5},
      {5, 2, 0xFFFFFFFFu, 5},
      {2, 5, 0x80000000u, 4},
      {-3, 3, 0x40000000u, -2},  // 7 * 0.25 = 1.75
      {3, 3, 0xFFFFFFFFu, 3},
      {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), 0xFFFFFFFFu,
       std::numeric_limits<int32_t>::max()},
      {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(), 0u,
       std::numeric_limits<int32_t>::min()},
  };
  for (const auto& c : cases) {
    forceNext(c.word);
    EXPECT_EQ(randomRange(c.a, c.b, g()), c.value) << c.a << ".." << c.b << " " << c.word;
  }
}

TEST_F(EngineRandomTest, EveryDrawTakesOneWord) {
  Generator twin{ombRandomCreate(12345)};
  randomRange(3, 3, g());
  randomFloat(g());
  randomRange(-10, 10, g());
  for (int n = 0; n < 3; ++n) ombRandomGetU32(twin.get());
  EXPECT_EQ(ombRandomGetU32(g()), ombRandomGetU32(twin.get()));
}

TEST_F(EngineRandomTest, RangeStaysInsideOverManyDraws) {
  int seen[4] = {};
  for (int n = 0; n < 4000; ++n) {
    const int32_t v = randomRange(5, 2, g());
    ASSERT_GE(v, 2);
    ASSERT_LE(v, 5);
    ++seen[v - 2];
  }
  for (int count : seen) EXPECT_GT(count, 800);
}
