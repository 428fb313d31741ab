#pragma once

#include "foundation/omb/ombRandom.h"

#include <cstdint>

// Draws of the engines' simulation. Each takes exactly one word from the engine's seeded
// generator, so a replay that reseeds it sees the same values in the same order.

// u * 2^-32 rounded to a float: the 128 largest words round up to exactly 1.0, every other word
// gives a value in [0, 1).
float randomFloat(OMB_RANDOM* generator);

// lo + floor(u * (span + 1) * 2^-32) with lo = min(a, b) and span = |a - b|: always within both
// ends, whichever order they come in. Computed in 64-bit integers, which is exact for every a
// and b.
int32_t randomRange(int32_t a, int32_t b, OMB_RANDOM* generator);
