#pragma once

// Byte arithmetic of the pixel stages: float to byte conversion, the rounded byte product and
// the vertex fog mix applied after texturing (also after a pixel shader).

#include <algorithm>
#include <cstdint>

namespace d3d9 {

// x * y / 255, rounded, for bytes.
inline uint32_t mul255(uint32_t x, uint32_t y) {
  const uint32_t t = x * y + 128;
  return (t + (t >> 8)) >> 8;
}

// A colour or alpha value to a byte, clamped to 0..1 (NaN gives 0).
inline uint32_t toByte(float v) {
  return uint32_t((v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f) * 255.0f + 0.5f);
}

// Mixes an A8R8G8B8 colour toward the fog colour by the fog factor byte (255: no fog); alpha
// is kept.
inline uint32_t applyFog(uint32_t colour, uint32_t factor, uint32_t fogColour) {
  uint32_t out = colour & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t c = colour >> shift & 255, fc = fogColour >> shift & 255;
    out |= std::min<uint32_t>(mul255(c, factor) + mul255(fc, 255 - factor), 255) << shift;
  }
  return out;
}

}  // namespace d3d9
