#pragma once

// Colour work over a span of pixels for the pixel stages: float channels to A8R8G8B8 words and
// back, the byte arithmetic of the texture stages and vertex fog. Each operation has a scalar
// loop, the reference, and an SSE2 loop with the same results, chosen by the SIMD level (the
// same arithmetic as PixelColour.h, pixel for pixel). Dead pixels are computed as well: their
// results are never used.

#include "platform/d3d9/raster/Simd.h"

#include <cstdint>

namespace d3d9 {

// The values of one float channel over a span; a flat channel holds one value for all pixels.
struct ChannelRow {
  const float* values;
  bool flat;
};

// argb[i] = the channels (red, green, blue, alpha) clamped to 0..1 as bytes (toByte).
void packColours(SimdLevel simd, const ChannelRow (&rgba)[4], uint32_t n, uint32_t* argb);

// rgba[k][i] = channel k (red, green, blue, alpha) of argb[i] divided by 255.
void unpackColours(SimdLevel simd, const uint32_t* argb, uint32_t n, float* const (&rgba)[4]);

// out[i] = a[i] x b[i] per channel (mul255).
void modulateColours(SimdLevel simd, const uint32_t* a, const uint32_t* b, uint32_t n,
                     uint32_t* out);

// out[i] = a[i] + b[i] per channel, saturating.
void addColours(SimdLevel simd, const uint32_t* a, const uint32_t* b, uint32_t n, uint32_t* out);

// argb[i] = applyFog(argb[i], toByte(fog[i]), fogColour); a flat fog row holds one factor.
void fogColours(SimdLevel simd, const ChannelRow& fog, uint32_t fogColour, uint32_t n,
                uint32_t* argb);

}  // namespace d3d9
