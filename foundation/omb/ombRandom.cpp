#include "foundation/omb/ombRandom.h"

#include "foundation/omb/ombCore.h"

#include <cstdlib>
#include <ctime>

namespace {

constexpr uint32_t kSeedWords = 17;
constexpr uint32_t kWarmUpSteps = 16;

// One step of the seeding congruential generator, modulo 2^32 by unsigned wrap-around.
uint32_t lcgStep(uint32_t* state) {
  *state = *state * 214013u + 2531011u;
  return *state;
}

uint32_t advance(uint32_t index) {
  return index + 1 == OMB_RANDOM_WORDS ? 0 : index + 1;
}

void fillRegister(OMB_RANDOM* generator, uint32_t seed) {
  uint32_t w[OMB_RANDOM_WORDS];
  uint32_t s = seed;
  // Each seed word takes 21 bits from the second and third of three steps; the first step's
  // value is thrown away, but the state still advances through it.
  for (uint32_t t = 0; t < kSeedWords; ++t) {
    lcgStep(&s);
    const uint32_t b = lcgStep(&s);
    const uint32_t c = lcgStep(&s);
    w[t] = ((b >> 10) & 0x1FFC00u) | ((c >> 21) & 0x3FFu);
  }
  w[16] = (w[16] << 23) | ((w[0] >> 9) ^ w[15]);
  for (uint32_t t = kSeedWords; t < OMB_RANDOM_WORDS; ++t) {
    w[t] = ((w[t - 17] << 23) | (w[t - 16] >> 9)) ^ w[t - 1];
  }
  // Warm-up: the register takes one word of w, then w runs 16 steps of its own recurrence.
  uint32_t p = 0;
  for (uint32_t r = 0; r < OMB_RANDOM_WORDS; ++r) {
    generator->x[r] = w[p];
    for (uint32_t step = 0; step < kWarmUpSteps; ++step) {
      const uint32_t tap = p + OMB_RANDOM_TAP < OMB_RANDOM_WORDS
                               ? p + OMB_RANDOM_TAP
                               : p + OMB_RANDOM_TAP - OMB_RANDOM_WORDS;
      w[p] ^= w[tap];
      p = advance(p);
    }
  }
}

}  // namespace

OMB_RANDOM* ombRandomCreate(uint32_t seed) {
  auto* generator = ombCheckAlloc(static_cast<OMB_RANDOM*>(std::malloc(sizeof(OMB_RANDOM))));
  if (!generator) {
    return nullptr;
  }
  if (seed == 0) {
    seed = static_cast<uint32_t>(std::time(nullptr));
  }
  fillRegister(generator, seed);
  generator->i = 0;
  generator->j = OMB_RANDOM_TAP;
  generator->k = 0;
  ombRandomGetU32(generator);
  return generator;
}

uint32_t ombRandomGetU32(OMB_RANDOM* generator) {
  OMB_RANDOM& g = *generator;
  const uint32_t result = g.x[g.i];
  g.x[g.i] = g.x[g.j] ^ g.x[g.k];
  g.i = advance(g.i);
  g.j = advance(g.j);
  g.k = advance(g.k);
  return result;
}
