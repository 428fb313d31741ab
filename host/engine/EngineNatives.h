#pragma once

#include "squirrel/squirrel.h"

#include <cstdint>

// Native bodies that the script-only engines and the versus engine register alike.

// A uniform integer between the smaller and the larger argument, both included, from the
// calling engine's seeded generator. The span is computed in 64 bits, so the full integer range
// works too.
int32_t engineGetRandomRange(HSQUIRRELVM vm, int32_t a, int32_t b);
// The integer for one generator word: lo + word modulo (hi - lo + 1).
int32_t randomInRange(uint32_t word, int32_t a, int32_t b);
// Fades the playing music out over the time in milliseconds (a negative time counts as 1).
void bgmFadeout(HSQUIRRELVM vm, int32_t time);
void bgmStop(HSQUIRRELVM vm);
// Sets the playing music's volume; nothing when none plays.
void bgmSetVolume(HSQUIRRELVM vm, float volume);
// Replaces the input-mapping script (an empty name removes it).
void inputCustomize(HSQUIRRELVM vm, const char16_t* name);
