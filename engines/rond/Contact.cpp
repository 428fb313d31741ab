#include "engines/rond/Contact.h"

#include <cmath>

namespace rond {

namespace {

int32_t add(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
int32_t sub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
float world(int32_t v) { return static_cast<float>(v) * kFixedToFloat; }

// One horizontal axis: the move is cut where the body's side would cross the box.
void clampSide(int32_t& m, int32_t c, int32_t r, int32_t min, int32_t max) {
  if (m > 0 && int64_t(c) + r + m > max) {
    m = int32_t(int64_t(max) - r - c);
  } else if (m < 0 && int64_t(c) + m - r < min) {
    m = int32_t(int64_t(min) + r - c);
  }
}

}  // namespace

void clampMove(FixedVec3& move, const Extents& e, const Box& box) {
  clampSide(move.x, e.saved.x, e.radius, box.min.x, box.max.x);
  clampSide(move.z, e.saved.z, e.radius, box.min.z, box.max.z);
  if (move.y > 0 && int64_t(e.saved.y) + e.top + move.y > box.max.y) {
    move.y = int32_t(int64_t(box.max.y) - (int64_t(e.saved.y) + e.top));
  } else if (move.y < 0 && int64_t(e.saved.y) + e.bottom + move.y < box.min.y) {
    move.y = int32_t(int64_t(box.min.y) - (int64_t(e.saved.y) + e.bottom));
  }
}

bool resolveContact(const FixedVec3 p[2], FixedVec3 move[2], const Extents e[2]) {
  const FixedVec3 n[2] = {
      {add(p[0].x, move[0].x), add(p[0].y, move[0].y), add(p[0].z, move[0].z)},
      {add(p[1].x, move[1].x), add(p[1].y, move[1].y), add(p[1].z, move[1].z)}};
  // Heights that only touch do not meet.
  if (!(int64_t(n[0].y) + e[0].top > int64_t(n[1].y) + e[1].bottom &&
        int64_t(n[1].y) + e[1].top > int64_t(n[0].y) + e[0].bottom)) {
    return false;
  }

  const float dx = world(p[1].x) - world(p[0].x);
  const float dz = world(p[1].z) - world(p[0].z);
  const float radii = world(e[0].radius) + world(e[1].radius);
  const float d2 = dx * dx + dz * dz;
  FixedVec3 c[2] = {p[0], p[1]};
  if (!(radii * radii >= d2)) {
    const float vx = ((world(n[1].x) - world(n[0].x)) - dx);
    const float vz = ((world(n[1].z) - world(n[0].z)) - dz);
    const float a = vx * vx + vz * vz;
    if (a == 0.0f) return false;
    const float h = vx * dx + vz * dz;
    const float k = d2 - radii * radii;
    const float disc = h * h - a * k;
    if (disc < 0.0f) return false;
    const float s = (-h - std::sqrt(disc)) / a;
    if (s < -0.01f || s > 1.0f) return false;
    for (int i = 0; i < 2; ++i) {
      c[i].x = add(p[i].x, roundFixed(static_cast<float>(sub(n[i].x, p[i].x)) * s));
      c[i].z = add(p[i].z, roundFixed(static_cast<float>(sub(n[i].z, p[i].z)) * s));
    }
  }

  if (c[0].x == c[1].x && c[0].z == c[1].z) {
    c[0].z = sub(c[0].z, 15);
    c[1].z = add(c[1].z, 15);
  } else {
    const float ux = static_cast<float>(sub(c[1].x, c[0].x));
    const float uz = static_cast<float>(sub(c[1].z, c[0].z));
    const float length = std::sqrt(ux * ux + uz * uz);
    const float scale = 0.015f * 1024.0f;
    const int32_t sx = roundFixed(ux / length * scale);
    const int32_t sz = roundFixed(uz / length * scale);
    c[0].x = sub(c[0].x, sx);
    c[0].z = sub(c[0].z, sz);
    c[1].x = add(c[1].x, sx);
    c[1].z = add(c[1].z, sz);
  }

  const int32_t f0x = add(c[0].x, sub(n[1].x, c[1].x) >> 1);
  const int32_t f0z = add(c[0].z, sub(n[1].z, c[1].z) >> 1);
  const int32_t f1x = add(c[1].x, sub(n[0].x, c[0].x) >> 1);
  const int32_t f1z = add(c[1].z, sub(n[0].z, c[0].z) >> 1);
  move[0].x = sub(f0x, p[0].x);
  move[0].z = sub(f0z, p[0].z);
  move[1].x = sub(f1x, p[1].x);
  move[1].z = sub(f1z, p[1].z);
  return true;
}

}  // namespace rond
