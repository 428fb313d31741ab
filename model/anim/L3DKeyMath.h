#pragma once

#include "foundation/math/LQuat.h"

#include <cstdint>

// The interpolation maths of the animation keys, in single precision and in the order written
// here (the build keeps -ffp-contract=off), so a pose is the same on every machine.

// Spherical blend along the shorter arc (b is negated when a . b < 0); at a . b >= 0.999 the
// normalised linear blend, so equal rotations never divide by sin 0.
LQuat quatSlerp(const LQuat& a, const LQuat& b, float t);
// The same without choosing the shorter arc; the linear blend outside -0.999 < a . b < 0.999.
LQuat quatSlerpDirect(const LQuat& a, const LQuat& b, float t);
// slerpDirect(slerpDirect(p, q, t), slerpDirect(a, b, t), 2t(1 - t)).
LQuat quatSquad(const LQuat& p, const LQuat& q, const LQuat& a, const LQuat& b, float t);

// The part of a slerp that depends only on its two ends (the arc's angle and its sine, or the
// choice of the linear blend), worked out once when a key is built, so that a frame only
// evaluates the sines of t. Evaluating an arc gives the same bits as the slerp it stands for.
enum class L3DArc { Shorter, Direct };
struct L3DSlerpArc {
  LQuat a, b;  // b already negated when the shorter arc needed it
  float theta = 0.0f;
  float sine = 0.0f;
  bool linear = true;
};
L3DSlerpArc l3dSlerpArc(const LQuat& a, const LQuat& b, L3DArc kind);
LQuat l3dSlerpAt(const L3DSlerpArc& arc, float t);
// quatSquad(p, q, a, b, t) from the arcs p..q and a..b (both L3DArc::Direct).
LQuat l3dSquadAt(const L3DSlerpArc& pq, const L3DSlerpArc& ab, float t);

// The inner control rotation of q between its neighbours a and b for quatSquad:
// q (x) exp(-(log(conj(q) (x) a) + log(conj(q) (x) b)) / 4). No neighbour is sign-flipped.
LQuat l3dSquadControl(const LQuat& a, const LQuat& q, const LQuat& b);

// The cubic a3 t^3 + a2 t^2 + a1 t + a0 from c (t = 0) to d (t = 1), with the neighbours b and e
// and the frame counts of the three intervals weighting the tangents. out = {a3, a2, a1, a0}.
void l3dHermite(float b, float c, float d, float e, uint32_t dPrev, uint32_t dCur, uint32_t dNext,
                float out[4]);
