#include "platform/d3d9/raster/SpanSampling.h"

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
    uint32_t i = 0;
#if D3D9_SSE2
    if (sampler.simd == SimdLevel::Sse2) {
      // Four pairs at a time: the even pixels of eight. The arrays hold kMaxSpan values, a
      // multiple of eight; what is computed past n is never read.
      const __m128 gxu = _mm_set1_ps(span.gradX[c]), gxv = _mm_set1_ps(span.gradX[c + 1]);
      const __m128 gyu = _mm_set1_ps(span.gradY[c]), gyv = _mm_set1_ps(span.gradY[c + 1]);
      const __m128 qx = _mm_set1_ps(span.rhwGradX), qy = _mm_set1_ps(span.rhwGradY);
      auto evens = [](const float* p) {
        return _mm_shuffle_ps(_mm_loadu_ps(p), _mm_loadu_ps(p + 4), _MM_SHUFFLE(2, 0, 2, 0));
      };
      for (; i < n; i += 8) {
        const __m128 w = evens(span.w + i), uu = evens(u + i), vv = evens(v + i);
        const __m128 lod = samplerLod4(sampler, _mm_mul_ps(w, _mm_sub_ps(gxu, _mm_mul_ps(uu, qx))),
                                       _mm_mul_ps(w, _mm_sub_ps(gxv, _mm_mul_ps(vv, qx))),
                                       _mm_mul_ps(w, _mm_sub_ps(gyu, _mm_mul_ps(uu, qy))),
                                       _mm_mul_ps(w, _mm_sub_ps(gyv, _mm_mul_ps(vv, qy))));
        _mm_storeu_ps(scratch.lods + i, _mm_unpacklo_ps(lod, lod));
        _mm_storeu_ps(scratch.lods + i + 4, _mm_unpackhi_ps(lod, lod));
      }
    }
#endif
    for (; i < n; i += 2) {
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
