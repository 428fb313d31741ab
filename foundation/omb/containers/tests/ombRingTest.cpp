#include "foundation/omb/containers/ombRing.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

std::vector<int> readAll(OMB_RING* ring) {
  std::vector<int> out(ombRingGetCount(ring));
  out.resize(ombRingRead(ring, out.data(), static_cast<uint32_t>(out.size())));
  return out;
}

TEST(ombRing, OneSlotStaysEmptyWithoutGrowth) {
  OMB_RING ring;
  ASSERT_TRUE(ombRingInit(&ring, sizeof(int), 4, 0));
  const int values[] = {1, 2, 3, 4};
  EXPECT_EQ(ombRingWrite(&ring, values, 4), 3u);
  EXPECT_EQ(ombRingGetCount(&ring), 3u);
  EXPECT_EQ(ombRingGetSpace(&ring), 1u);
  EXPECT_EQ(readAll(&ring), (std::vector<int>{1, 2, 3}));
  ombRingUninit(&ring);
}

// Growth copies a wrapped ring to the start of the new buffer in order.
TEST(ombRing, GrowsByTheStepKeepingTheOrderOfAWrappedRing) {
  OMB_RING ring;
  ASSERT_TRUE(ombRingInit(&ring, sizeof(int), 4, 4));
  const int head[] = {1, 2, 3};
  ombRingWrite(&ring, head, 3);
  int dropped[2];
  ombRingRead(&ring, dropped, 2);  // read index 2, write index 3
  const int more[] = {4, 5, 6, 7, 8};
  EXPECT_EQ(ombRingWrite(&ring, more, 5), 5u);
  EXPECT_EQ(ring.capacity, 8u);
  EXPECT_EQ(readAll(&ring), (std::vector<int>{3, 4, 5, 6, 7, 8}));
  ombRingUninit(&ring);
}

TEST(ombRing, PeekAndSkip) {
  OMB_RING ring;
  ASSERT_TRUE(ombRingInit(&ring, sizeof(int), 8, 0));
  std::vector<int> values(5);
  std::iota(values.begin(), values.end(), 10);
  // Start near the end of the buffer so that reads wrap.
  ring.read = ring.write = 6;
  ombRingWrite(&ring, values.data(), 5);

  struct Case {
    uint32_t n, offset;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {2, 0, {10, 11}},
      {9, 3, {13, 14}},
      {1, 5, {}},      // offset equal to the count: nothing left to copy
      {1, 6, {}},      // offset beyond the count
  };
  for (const auto& c : cases) {
    std::vector<int> out(8, -1);
    const uint32_t copied = ombRingPeek(&ring, out.data(), c.n, c.offset);
    out.resize(copied);
    EXPECT_EQ(out, c.expected) << c.n << " at " << c.offset;
    EXPECT_EQ(ombRingGetCount(&ring), 5u);
  }
  EXPECT_EQ(ombRingSkip(2, &ring), 2u);
  EXPECT_EQ(ombRingSkip(9, &ring), 3u);
  EXPECT_EQ(ombRingGetCount(&ring), 0u);
  ombRingUninit(&ring);
}

}  // namespace
