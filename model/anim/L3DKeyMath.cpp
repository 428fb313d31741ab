#include "model/anim/L3DKeyMath.h"

#include "foundation/math/DetMath.h"

#include <cmath>

namespace {

float dot(const LQuat& a, const LQuat& b) { return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w; }

// The weights' sines over the arc's own sine; the arc's angle and sine come with it.
LQuat sineBlend(const LQuat& a, const LQuat& b, float theta, float s, float t) {
  const float wa = detmath::sin((1.0f - t) * theta) / s;
  const float wb = detmath::sin(t * theta) / s;
  return {a.x * wa + b.x * wb, a.y * wa + b.y * wb, a.z * wa + b.z * wb, a.w * wa + b.w * wb};
}

LQuat linearBlend(const LQuat& a, const LQuat& b, float t) {
  LQuat q{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t,
          a.w + (b.w - a.w) * t};
  const float length = std::sqrt(dot(q, q));
  if (length > 0.0f) {
    q.x /= length;
    q.y /= length;
    q.z /= length;
    q.w /= length;
  }
  return q;
}

// log(conj(q) (x) n) as a vector.
void logRelative(const LQuat& q, const LQuat& n, float out[3]) {
  const LQuat c{-q.x, -q.y, -q.z, q.w};
  LQuat r;
  quatMultiply(r, c, n);
  const float theta = detmath::acos(r.w);
  const float s = detmath::sin(theta);
  if (s > 0.0f) {
    out[0] = r.x * theta / s;
    out[1] = r.y * theta / s;
    out[2] = r.z * theta / s;
  } else {
    out[0] = out[1] = out[2] = 0.0f;
  }
}

}  // namespace

L3DSlerpArc l3dSlerpArc(const LQuat& a, const LQuat& b, L3DArc kind) {
  L3DSlerpArc arc;
  arc.a = a;
  arc.b = b;
  float d = dot(a, b);
  if (kind == L3DArc::Shorter) {
    if (d < 0.0f) {
      arc.b = {-b.x, -b.y, -b.z, -b.w};
      d = -d;
    }
    arc.linear = !(d < 0.999f);
  } else {
    arc.linear = !(-0.999f < d && d < 0.999f);
  }
  if (!arc.linear) {
    arc.theta = detmath::acos(d);
    arc.sine = detmath::sin(arc.theta);
  }
  return arc;
}

LQuat l3dSlerpAt(const L3DSlerpArc& arc, float t) {
  if (arc.linear) return linearBlend(arc.a, arc.b, t);
  return sineBlend(arc.a, arc.b, arc.theta, arc.sine, t);
}

LQuat l3dSquadAt(const L3DSlerpArc& pq, const L3DSlerpArc& ab, float t) {
  return quatSlerpDirect(l3dSlerpAt(pq, t), l3dSlerpAt(ab, t), 2.0f * t * (1.0f - t));
}

LQuat quatSlerp(const LQuat& a, const LQuat& b, float t) {
  return l3dSlerpAt(l3dSlerpArc(a, b, L3DArc::Shorter), t);
}

LQuat quatSlerpDirect(const LQuat& a, const LQuat& b, float t) {
  return l3dSlerpAt(l3dSlerpArc(a, b, L3DArc::Direct), t);
}

LQuat quatSquad(const LQuat& p, const LQuat& q, const LQuat& a, const LQuat& b, float t) {
  return l3dSquadAt(l3dSlerpArc(p, q, L3DArc::Direct), l3dSlerpArc(a, b, L3DArc::Direct), t);
}

LQuat l3dSquadControl(const LQuat& a, const LQuat& q, const LQuat& b) {
  float la[3], lb[3];
  logRelative(q, a, la);
  logRelative(q, b, lb);
  const float v[3] = {(la[0] + lb[0]) * -0.25f, (la[1] + lb[1]) * -0.25f,
                      (la[2] + lb[2]) * -0.25f};
  const float phi = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  LQuat e = kQuatIdentity;
  if (phi > 0.0f) {
    const float s = detmath::sin(phi);
    e = {v[0] / phi * s, v[1] / phi * s, v[2] / phi * s, detmath::cos(phi)};
  }
  LQuat out;
  quatMultiply(out, q, e);
  return out;
}

void l3dHermite(float b, float c, float d, float e, uint32_t dPrev, uint32_t dCur, uint32_t dNext,
                float out[4]) {
  const float fPrev = static_cast<float>(dPrev);
  const float fCur = static_cast<float>(dCur);
  const float fNext = static_cast<float>(dNext);
  const float t0 = dPrev != 0 ? ((c - b) * fCur + (d - c) * fPrev) / (fPrev + fCur) : d - c;
  const float t1 = dNext != 0 ? ((e - d) * fCur + (d - c) * fNext) / (fCur + fNext) : 0.0f;
  out[0] = 2.0f * c - 2.0f * d + t0 + t1;
  out[1] = 3.0f * d - 3.0f * c - 2.0f * t0 - t1;
  out[2] = t0;
  out[3] = c;
}
