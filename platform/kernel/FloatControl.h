#pragma once

#include <cstdint>

namespace platform {

// The floating-point control state the game's simulation runs under, the same on every machine:
// denormal results flushed to zero, denormal inputs read as zero, rounding to nearest. Set on
// the game thread at start-up and again at every frame (code the game calls may change it).
// Single-precision arithmetic is already 24-bit on this processor's vector unit, so there is no
// precision setting.
void applyGameFloatControl();

// The bits of the current state that applyGameFloatControl sets: flush-to-zero, denormals-are-
// zero and the rounding mode, in the processor's control-register layout (0 where the processor
// has no such register).
uint32_t gameFloatControlBits();
inline constexpr uint32_t kFloatFlushToZero = 0x8000;
inline constexpr uint32_t kFloatDenormalsAreZero = 0x0040;
inline constexpr uint32_t kFloatRoundingMask = 0x6000;

}  // namespace platform
