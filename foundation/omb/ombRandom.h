#pragma once

#include <cstdint>

// The framework's generator of 32-bit random words: a generalised feedback shift register over
// 521 words, x[n] = x[n-521] xor x[n-32], seeded through a linear congruential generator. A
// replay reproduces a match from its stored seed alone, so the words must be the same on every
// machine and in every build; nothing here may depend on the platform or on floating point.
//
// Not thread-safe: each generator belongs to one thread.
inline constexpr uint32_t OMB_RANDOM_WORDS = 521;
inline constexpr uint32_t OMB_RANDOM_TAP = 489;  // i - 32 modulo 521

struct OMB_RANDOM {
  uint32_t x[OMB_RANDOM_WORDS];  // the register
  uint32_t i;                    // index of the word returned next
  uint32_t j;                    // index of the tap word, i + 489 modulo 521
  uint32_t k;                    // always equal to i
};

// A new generator from the process heap; the owner releases it with std::free (there is no
// destroy function). A seed of 0 means the current time in seconds (low 32 bits). Heap
// exhaustion is the level-0 "Error: Out of memory."; the result is null when the error hook
// returns.
OMB_RANDOM* ombRandomCreate(uint32_t seed);

// The next word: the register word that this draw replaces (no tempering).
uint32_t ombRandomGetU32(OMB_RANDOM* generator);
