#include "image/omb/ombImageGamma.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>

namespace {

// Tables that are not the identity, at a few levels; the identity is reported as not needed.
TEST(OmbImageGammaTest, TableLevels) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float gamma;
    bool needed;
    std::map<int, int> levels;
  };
  const Case cases[] = {
      {1.0f, true, {{0, 0}, {1, 21}, {64, 136}, {128, 186}, {200, 228}, {255, 255}}},
      {1.8f, true, {{1, 3}, {64, 82}, {128, 145}, {255, 255}}},
      {2.2f, false, {{1, 1}, {128, 128}, {255, 255}}},
      {2.20009f, false, {{1, 1}, {128, 128}}},
      // Gammas where the curve means nothing or blows up: the identity, never a conversion of
      // an infinite or undefined value.
      {0.0f, false, {{0, 0}, {1, 1}, {128, 128}}},
      {-1.0f, false, {{0, 0}, {1, 1}, {128, 128}}},
      {std::numeric_limits<float>::quiet_NaN(), false, {{0, 0}, {128, 128}}},
      // Huge gammas are a steep curve: everything below full level goes dark.
      {inf, true, {{0, 0}, {254, 0}, {255, 255}}},
      {1e30f, true, {{0, 0}, {254, 0}, {255, 255}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.gamma));
    OmbImageGammaTable table;
    EXPECT_EQ(ombImageMakeGammaTable(c.gamma, &table), c.needed);
    for (const auto& [in, out] : c.levels) {
      EXPECT_EQ(table.level[in], out) << "level " << in;
    }
  }
}

}  // namespace
