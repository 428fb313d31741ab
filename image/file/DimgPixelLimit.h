#pragma once

#include <cstdint>

// The largest picture a reader allocates: 16384 × 16384 pixels. Compressed formats can
// announce an enormous picture in a few bytes; such a header is refused before any memory is
// taken for it. No texture of the renderer comes near this size.
constexpr uint64_t DimgMaxPixels = uint64_t{16384} * 16384;

inline bool DimgPixelCountAllowed(uint64_t width, uint64_t height) {
  return width != 0 && height != 0 && width <= DimgMaxPixels && height <= DimgMaxPixels &&
         width * height <= DimgMaxPixels;
}
