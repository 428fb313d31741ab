#pragma once

#include <cstdint>

// World units of the action engines: signed 32-bit integers, 1024 per unit. Every float that
// enters the simulation passes through floatToFixed, so its rounding is part of what replays
// and network peers must agree on.
inline constexpr int32_t kFixedOne = 1024;
// 2^-10: exact, so the back-conversion loses nothing.
inline constexpr float kFixedToFloat = 0.0009765625f;

struct FixedVec2 {
  int32_t x;
  int32_t y;
};

struct FixedVec3 {
  int32_t x;
  int32_t y;
  int32_t z;
};

// p = f * 1024 in single precision; the half is added (or subtracted) in single precision by the
// sign of p and the sum truncated, so halves go away from zero and -0.0 gives 0. The float add
// matters: a value a hair under a half can round up to it. Values beyond the 32-bit range
// saturate and NaN gives 0 (the plain conversion is undefined there).
int32_t floatToFixed(float f);
// A value already scaled to fixed-point units (a transformed offset, a sum of positions) rounded
// the same way: halves away from zero, saturated, NaN 0.
int32_t roundFixed(float scaled);
FixedVec2 vec2ToFixed(float x, float y);
FixedVec3 vec3ToFixed(float x, float y, float z);

inline float fixedToFloat(int32_t value) { return static_cast<float>(value) * kFixedToFloat; }

// Angles: 1/1024 radian, a full turn 6434 (2 pi * 1024 rounded up).
inline constexpr int32_t kAngleFullTurn = 6434;
inline constexpr float kDegreesToRadians = 0.017453292f;
// 180 / (1024 pi)
inline constexpr float kAngleToDegrees = 0.05595291f;

// Brings an angle into 0..6434 by whole turns, both ends included: 6434 stays 6434 while 12868
// comes to 6434 and 12869 to 1 (subtracting while above 6434, then adding while below 0).
int32_t wrapAngle(int32_t a);

// Degrees from a script to an angle: (degrees * 0.017453292) * 1024 in single precision, rounded
// as floatToFixed rounds. Not wrapped.
int32_t degreesToAngle(float degrees);
float angleToDegrees(int32_t angle);
