#include "image/omb/ombImageGamma.h"

#include <cmath>

bool ombImageMakeGammaTable(float gamma, OmbImageGammaTable* table) {
  const bool identity = !(gamma > 0.0f) || std::fabs(gamma - 2.2f) <= 0.0001f;
  if (identity) {
    for (int i = 0; i < 256; ++i) {
      table->level[i] = static_cast<uint8_t>(i);
    }
    return false;
  }
  // Both factors are single-precision values (1/255 and 1/2.2), so the table is the same on
  // every machine that rounds the products alike.
  const float exponent = gamma * 0.45454544f;
  for (int i = 0; i < 256; ++i) {
    const float base = static_cast<float>(i) * 0.003921569f;
    const double value = 255.0 * std::pow(static_cast<double>(base), static_cast<double>(exponent));
    // The base of entry 255 may come out a hair above 1, which a huge exponent (or an infinite
    // gamma) turns into infinity: the top is clamped. Every other value lies in [0, 255].
    const double rounded = std::round(value);
    table->level[i] = static_cast<uint8_t>(rounded > 255.0 ? 255.0 : rounded);
  }
  return true;
}

void ombImageApplyGamma(const OmbImageGammaTable& table, uint8_t* rgba, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i, rgba += 4) {
    rgba[0] = table.level[rgba[0]];
    rgba[1] = table.level[rgba[1]];
    rgba[2] = table.level[rgba[2]];
  }
}
