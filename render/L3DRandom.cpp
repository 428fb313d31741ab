#include "render/L3DRandom.h"

#include <algorithm>
#include <bit>

void L3DRandom::Seed(uint32_t seed) {
  uint32_t s[5] = {seed};
  for (uint32_t i = 1; i < 5; ++i) s[i] = 1812433253u * (s[i - 1] ^ (s[i - 1] >> 30)) + i;
  x = s[1];
  y = s[2];
  z = s[3];
  w = s[4];
  for (int i = 0; i < 32; ++i) Next();
}

uint32_t L3DRandom::Next() {
  const uint32_t t = x ^ (x << 11);
  x = y;
  y = z;
  z = w;
  w = w ^ (w >> 19) ^ t ^ (t >> 8);
  return w;
}

float L3DRandom::NextFloat() {
  return std::bit_cast<float>((Next() >> 9) | 0x3F800000u) - 1.0f;
}

int32_t L3DRandom::NextRange(int32_t a, int32_t b) {
  // The lowest fraction bit is cleared. The product is a float as always; it is turned into a
  // 64-bit integer and the result kept within the range, because for ranges wider than a float
  // holds exactly the product can round up to the width (and past what 32 bits hold).
  const float f = std::bit_cast<float>(((Next() >> 9) & 0x7FFFFEu) | 0x3F800000u) - 1.0f;
  const int32_t low = std::min(a, b);
  const int32_t high = std::max(a, b);
  const int64_t offset = int64_t(float(int64_t(high) - low + 1) * f);
  return int32_t(std::min<int64_t>(low + offset, high));
}
