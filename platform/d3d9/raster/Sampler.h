#pragma once

// Texture sampling as the draw pipeline (and the shader back end) reads textures: point and
// linear filtering, mip levels chosen from the screen-space derivatives with the level-of-detail
// bias, wrap, clamp and border addressing. A sampler without a texture reads opaque white.
// Results are A8R8G8B8 words.

#include "platform/d3d9/DeviceState.h"
#include "platform/d3d9/raster/Simd.h"
#include "platform/d3d9/Texture.h"

#if D3D9_SSE2
#include <emmintrin.h>
#endif

namespace d3d9 {

struct SamplerSetup {
  bool bound = false;
  uint32_t levelCount = 0;
  uint32_t baseLevel = 0;
  TexelLevel levels[16];
  uint32_t addressU = D3DTADDRESS_WRAP;
  uint32_t addressV = D3DTADDRESS_WRAP;
  uint32_t border = 0;
  uint32_t magFilter = D3DTEXF_POINT;
  uint32_t minFilter = D3DTEXF_POINT;
  uint32_t mipFilter = D3DTEXF_NONE;
  float lodBias = 0.0f;
  bool needsLod = false;  // level or filter choice depends on the derivatives
  SimdLevel simd = SimdLevel::Scalar;  // the arithmetic of the span samplers
};

// Reads sampler `index` and its bound texture from the state, and the SIMD level in force. Fails with the interface's
// "unsupported" codes for filters and address modes the stand-in does not draw.
HRESULT prepareSampler(const DeviceState& state, uint32_t index, SamplerSetup& out);

// Level of detail from the derivatives of u and v (in texture coordinates, 0..1) along x and y.
float samplerLod(const SamplerSetup& s, float dudx, float dvdx, float dudy, float dvdy);

#if D3D9_SSE2
// samplerLod of four sets of derivatives at once, with the same results.
__m128 samplerLod4(const SamplerSetup& s, __m128 dudx, __m128 dvdx, __m128 dudy, __m128 dvdy);
#endif

// The filtered colour at (u, v) for a level of detail (ignored unless needsLod).
uint32_t sampleTexture(const SamplerSetup& s, float u, float v, float lod);

// Samples the live pixels of a span at (u[i], v[i]) into out[i]; each pixel takes its level of
// detail from lods[i], or all take `lod` when lods is null.
void sampleSpan(const SamplerSetup& s, const float* u, const float* v, const float* lods,
                float lod, const uint8_t* live, uint32_t count, uint32_t* out);

// The same for a span whose coordinates change linearly: pixel i reads (u0 + i * du,
// v0 + i * dv), all at one level of detail. Coordinates step in fixed point.
void sampleSpanLinear(const SamplerSetup& s, float u0, float du, float v0, float dv, float lod,
                      const uint8_t* live, uint32_t count, uint32_t* out);

// Base-2 logarithm, exact at powers of two and linear between them; deterministic.
float fastLog2(float x);

}  // namespace d3d9
