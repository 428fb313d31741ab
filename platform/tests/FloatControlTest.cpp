#include "platform/kernel/FloatControl.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>

namespace {

TEST(FloatControl, FlushesDenormalsAndRoundsToNearest) {
  const std::fenv_t saved = [] {
    std::fenv_t e;
    std::fegetenv(&e);
    return e;
  }();
  std::fesetround(FE_UPWARD);
  platform::applyGameFloatControl();
  EXPECT_EQ(platform::gameFloatControlBits(),
            platform::kFloatFlushToZero | platform::kFloatDenormalsAreZero);
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  // A result below the smallest normal float is flushed to zero, and a denormal input reads
  // as zero.
  volatile float small = FLT_MIN;
  volatile float half = 0.5f;
  EXPECT_EQ(small * half, 0.0f);
  std::fesetenv(&saved);
}

}  // namespace
