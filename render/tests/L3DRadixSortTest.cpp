#include "render/L3DRadixSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

namespace {

std::vector<uint32_t> Sort(const std::vector<float>& keys) {
  const uint32_t* ranks = l3dRadixSort(keys.data(), uint32_t(keys.size()));
  if (ranks == nullptr) return {};
  return std::vector<uint32_t>(ranks, ranks + keys.size());
}

bool SignBit(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return (bits >> 31) != 0;
}

}  // namespace

TEST(RadixSortTest, RanksAscendByKeyValue) {
  struct Case {
    const char* what;
    std::vector<float> keys;
    std::vector<uint32_t> ranks;
  };
  const Case cases[] = {
      {"mixed signs", {3.0f, -1.0f, 2.0f, -5.0f}, {3, 1, 2, 0}},
      {"already in order", {1.0f, 1.0f, 2.0f}, {0, 1, 2}},
      {"one key", {-7.0f}, {0}},
      {"only the sign byte differs", {1.0f, -1.0f}, {1, 0}},
      {"all negative", {-1.0f, -3.0f, -2.0f}, {1, 2, 0}},
      {"all negative, one high byte", {-1.0f, -1.5f, -1.25f}, {1, 2, 0}},
      {"wide exponents", {1e30f, 1e-30f, 0.0f, 65536.0f, 1.0f}, {2, 1, 4, 3, 0}},
      {"equal positives stay in order", {2.0f, 1.0f, 2.0f, 1.0f}, {1, 3, 0, 2}},
      {"equal negatives come out reversed", {-2.0f, -1.0f, -2.0f, 5.0f}, {2, 0, 1, 3}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sort(c.keys), c.ranks) << c.what;
  }
}

TEST(RadixSortTest, NoKeysGiveNoRanks) {
  const float key = 1.0f;
  EXPECT_EQ(l3dRadixSort(nullptr, 4), nullptr);
  EXPECT_EQ(l3dRadixSort(&key, 0), nullptr);
}

// Many sorts of varied sizes through the shared buffers, each checked against a stable sort
// with the same rule for ties.
TEST(RadixSortTest, AgreesWithAComparisonSortOverRandomKeys) {
  std::mt19937 random(12345);
  for (uint32_t size : {2000u, 3u, 700u, 256u, 257u}) {
    std::vector<float> keys(size);
    std::uniform_int_distribution<int> pick(0, 3);
    std::uniform_real_distribution<float> value(-1000.0f, 1000.0f);
    for (float& k : keys) {
      switch (pick(random)) {
        case 0: k = value(random); break;
        case 1: k = float(int(value(random)) / 100); break;  // many ties
        case 2: k = value(random) * 1e-20f; break;
        default: k = value(random) * 1e20f; break;
      }
      if (k == 0.0f) k = 0.0f;  // no negative zero: it ties with zero by value only
    }
    std::vector<uint32_t> expected(size);
    std::iota(expected.begin(), expected.end(), 0u);
    std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
      if (keys[a] != keys[b]) return keys[a] < keys[b];
      return SignBit(keys[a]) && a > b;
    });
    EXPECT_EQ(Sort(keys), expected) << size;
  }
}
