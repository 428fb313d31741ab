#include "platform/d3d9/raster/Clipper.h"

#include <cstring>

namespace d3d9 {
namespace {

inline float distance(const float* p, const ClipPlane& q) {
  return q.a * p[0] + q.b * p[1] + q.c * p[2] + q.d * p[3] + q.e;
}

// Puts a vertex made by cutting an edge exactly on the plane. Between vertices far apart (near
// 1e30, say) the interpolated coordinate the plane bounds carries an error of the order of their
// size, which can exceed the whole guard band and move the cut across the screen; solved from
// the plane, that coordinate is as exact as the others.
void snapToPlane(float* p, const ClipPlane& q) {
  if (q.a != 0.0f) {
    p[0] = -(q.b * p[1] + q.c * p[2] + q.d * p[3] + q.e) / q.a;
  } else if (q.b != 0.0f) {
    p[1] = -(q.a * p[0] + q.c * p[2] + q.d * p[3] + q.e) / q.b;
  } else if (q.c != 0.0f) {
    p[2] = -(q.a * p[0] + q.b * p[1] + q.d * p[3] + q.e) / q.c;
  } else if (q.d != 0.0f) {
    p[3] = -(q.a * p[0] + q.b * p[1] + q.c * p[2] + q.e) / q.d;
  }
}

}  // namespace

uint32_t outcode(const float* position, const ClipPlane* planes, uint32_t planeCount) {
  uint32_t code = 0;
  for (uint32_t i = 0; i < planeCount; ++i) {
    if (!(distance(position, planes[i]) >= 0.0f)) code |= 1u << i;
  }
  return code;
}

uint32_t clipPolygon(ClipVertex* polygon, uint32_t count, uint32_t width,
                     const ClipPlane* planes, uint32_t planeCount, uint32_t mask) {
  ClipVertex scratch[kMaxClipVertices];
  for (uint32_t p = 0; p < planeCount && count > 0; ++p) {
    if (!(mask & (1u << p))) continue;
    uint32_t out = 0;
    for (uint32_t i = 0; i < count; ++i) {
      const float* a = polygon[i];
      const float* b = polygon[(i + 1) % count];
      const float da = distance(a, planes[p]), db = distance(b, planes[p]);
      const bool aIn = da >= 0.0f, bIn = db >= 0.0f;
      if (aIn && out < kMaxClipVertices) std::memcpy(scratch[out++], a, width * sizeof(float));
      if (aIn != bIn && out < kMaxClipVertices) {
        // Always interpolate from the inside vertex so both triangles sharing an edge get
        // exactly the same new vertex.
        const float* in = aIn ? a : b;
        const float* outside = aIn ? b : a;
        const float din = aIn ? da : db, dout = aIn ? db : da;
        const float t = din / (din - dout);
        for (uint32_t k = 0; k < width; ++k) scratch[out][k] = in[k] + (outside[k] - in[k]) * t;
        snapToPlane(scratch[out], planes[p]);
        ++out;
      }
    }
    count = out;
    for (uint32_t i = 0; i < count; ++i) std::memcpy(polygon[i], scratch[i], width * sizeof(float));
  }
  return count;
}

}  // namespace d3d9
