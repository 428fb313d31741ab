#pragma once

// The simulation's transcendental functions, computed by the project's own code so that every
// machine gets the same bits whatever its C library: replays and network play compare results
// bit for bit. Each function takes and returns single-precision floats, evaluates in double
// precision with a fixed order of operations (range reduction, then a polynomial), and rounds
// once to float at the end, which makes the result the correctly rounded one for all but a
// vanishing share of inputs (within 1 ulp always). Angles are in radians.
//
// sqrt, fabs, floor, ceil, trunc, fmod, nearbyint, ldexp and frexp are exact in IEEE arithmetic
// and stay the C library's. Every other libm function is used only in the places that
// DetMathCallsTest lists (the MPEG decoder's tables, the device stand-in's rasteriser and
// shader interpreter, image filters, audio volume curves, tests): not in simulation code.

namespace detmath {

float sin(float x);
float cos(float x);
float tan(float x);
// Both at once, with one range reduction.
void sincos(float x, float* sine, float* cosine);
float asin(float x);
float acos(float x);
float atan(float x);
// The angle of (x, y) in -pi..pi, with the C library's rules for zeros, infinities and NaN.
float atan2(float y, float x);
// base^exponent with the C library's rules for special values (a negative base with an integer
// exponent, zeros, infinities, NaN).
float pow(float base, float exponent);

}  // namespace detmath
