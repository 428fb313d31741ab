#pragma once

#include <cstdint>

// The 3D library's random generator (xorshift128), owned by the renderer; effects and
// animation events draw from it. Replays do not depend on it: the renderer seeds it from the
// clock.
struct L3DRandom {
  uint32_t x = 0;
  uint32_t y = 0;
  uint32_t z = 0;
  uint32_t w = 0;

  void Seed(uint32_t seed);
  // One step; the new w.
  uint32_t Next();
  // [0, 1): the top 23 bits of w as a fraction.
  float NextFloat();
  // An integer in [min(a, b), max(a, b)].
  int32_t NextRange(int32_t a, int32_t b);
};
