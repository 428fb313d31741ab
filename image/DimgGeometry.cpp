#include "image/DimgGeometry.h"

#include "image/DImageKind.h"

std::optional<DimgLayout> DimgRowLayout(uint32_t width, uint32_t kind, uint32_t pitch) {
  if (width == 0 || !DimgKindValid(kind)) {
    return std::nullopt;
  }
  const uint32_t bytes = DimgBytesPerPixel(kind);
  uint32_t rowBytes = 0;
  if (__builtin_mul_overflow(width, bytes, &rowBytes)) {
    return std::nullopt;
  }
  if (pitch == 0) {
    if (__builtin_add_overflow(rowBytes, 3u, &pitch)) {
      return std::nullopt;
    }
    pitch &= ~3u;
  } else if (pitch < rowBytes) {
    return std::nullopt;
  }
  return DimgLayout{DimgBitsPerPixel(kind), bytes, pitch};
}

std::optional<uint32_t> DimgAllocationBytes(uint32_t height, uint32_t pitch) {
  uint32_t pixels = 0;
  uint32_t total = 0;
  if (__builtin_mul_overflow(height, pitch, &pixels) || __builtin_add_overflow(pixels, 16u, &total)) {
    return std::nullopt;
  }
  return total;
}
