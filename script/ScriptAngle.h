#pragma once

// Angles of the base natives: degrees for the scripts, single precision throughout.
inline constexpr float kScriptDegreesToRadians = 0.017453292f;
inline constexpr float kScriptRadiansToDegrees = 57.29578f;
inline constexpr float kScriptFullTurn = 6.2831855f;

// Brings a value into [low, high] by whole turns: while above `high` a turn is subtracted, while
// below `low` one is added, so an exact upper end stays (360 and 720 both give 360 for 0..360).
// Values too far out for stepping to be exact or to end (huge or infinite) are first reduced
// with fmod; an infinite value or NaN gives NaN.
float scriptWrapAngle(float value, float low, float high, float turn);
