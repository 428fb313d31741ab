#pragma once

// Sampling a texture at interpolated coordinates over a span, shared by the fixed-function
// stages and the pixel shaders: the level of detail comes from the screen-space gradients of
// the coordinates, exactly and per pair of pixels under perspective, once per span without.

#include "platform/d3d9/raster/Sampler.h"
#include "platform/d3d9/raster/Stages.h"

namespace d3d9 {

struct SpanScratch {
  float lods[kMaxSpan];
  float u[kMaxSpan];
  float v[kMaxSpan];
};

// Samples the live pixels of the span at the coordinates in channels `c` (u) and `c + 1` (v);
// an unbound sampler reads opaque white.
void sampleInterpolated(const SamplerSetup& sampler, const PixelSpan& span, int32_t c,
                        SpanScratch& scratch, uint32_t* out);

}  // namespace d3d9
