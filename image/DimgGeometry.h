#pragma once

#include <cstdint>
#include <optional>

// The checked size arithmetic of images: every row and buffer size that comes from a caller's
// width, height, pitch and kind is computed here, and a result that does not fit the image's
// 32-bit fields is refused rather than wrapped into a small size that a blit would overrun.

struct DimgLayout {
  uint32_t bitsPerPixel;
  uint32_t bytesPerPixel;
  uint32_t pitch;
};

// The layout of rows of `width` pixels of `kind`: pitch 0 stands for the row bytes rounded up to
// a multiple of 4. Nothing for width 0, a kind above 7, a row that overflows 32 bits, or a given
// pitch below the row bytes.
std::optional<DimgLayout> DimgRowLayout(uint32_t width, uint32_t kind, uint32_t pitch);

// Bytes an image allocates for `height` rows of `pitch` bytes: height × pitch plus the 16 bytes
// that let it align its pixels. Nothing when that overflows 32 bits.
std::optional<uint32_t> DimgAllocationBytes(uint32_t height, uint32_t pitch);
