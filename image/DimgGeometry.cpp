#include "image/DimgGeometry.h"

#include "image/DImageKind.h"
#include "platform/CheckedMath.h"

std::optional<DimgLayout> DimgRowLayout(uint32_t width, uint32_t kind, uint32_t pitch) {
  if (width == 0 || !DimgKindValid(kind)) {
    return std::nullopt;
  }
  const uint32_t bytes = DimgBytesPerPixel(kind);
  const auto rowBytes = platform::checkedMul<uint32_t>(width, bytes);
  if (!rowBytes) {
    return std::nullopt;
  }
  if (pitch == 0) {
    const auto rounded = platform::checkedRoundUp<uint32_t>(*rowBytes, 4);
    if (!rounded) {
      return std::nullopt;
    }
    pitch = *rounded;
  } else if (pitch < *rowBytes) {
    return std::nullopt;
  }
  return DimgLayout{DimgBitsPerPixel(kind), bytes, pitch};
}

std::optional<uint32_t> DimgAllocationBytes(uint32_t height, uint32_t pitch) {
  const auto pixels = platform::checkedMul<uint32_t>(height, pitch);
  return pixels ? platform::checkedAdd<uint32_t>(*pixels, 16) : std::nullopt;
}
