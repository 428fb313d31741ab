// Trails: a ribbon behind two world-space points. Each frame the pair is sampled; old samples
// age out; when the points moved far since the last kept sample, samples on circular arcs fill
// the gap so that the ribbon bends instead of cutting the corner.

#include "foundation/math/DetMath.h"
#include "model/effect/L3DEffectManager.h"

#include <cmath>
#include <cstring>

namespace {

constexpr float kSpacingMin = 0.001f;

LVec3 point(const float* p) { return {p[0], p[1], p[2]}; }
LVec3 sub(const LVec3& a, const LVec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
LVec3 addv(const LVec3& a, const LVec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
LVec3 mul(const LVec3& a, float f) { return {a.x * f, a.y * f, a.z * f}; }
float length(const LVec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// The end e (0: A, 1: B) of a sample.
LVec3& end(L3D_EFFECT_TRAILSAMPLE& s, int e) { return e == 0 ? s.a : s.b; }

// Drops the first n samples of the first count, moving the rest to the front.
void dropFront(L3D_EFFECT_TRACKER& t, uint32_t n, uint32_t count) {
  if (n == 0) return;
  std::memmove(&t.samples[0], &t.samples[n], sizeof(L3D_EFFECT_TRAILSAMPLE) * (count - n));
}

}  // namespace

void L3DEffectManager::_TrailUpdate(L3D_EFFECT_WORKPART* part) {
  L3D_EFFECT_TRACKER& t = *part->tracker;
  if (part->imageMode == L3D_EFFECT_IMAGE_NONE || part->model != -5) {
    t.committed = 0;
    t.pending = 0;
    return;
  }
  uint32_t dead = 0;
  for (uint32_t i = 0; i < t.committed; ++i) t.samples[i].life -= 1.0f;
  while (dead < t.committed && t.samples[dead].life < 0.0f) ++dead;
  dropFront(t, dead, t.committed);
  t.committed -= dead;
  t.pending = 0;

  const L3D_EFFECT_WORKROOT* root = part->root;
  if (root->trailA == nullptr || root->trailB == nullptr) return;

  --t.countdown;
  const bool commit = t.countdown < 1;
  if (commit) t.countdown = t.interval;

  L3D_EFFECT_TRAILSAMPLE current{t.life, point(root->trailA), point(root->trailB)};
  uint32_t m = 1;
  int inner = 0;
  float f = 0.0f;
  if (t.spacing >= kSpacingMin && t.committed >= 1) {
    L3D_EFFECT_TRAILSAMPLE& last = t.samples[t.committed - 1];
    const float dA = length(sub(current.a, last.a));
    const float dB = length(sub(current.b, last.b));
    inner = dB >= dA ? 0 : 1;
    const float dInner = inner == 0 ? dA : dB;
    const float dOuter = inner == 0 ? dB : dA;
    const float steps = dOuter / t.spacing;
    const uint32_t n = steps >= static_cast<float>(L3D_EFFECT_TRAIL_ADD_MAX) ? L3D_EFFECT_TRAIL_ADD_MAX
                       : steps >= 1.0f ? static_cast<uint32_t>(steps)
                                       : 0;
    if (n != 0) {
      m = n + 1 < L3D_EFFECT_TRAIL_ADD_MAX ? n + 1 : L3D_EFFECT_TRAIL_ADD_MAX;
      f = dInner / dOuter;
    }
  }

  if (t.committed + m > L3D_EFFECT_TRAIL_SAMPLES) {
    const uint32_t drop = t.committed + m - L3D_EFFECT_TRAIL_SAMPLES;
    dropFront(t, drop, t.committed);
    t.committed -= drop;
  }

  L3D_EFFECT_TRAILSAMPLE* out = &t.samples[t.committed];
  if (m > 1) {
    // The last kept sample survives the drop above: m <= 8 leaves room for it.
    L3D_EFFECT_TRAILSAMPLE last = t.samples[t.committed - 1];
    const LVec3 p = end(current, inner);
    const LVec3 q = end(current, 1 - inner);
    const LVec3 lp = end(last, inner);
    const LVec3 lq = end(last, 1 - inner);
    const LVec3 o = mul(addv(sub(p, mul(sub(q, p), f)), sub(lp, mul(sub(lq, lp), f))), 0.5f);
    const float lifeStep = (t.life - last.life) / static_cast<float>(m);
    for (uint32_t i = 1; i < m; ++i) out[i - 1].life = last.life + static_cast<float>(i) * lifeStep;
    for (int e = 0; e < 2; ++e) {
      const LVec3 a = sub(end(last, e), o);
      LVec3 pn;
      vec3Normalize(pn, a);
      LVec3 qn;
      vec3Normalize(qn, sub(end(current, e), o));
      // The cross product's length is the sine of the angle; the rotation needs a unit axis or
      // it scales the arc's points off the circle.
      LVec3 axisV = vec3Cross(pn, qn);
      vec3Normalize(axisV, axisV);
      const float axis[3] = {axisV.x, axisV.y, axisV.z};
      // Rounding can push the cosine of two unit vectors just past 1; acos would give NaN.
      float cosine = vec3Dot(pn, qn);
      cosine = cosine > 1.0f ? 1.0f : cosine < -1.0f ? -1.0f : cosine;
      const float step = detmath::acos(cosine) / static_cast<float>(m);
      for (uint32_t i = 1; i < m; ++i) {
        LMat r;
        r.SetRotationAxis(axis, static_cast<float>(i) * step);
        LVec3 turned;
        turned.x = a.x * r.m[0][0] + a.y * r.m[1][0] + a.z * r.m[2][0];
        turned.y = a.x * r.m[0][1] + a.y * r.m[1][1] + a.z * r.m[2][1];
        turned.z = a.x * r.m[0][2] + a.y * r.m[1][2] + a.z * r.m[2][2];
        end(out[i - 1], e) = addv(o, turned);
      }
    }
  }
  out[m - 1] = current;
  if (commit) {
    t.committed += m;
  } else {
    t.pending = m;
  }
}

bool L3DEffectManager::_BuildTrail(const LMat& view, std::vector<L3D_RENDERER_VERTEX>& vertices,
                                   uint32_t& indexCount, const L3D_EFFECT_WORKPART& part,
                                   const L3D_EFFECT_IMAGE& image) const {
  if (part.tracker == nullptr) return false;
  const L3D_EFFECT_TRACKER& t = *part.tracker;
  const uint32_t n = t.committed + t.pending;
  if (n <= 1) return false;
  const uint32_t colour = l3dEffectColourByte(part.finalColour[3]) << 24 |
                          l3dEffectColourByte(part.finalColour[0]) << 16 |
                          l3dEffectColourByte(part.finalColour[1]) << 8 |
                          l3dEffectColourByte(part.finalColour[2]);
  for (uint32_t k = 0; k < n; ++k) {
    const L3D_EFFECT_TRAILSAMPLE& s = t.samples[k];
    const float u = image.u0 + (image.u1 - image.u0) * s.life * t.inverseLife;
    for (int e = 0; e < 2; ++e) {
      const LVec3& p = e == 0 ? s.a : s.b;
      const float in[3] = {p.x, p.y, p.z};
      L3D_RENDERER_VERTEX& v = vertices.emplace_back();
      float q[3];
      vec3TransformCoord(view, in, q);
      v.x = q[0];
      v.y = q[1];
      v.z = q[2];
      v.colour = colour;
      v.u = u;
      v.v = e == 0 ? image.v0 : image.v1;
    }
  }
  indexCount = 6 * (n - 1);
  return true;
}
