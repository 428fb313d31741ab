#pragma once

// Clips a triangle against a set of planes, in any space where the vertex data are linear:
// clip space before the perspective division, or screen space with channels already multiplied
// by 1/w. A vertex is its first four floats (a position) followed by `width - 4` more.

#include "platform/d3d9/raster/Stages.h"

namespace d3d9 {

constexpr uint32_t kClipFloats = 4 + kMaxChannels;
constexpr uint32_t kMaxClipVertices = 12;

struct ClipPlane {
  float a, b, c, d, e;  // kept where a*x + b*y + c*z + d*w + e >= 0
};

using ClipVertex = float[kClipFloats];

// Which planes (bit i for plane i) the position fails.
uint32_t outcode(const float* position, const ClipPlane* planes, uint32_t planeCount);

// Clips the polygon in place; returns its new vertex count (0 when nothing is left).
uint32_t clipPolygon(ClipVertex* polygon, uint32_t count, uint32_t width,
                     const ClipPlane* planes, uint32_t planeCount, uint32_t mask);

}  // namespace d3d9
