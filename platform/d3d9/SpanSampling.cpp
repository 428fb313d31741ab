#include "platform/d3d9/SpanSampling.h"

#include <algorithm>

namespace d3d9 {

void sampleInterpolated(const SamplerSetup& sampler, const PixelSpan& span, int32_t c,
                        SpanScratch& scratch, uint32_t* out) {
  const uint32_t n = span.count;
  if (!sampler.bound) {
    std::fill(out, out + n, 0xFFFFFFFFu);
    return;
  }
  const float* u = span.channel[c];
  const float* v = span.channel[c + 1];
  if (span.rhwGradX == 0.0f && span.rhwGradY == 0.0f) {
    // Without perspective the coordinates change linearly along the span and the derivatives
    // are the same over it: the sampler steps the coordinates itself at one level of detail.
    const float w = span.w[0];
    const float dudx = span.flat[c] ? 0.0f : w * span.gradX[c];
    const float dvdx = span.flat[c + 1] ? 0.0f : w * span.gradX[c + 1];
    float lod = 0.0f;
    if (sampler.needsLod) {
      lod = samplerLod(sampler, w * span.gradX[c], w * span.gradX[c + 1], w * span.gradY[c],
                       w * span.gradY[c + 1]);
    }
    sampleSpanLinear(sampler, u[0], dudx, v[0], dvdx, lod, span.live, n, out);
    return;
  }
  if (span.flat[c] || span.flat[c + 1]) {
    std::fill(scratch.u, scratch.u + n, u[0]);
    std::fill(scratch.v, scratch.v + n, v[0]);
    if (!span.flat[c]) std::copy(u, u + n, scratch.u);
    if (!span.flat[c + 1]) std::copy(v, v + n, scratch.v);
    u = scratch.u;
    v = scratch.v;
  }
  const float* lods = nullptr;
  if (sampler.needsLod) {
    // Derivatives of u = U / Q with U = u x rhw and Q = rhw, both planar in screen space;
    // like hardware, which works on blocks of 2 x 2 pixels, one level of detail serves two
    // neighbouring pixels.
    for (uint32_t i = 0; i < n; i += 2) {
      const float w = span.w[i];
      scratch.lods[i] = samplerLod(sampler, w * (span.gradX[c] - u[i] * span.rhwGradX),
                                   w * (span.gradX[c + 1] - v[i] * span.rhwGradX),
                                   w * (span.gradY[c] - u[i] * span.rhwGradY),
                                   w * (span.gradY[c + 1] - v[i] * span.rhwGradY));
      if (i + 1 < n) scratch.lods[i + 1] = scratch.lods[i];
    }
    lods = scratch.lods;
  }
  sampleSpan(sampler, u, v, lods, 0.0f, span.live, n, out);
}

}  // namespace d3d9
